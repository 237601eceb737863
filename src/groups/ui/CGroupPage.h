#pragma once

#include "app/ui/CAdminPage.h"
#include "groups/GroupPageModel.h"
#include "groups/ui/CGroupEditDlg.h"

#include <memory>
#include <optional>

class QMenu;
class QTreeWidget;

namespace Ui
{
class CGroupPage;
}

namespace qar::ui
{

class Launcher;

/// The groups page: the groups of the database with Add, Edit, Delete and Refresh. What a command does
/// to the table is the core model's; the page shows the list, asks and tells the administrator, and
/// opens the group editor.
class CGroupPage : public CAdminPage
{
    Q_OBJECT

public:
    /// Placed in the main window, the page works on its groups record object and change log; on its own
    /// it shows an empty list.
    explicit CGroupPage(QWidget* parent = nullptr);
    ~CGroupPage() override;

    void refresh() override;

protected:
    std::optional<std::string> readStamp() override;

public:
    ChangeFlags changeFlags() const override;
    void clearChangeFlags() override;

    GroupPageModel& model() { return *m_model; }
    QTreeWidget* list() const;
    /// Who starts the spreadsheet tool and opens files (the main window's launcher by default).
    void setLauncher(Launcher* launcher) { m_launcher = launcher; }

    /// The group of the first selected row.
    std::optional<std::int32_t> selectedGroup() const;
    /// Selects the row of a group as a click would.
    void selectGroup(std::int32_t id);
    /// The context menu (the caller owns it).
    QMenu* createContextMenu();

    // The page's commands, as its buttons, menu and double-click run them.
    void addGroup();
    void editGroup();
    void deleteGroup();

private:
    void showList();
    void updateButtons();
    void runEditor(GroupEditSession session);
    void reportMovedFiles(std::int32_t from, std::int32_t to);
    void showMessage(int messageId);
    Launcher& launcher();

    std::unique_ptr<Ui::CGroupPage> m_ui;
    std::unique_ptr<IGroupEffects> m_effects;
    std::unique_ptr<GroupPageModel> m_model;
    Launcher* m_launcher = nullptr;
};

} // namespace qar::ui
