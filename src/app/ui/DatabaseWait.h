#pragma once

#include "db/IDbCallRunner.h"

#include <condition_variable>
#include <deque>
#include <exception>
#include <memory>
#include <mutex>
#include <thread>

class QProgressDialog;
class QWidget;

namespace qar::ui
{

/// Runs the main connection's waits for the server on a thread of its own while the window goes on
/// painting. A call that has not ended after half a second shows a busy cursor and a note over the
/// window until it ends (a frozen server until the read timeout gives up). Clicks and keys wait; timers
/// and repaints run. A call started meanwhile (a timer's) is queued behind the one that runs: the
/// connection serves one call at a time.
class DatabaseWait final : public IDbCallRunner
{
public:
    explicit DatabaseWait(QWidget* window);
    ~DatabaseWait() override;
    DatabaseWait(const DatabaseWait&) = delete;
    DatabaseWait& operator=(const DatabaseWait&) = delete;

    void run(const std::function<void()>& call) override;
    /// Whether a call is under way (the refresh timer lets its tick pass then).
    bool busy() const { return m_depth > 0; }

    /// How long a call runs before the cursor and the note come up; tests shorten it.
    static void setShowAfterForTesting(int milliseconds);

private:
    struct Job
    {
        const std::function<void()>* call = nullptr;
        bool done = false;
        std::exception_ptr error;
    };

    void work();
    bool waitDone(Job& job, int milliseconds);
    void showNote();
    void hideNote();

    QWidget* m_window;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::condition_variable m_finished;
    std::deque<Job*> m_queue;
    bool m_stop = false;
    int m_depth = 0;
    int m_noteDepth = 0;
    std::unique_ptr<QProgressDialog> m_note;
    std::thread m_thread;
};

} // namespace qar::ui
