#pragma once

#include <QAbstractNativeEventFilter>
#include <QPointer>

#include <cstdint>
#include <functional>

namespace qar::ui
{

/// Watches the X11 events of the tool for the import tool's tree refresh message (see
/// platform/TreeRefreshMessage.h) and calls `refresh` for each, queued on `context` (nothing once that
/// is gone). Does nothing on other platforms.
class TreeRefreshFilter : public QAbstractNativeEventFilter
{
public:
    TreeRefreshFilter(QObject* context, std::function<void()> refresh);
    ~TreeRefreshFilter() override;
    TreeRefreshFilter(const TreeRefreshFilter&) = delete;
    TreeRefreshFilter& operator=(const TreeRefreshFilter&) = delete;

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;

private:
    QPointer<QObject> m_context;
    std::function<void()> m_refresh;
    std::uint32_t m_atom = 0;
};

} // namespace qar::ui
