#include "app/ui/DatabaseWait.h"

#include "app/ui/UiText.h"
#include "resources/StringIds.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QProgressDialog>

namespace qar::ui
{

namespace
{

int g_showAfterMs = 500;
// How often the window gets to paint while a call runs.
constexpr int kPaintEveryMs = 30;

} // namespace

void DatabaseWait::setShowAfterForTesting(int milliseconds)
{
    g_showAfterMs = milliseconds;
}

DatabaseWait::DatabaseWait(QWidget* window) : m_window(window), m_thread([this] { work(); }) {}

DatabaseWait::~DatabaseWait()
{
    {
        std::lock_guard lock(m_mutex);
        m_stop = true;
    }
    m_wake.notify_all();
    m_thread.join();
}

void DatabaseWait::work()
{
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_wake.wait(lock, [this] { return m_stop || !m_queue.empty(); });
        if (m_queue.empty()) {
            return;
        }
        Job* job = m_queue.front();
        lock.unlock();
        try {
            (*job->call)();
        } catch (...) {
            job->error = std::current_exception();
        }
        lock.lock();
        m_queue.pop_front();
        job->done = true;
        m_finished.notify_all();
    }
}

bool DatabaseWait::waitDone(Job& job, int milliseconds)
{
    std::unique_lock lock(m_mutex);
    return m_finished.wait_for(lock, std::chrono::milliseconds(milliseconds), [&job] { return job.done; });
}

void DatabaseWait::run(const std::function<void()>& call)
{
    Job job{&call, false, nullptr};
    {
        std::lock_guard lock(m_mutex);
        m_queue.push_back(&job);
    }
    m_wake.notify_all();
    ++m_depth;
    if (!waitDone(job, g_showAfterMs)) {
        showNote();
        // Clicks and keys wait for the end of the call; paints, timers and the network's events run.
        while (!waitDone(job, kPaintEveryMs)) {
            QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        }
        hideNote();
    }
    --m_depth;
    if (job.error) {
        std::rethrow_exception(job.error);
    }
}

void DatabaseWait::showNote()
{
    if (m_noteDepth++ > 0) {
        return;
    }
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    m_note = std::make_unique<QProgressDialog>(text(str::kWaitingForDatabase), QString(), 0, 0, m_window);
    m_note->setObjectName(QStringLiteral("databaseWaitDialog"));
    m_note->setWindowTitle(text(str::kAppTitle));
    m_note->setWindowModality(Qt::WindowModal);
    m_note->setCancelButton(nullptr);
    m_note->setMinimumDuration(0);
    m_note->show();
}

void DatabaseWait::hideNote()
{
    if (--m_noteDepth > 0) {
        return;
    }
    m_note.reset();
    QGuiApplication::restoreOverrideCursor();
}

} // namespace qar::ui
