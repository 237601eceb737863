#pragma once

#include "org/UserEditing.h"

#include <QDialog>

#include <memory>

namespace Ui
{
class CUserEditDlg;
}

namespace qar
{
class DomainUserFile;
}

namespace qar::ui
{

/// The user form ("Add User" / "Modify User"). Its lists, the values its events move and the checks of
/// OK are the core form model's; the form shows them, runs the small forms of the extended data and
/// keeps the administrator's entries.
class CUserEditDlg : public QDialog
{
    Q_OBJECT

public:
    /// `domainUsers` is the main window's sign-on users file (null outside it): "Setting" changes its
    /// domain, OK its user records.
    CUserEditDlg(UserEditSession& session, DomainUserFile* domainUsers, QWidget* parent = nullptr);
    ~CUserEditDlg() override;

    /// What the fields hold now.
    UserForm fields() const;
    /// The checked values, after OK.
    const ValidUser& validUser() const { return m_valid; }

public slots:
    void accept() override;

private:
    void load(const UserForm& fields);
    void showError(const UserFormError& error);
    void refreshExtended();
    void departmentChanged();
    void roleChanged();
    void synchronize();
    void editSignDomain();
    void setNetDiskSize();
    void editVirtualUnits();

    std::unique_ptr<Ui::CUserEditDlg> m_ui;
    UserEditSession& m_session;
    DomainUserFile* m_domainUsers;
    std::uint16_t m_netDiskMb = 0;
    bool m_loading = false;
    ValidUser m_valid;
};

} // namespace qar::ui
