#pragma once

#include "app/ui/CAdminPage.h"
#include "org/CUnitUserModel.h"

#include <memory>

class QMenu;
class QModelIndex;

namespace Ui
{
class CUnitUserPage;
}

namespace qar::ui
{

class CMainDlg;
class Launcher;
class OrgTreeModel;

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

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void bindToMainWindow(CMainDlg* window);
    void showTree();
    void applyButtons(const OrgButtons& buttons);
    void showMessage(const OrgMessage& message);
    void runUnitForm(std::variant<OrgMessage, UnitEditSession> start, bool editMode);
    void onCurrentChanged(const QModelIndex& current);

    std::unique_ptr<Ui::CUnitUserPage> m_ui;
    std::unique_ptr<IOrgEffects> m_effects;
    std::unique_ptr<CUnitUserModel> m_model;
    OrgTreeModel* m_treeModel = nullptr;
    Launcher* m_launcher = nullptr;
    bool m_groupsChanged = false;
    bool m_built = false;   ///< the tree was built once since the page was created
    bool m_showing = false; ///< the view is being brought in line with the model
};

} // namespace qar::ui
