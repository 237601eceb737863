#pragma once

#include <QStatusBar>

#include <cstddef>

class QLabel;
class QProgressBar;

namespace qar::ui
{

/// The main window's status line: on the left what the last change wrote, or the progress of long
/// work; on the right the data source with its database, and the server's state.
class CStatusLine : public QStatusBar
{
    Q_OBJECT

public:
    explicit CStatusLine(QWidget* parent = nullptr);

    void setDataSource(const QString& text);
    void setServerState(const QString& text);
    /// What the last change wrote; it stays until the next change.
    void showChange(const QString& text);
    QString change() const;

    /// Long work under way: its label and how far it has come (`total` 0: not known yet). Painted at
    /// once, since the work holds the event loop up.
    void showProgress(const QString& label, std::size_t done, std::size_t total);
    void hideProgress();

private:
    QLabel* m_change;
    QLabel* m_work;
    QProgressBar* m_progress;
    QLabel* m_dataSource;
    QLabel* m_server;
};

/// Work on the user-interface thread that may take long (a tree build of a large organisation): from
/// its first progress report the busy cursor and, once it has run `showAfterMs`, its progress in the
/// status line.
class LongWork
{
public:
    static constexpr int kShowAfterMs = 1000;

    LongWork(CStatusLine* line, QString label, int showAfterMs = kShowAfterMs);
    ~LongWork();
    LongWork(const LongWork&) = delete;
    LongWork& operator=(const LongWork&) = delete;

    void progress(std::size_t done, std::size_t total);

private:
    CStatusLine* m_line;
    QString m_label;
    int m_showAfterMs;
    qint64 m_started = -1; ///< when the first report came; -1 before
    bool m_shown = false;
};

} // namespace qar::ui
