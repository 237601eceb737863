#include "app/ui/ActionGuard.h"
#include "app/ui/CStatusLine.h"
#include "app/ui/PageHost.h"
#include "app/ui/UiText.h"
#include "db/CDatabaseSession.h"
#include "db/CXDatabase.h"
#include "db/CXTableUser.h"
#include "db/ChunkedTableRead.h"
#include "org/ui/CUnitUserPage.h"
#include "platform/DiagnosticLog.h"
#include "resources/StringIds.h"

#include <QGuiApplication>
#include <QProgressDialog>

#include <algorithm>
#include <climits>

// The page's reading of the users table in chunks, while the tree is in use.
namespace qar::ui
{

namespace
{

// 150,000 users are read and listed in about half a second; a million in several, which the page does
// not keep the administrator waiting for. A chunk of 20,000 rows holds about 5 MB in the driver and as
// much in the chunk.
std::size_t g_inPlaceRows = 150'000;
std::size_t g_chunkRows = 20'000;
int g_chunksPerTurn = 0;
// While users come in, the view is told of them at most this often: each time, every unit that got users
// gets its rows inserted.
constexpr int kShowEveryMs = 1000;
// A chunk taken on the reader's word keeps the window from input for no longer than this.
constexpr int kTakeForMs = 100;

} // namespace

void CUnitUserPage::setUserReadLimits(std::size_t inPlaceRows, std::size_t chunkRows, int chunksPerTurn)
{
    g_inPlaceRows = inPlaceRows;
    g_chunkRows = chunkRows;
    g_chunksPerTurn = chunksPerTurn;
}

void CUnitUserPage::readUsers()
{
    m_userRead.reset(); // a read under way gives way to this one, its chunks unused
    CXTableUser* users = m_model->tables().user;
    if (users->database() == nullptr || !users->database()->IsOpen()) {
        users->Close(); // no connection: the next command reports 162
        return;
    }
    const std::vector<std::int32_t> early = m_model->startChunkedBuild();
    // The view must not paint nodes of the tree that was: from here on the tree only grows until the read
    // ends, and the nodes the view knows stay as they are.
    showTree();
    users->BeginFill();
    m_fillGeneration = users->generation();
    m_passRows = 0;
    m_earlyDone = false;
    ChunkedReadPlan plan;
    plan.connect = host()->session().connectString();
    plan.table = users->GetDefaultSQL();
    plan.columns = users->ExchangedColumns();
    plan.earlyColumn = users->columnIndex(users->m_UNIT_ID);
    plan.earlyValues = early;
    plan.earlyPassAbove = g_inPlaceRows;
    plan.chunkRows = g_chunkRows;
    m_userRead = std::make_unique<ChunkedTableRead>(std::move(plan), [this] { postTakeUsers(); });
    // A table of up to g_inPlaceRows is read whole here; a larger one (it had an early pass) only until the
    // first group's users are in.
    m_readingInPlace = true;
    while (m_userRead != nullptr && !(m_earlyDone && m_userRead->total() > g_inPlaceRows)) {
        if (auto chunk = m_userRead->take(20)) {
            applyUserChunk(*chunk);
            if (m_work != nullptr && m_userRead != nullptr) {
                m_work->progress(m_passRows, m_userRead->total());
            }
        } else if (m_userRead->done()) {
            finishUserRead();
        }
    }
    m_readingInPlace = false;
    if (m_userRead != nullptr) {
        m_shownAt.start();
        showUserProgress();
    }
}

void CUnitUserPage::postTakeUsers()
{
    // Called on the reader's thread: the chunks are taken on this one, one queued call at a time.
    if (!m_takeQueued.exchange(true)) {
        QMetaObject::invokeMethod(
            this,
            [this] {
                m_takeQueued = false;
                RunGuarded(this, [this] { takeUserChunks(); });
            },
            Qt::QueuedConnection);
    }
}

void CUnitUserPage::takeUserChunks()
{
    QElapsedTimer spent;
    spent.start();
    for (int taken = 0; m_userRead != nullptr; ++taken) {
        if (spent.elapsed() >= kTakeForMs || (g_chunksPerTurn > 0 && taken == g_chunksPerTurn)) {
            postTakeUsers(); // the rest after the window had its turn
            break;
        }
        if (auto chunk = m_userRead->take(0)) {
            applyUserChunk(*chunk);
        } else {
            if (m_userRead->done()) {
                finishUserRead();
            }
            break;
        }
    }
    if (m_userRead != nullptr && m_shownAt.elapsed() >= kShowEveryMs) {
        showTree();
        m_shownAt.restart();
    }
    if (m_userRead != nullptr) {
        showUserProgress();
    }
}

void CUnitUserPage::applyUserChunk(RowChunk& chunk)
{
    CXTableUser& users = *m_model->tables().user;
    if (users.generation() != m_fillGeneration) {
        // Another read of the table overtook this one (the groups page's account list, a reconnect): the
        // tree follows what the record object holds now.
        m_userRead.reset();
        m_model->finishChunkedBuild();
        m_model->buildTree();
        showTree();
        showUserProgress();
        return;
    }
    try {
        const std::size_t total = m_userRead->total();
        if (!chunk.early) {
            users.AppendRows(chunk.columns, chunk.rows, total);
            m_passRows += chunk.rows.rowCount();
            m_earlyDone = true;
        }
        m_model->addUserRows(chunk.rows, chunk.early, total);
    } catch (const std::exception& e) {
        LogDiagnostic(std::string("Reading the users failed: ") + e.what());
        m_userRead.reset();
        users.Close();
        m_model->finishChunkedBuild();
        showTree();
        showUserProgress();
        WriteFailure why;
        why.cause = e.what();
        showMessage({str::kOperationFailed, {}, why});
    }
}

void CUnitUserPage::finishUserRead()
{
    const std::string failure = m_userRead->failure();
    m_userRead.reset();
    CXTableUser& users = *m_model->tables().user;
    if (failure.empty()) {
        users.EndFill();
    } else {
        // Half a table is no snapshot to write against: closed, the next command reports 162.
        users.Close();
        LogDiagnostic("Reading the users failed: " + failure);
    }
    m_model->finishChunkedBuild();
    showTree();
    showUserProgress();
    if (failure.empty()) {
        return;
    }
    if (m_readingInPlace) {
        // As a table that cannot be opened: the connection is made anew at once, and the command that read
        // (Refresh) says 162 with the reason.
        host()->reconnectNow();
        return;
    }
    WriteFailure why;
    why.cause = failure;
    showMessage({str::kOperationFailed, {}, why});
}

void CUnitUserPage::showUserProgress()
{
    if (host() == nullptr || m_work != nullptr) {
        return; // the long work under way shows its own
    }
    if (m_userRead == nullptr) {
        host()->statusLine()->hideProgress();
    } else {
        host()->statusLine()->showProgress(text(str::kReadingUsers), m_passRows, m_userRead->total());
    }
}

void CUnitUserPage::waitForUsers()
{
    if (m_userRead == nullptr) {
        return;
    }
    QProgressDialog note(text(str::kWaitingForUsers), QString(), 0, 0, this);
    note.setObjectName(QStringLiteral("userReadDialog"));
    note.setWindowTitle(text(str::kAppTitle));
    note.setWindowModality(Qt::WindowModal);
    note.setCancelButton(nullptr);
    note.setMinimumDuration(0);
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    while (m_userRead != nullptr) {
        if (auto chunk = m_userRead->take(30)) {
            applyUserChunk(*chunk);
        } else if (m_userRead->done()) {
            finishUserRead();
        }
        if (m_userRead != nullptr) {
            const std::size_t total = m_userRead->total();
            note.setRange(0, static_cast<int>(std::min<std::size_t>(total, INT_MAX)));
            note.setValue(static_cast<int>(std::min(m_passRows, total)));
        }
        // Paints and timers run; clicks and keys wait for the command that waits.
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    }
    QGuiApplication::restoreOverrideCursor();
}

} // namespace qar::ui
