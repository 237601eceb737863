#pragma once

#include "platform/Progress.h"

#include <QElapsedTimer>
#include <QString>

#include <memory>

class QProgressDialog;
class QWidget;

namespace qar::ui
{

/// The progress of a long write (a code change that carries thousands of users along), reported by the
/// core: the window keeps painting between reports, and once the write has taken longer than a second a
/// modal progress box over `parent` shows how far it got. Input waits until the write ends: it cannot be
/// cancelled halfway.
class OperationProgress final : public IProgress
{
public:
    OperationProgress(QWidget* parent, const QString& label);
    ~OperationProgress() override;
    OperationProgress(const OperationProgress&) = delete;
    OperationProgress& operator=(const OperationProgress&) = delete;

    void report(std::size_t done, std::size_t total) override;
    /// Whether the progress box came up.
    bool shown() const { return m_dialog != nullptr; }

    /// How long a write runs before the box comes up; tests shorten it.
    static void setShowAfterForTesting(int milliseconds);

private:
    QWidget* m_parent;
    QString m_label;
    QElapsedTimer m_clock;
    qint64 m_lastPaint = 0;
    std::unique_ptr<QProgressDialog> m_dialog;
};

} // namespace qar::ui
