#pragma once

#include "org/IndepUsers.h"

#include <QDialog>

#include <memory>
#include <string>
#include <vector>

namespace Ui
{
class CIndepUserDlg;
}

namespace qar
{
class CXTableUser;
}

namespace qar::ui
{

/// The user-account list of a group: independent users (users of no unit) or administrator accounts,
/// with add (independent users only), edit and delete through the short user form.
class CIndepUserDlg : public QDialog
{
    Q_OBJECT

public:
    /// What the group editor passes: the main window's users record object, the mode, the title (the
    /// text of the button that opens the list), the group page's group names (each beginning with its
    /// number, bytes of the ANSI code page), the group to select and the main window's sign-on users file
    /// (null: the program's file is read when a user's records follow a change).
    CIndepUserDlg(CXTableUser* users, AccountListMode mode, const QString& title,
                  const std::vector<std::string>& groupNames, std::int32_t group, DomainUserFile* domainUsers = nullptr,
                  QWidget* parent = nullptr);
    ~CIndepUserDlg() override;

    /// The commands, as the buttons and a double-click run them.
    void addUser();
    void editUser();
    void deleteUser();

private:
    void fillList();
    void updateButtons();
    std::int32_t selectedGroup() const;
    std::int32_t selectedUser() const;
    void showResult(const AccountMessage& message);

    std::unique_ptr<Ui::CIndepUserDlg> m_ui;
    IndepUserModel m_model;
};

} // namespace qar::ui
