#pragma once

#include <QEvent>

namespace qar::ui
{

/// A notification posted to a window of the tool, carrying the platform's message number and its two
/// parameters. Queued through the event loop, so it is handled on the GUI thread between user actions.
class ShellEvent : public QEvent
{
public:
    ShellEvent(int message, long long wParam = 0, long long lParam = 0)
        : QEvent(typeFor(message)), m_message(message), m_wParam(wParam), m_lParam(lParam)
    {}

    static QEvent::Type typeFor(int message) { return static_cast<QEvent::Type>(QEvent::User + message); }

    int message() const { return m_message; }
    long long wParam() const { return m_wParam; }
    long long lParam() const { return m_lParam; }

private:
    int m_message;
    long long m_wParam;
    long long m_lParam;
};

} // namespace qar::ui
