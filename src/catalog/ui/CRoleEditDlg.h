#pragma once

#include "catalog/Roles.h"

#include <QDialog>

#include <functional>
#include <memory>

namespace Ui
{
class CRoleEditDlg;
}

namespace qar::ui
{

/// "Add or modify role": the role's id (from the ids offered), name, daily SMS count and default
/// privileges ("Set" opens the privilege form).
class CRoleEditDlg : public QDialog
{
    Q_OBJECT

public:
    CRoleEditDlg(const RoleFormModel& form, const RoleForm& fields, QWidget* parent = nullptr);
    ~CRoleEditDlg() override;

    /// Called on OK with the checked role; false (the file could not be written) keeps the editor open.
    void setCommit(std::function<bool(const RoleRow&)> commit) { m_commit = std::move(commit); }
    RoleForm fields() const;
    const RoleRow& role() const { return m_role; }

public slots:
    void accept() override;

private:
    void setPrivileges();

    std::unique_ptr<Ui::CRoleEditDlg> m_ui;
    const RoleFormModel& m_form;
    std::int32_t m_privileges = 0;
    std::function<bool(const RoleRow&)> m_commit;
    RoleRow m_role;
};

} // namespace qar::ui
