#pragma once

#include "app/ui/CAdminPage.h"
#include "org/CUnitUserModel.h"
#include "org/OrgFind.h"

#include <QAbstractItemView>
#include <QElapsedTimer>

#include <atomic>
#include <memory>

class QMenu;
class QModelIndex;

namespace Ui
{
class CUnitUserPage;
}

namespace qar
{
class ChunkedTableRead;
struct RowChunk;
} // namespace qar

namespace qar::ui
{

class COrgFindBar;
class Launcher;
class LongWork;
class OrgTreeModel;
class PageHost;

/// The units-and-users page: the organisation tree and the commands on it. What a command does to the
/// tables and the tree is the core model's; the page shows the tree, asks and tells the administrator,
/// and opens the forms.
class CUnitUserPage : public CAdminPage
{
    Q_OBJECT

public:
    /// Placed in the main window, the page works on its record objects and change log; on its own it
    /// shows an empty tree.
    explicit CUnitUserPage(QWidget* parent = nullptr);
    ~CUnitUserPage() override;

    void refresh() override;
    void connectionRefreshed() override;
    void selectFirstItem() override;
    ChangeFlags changeFlags() const override;
    void clearChangeFlags() override;

    CUnitUserModel& model() { return *m_model; }
    const OrgTreeModel& treeModel() const { return *m_treeModel; }
    /// Who starts the spreadsheet tool (the desktop by default; tests record it instead).
    void setLauncher(Launcher* launcher) { m_launcher = launcher; }

    /// The node selected in the view (kNone when none).
    OrgTree::NodeId selectedNode() const;
    /// Selects a node as a click would.
    void selectNode(OrgTree::NodeId node);
    /// The context menu for the current selection (the caller owns it).
    QMenu* createContextMenu();

    // The page's commands, as its buttons, menu and keys run them.
    void addUnit();
    void addUser();
    void edit();
    void deleteSelected();
    void search();
    void importExport();
    /// "Check data...": what the tree cannot show, in a small report.
    void checkData();
    void pressEnter();

    // The find bar: Ctrl+F or its Find button opens it; typing goes to the first match from the
    // selected node on, Enter and F3 to the next, Shift+F3 to the previous, round the whole tree.
    void openFindBar();
    void findNext();
    void findPrevious();
    COrgFindBar& findBar() { return *m_findBar; }

    /// Whether users are still being read: the tree shows those read so far.
    bool readingUsers() const { return m_userRead != nullptr; }
    /// Lets the read of the users end (a command that needs every user), with a note over the window
    /// saying so and how far it has come.
    void waitForUsers();
    /// Users read before the page shows the tree: a table of up to this many whole; a larger one its early
    /// rows (the first group's units) and its first chunk, the rest while the administrator works. Tests
    /// lower it, the rows per chunk, and the chunks taken per turn of the event loop (0: as many as come
    /// in a tenth of a second), to see a read under way on a small database.
    static void setUserReadLimits(std::size_t inPlaceRows, std::size_t chunkRows, int chunksPerTurn = 0);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    /// The groups, units and users tables: the tree shows all three.
    std::optional<std::string> readStamp() override;
    /// Refresh, with the groups read too, since their change also made the page read.
    void readAgain() override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void bindToMainWindow(PageHost* window);
    /// Refresh's reading of the tables and building of the tree, after the caller noted the read.
    void readTables();
    void showTree();
    void applyButtons(const OrgButtons& buttons);
    void showMessage(const OrgMessage& message);
    void runUnitForm(std::variant<OrgMessage, UnitEditSession> start, bool editMode);
    void onCurrentChanged(const QModelIndex& current);
    void setUpFindBar();
    void find(FindStep step);
    /// Opens the node's ancestors, selects it and scrolls it into view.
    void revealNode(OrgTree::NodeId node, QAbstractItemView::ScrollHint hint = QAbstractItemView::EnsureVisible);
    /// Runs a command that may build the tree, with the busy cursor and, when it takes long, progress.
    template <class Work> void longWork(Work&& work);
    /// Shows in the main window's status line what the last command wrote.
    void reportChange();
    /// Builds the groups and units and reads the users table in chunks on a connection of its own.
    void readUsers();
    /// On the reader's word: the chunks that came, then the tree shown now and then.
    void postTakeUsers();
    void takeUserChunks();
    void applyUserChunk(RowChunk& chunk);
    void finishUserRead();
    void showUserProgress();

    std::unique_ptr<Ui::CUnitUserPage> m_ui;
    std::unique_ptr<IOrgEffects> m_effects;
    std::unique_ptr<CUnitUserModel> m_model;
    OrgTreeModel* m_treeModel = nullptr;
    Launcher* m_launcher = nullptr;
    COrgFindBar* m_findBar = nullptr;
    OrgFindIndex m_findIndex;
    LongWork* m_work = nullptr; ///< the long work under way, told the build's progress
    bool m_groupsChanged = false;
    bool m_built = false;                         ///< the tree was built once since the page was created
    bool m_showing = false;                       ///< the view is being brought in line with the model
    std::unique_ptr<ChunkedTableRead> m_userRead; ///< the read of the users under way
    std::uint64_t m_fillGeneration = 0;           ///< of the user record object as the read began filling it
    std::size_t m_passRows = 0;                   ///< rows of the pass over the whole table taken
    bool m_earlyDone = false;                     ///< the rows of the early pass are all in
    bool m_readingInPlace = false;                ///< the read before the tree shows: a failure is the command's
    std::atomic<bool> m_takeQueued{false};
    QElapsedTimer m_shownAt; ///< the tree last shown during the read
};

} // namespace qar::ui
