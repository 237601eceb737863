#pragma once

#include "app/ui/CAdminPage.h"
#include "catalog/Roles.h"

#include <memory>

class QMenu;

namespace Ui
{
class CRolePage;
}

namespace qar::ui
{

/// The roles page (form 132): role.xml as a list sorted by the text of the role id, with add, edit and
/// delete through the role editor. Every change rewrites the file whole; a file that cannot be written
/// is reported and the list goes back to what the file holds.
class CRolePage : public CAdminPage
{
    Q_OBJECT

public:
    explicit CRolePage(QWidget* parent = nullptr);
    ~CRolePage() override;

    /// Reloads the list from role.xml ("Refresh"; showing the page again does when the file changed).
    void refresh() override;

protected:
    std::optional<std::string> readStamp() override;

public:
    const RoleList& roles() const { return m_roles; }
    /// The context menu for the current selection (the caller owns it).
    QMenu* createContextMenu();

    // The page's commands, as its buttons, menu and double-click run them.
    void addRole();
    void editRole();
    void deleteRole();

private:
    void showList();
    void updateButtons();
    int selectedRow() const;
    bool save();

    std::unique_ptr<Ui::CRolePage> m_ui;
    RoleList m_roles;
};

} // namespace qar::ui
