#pragma once

#include "org/Privileges.h"
#include "org/UserForm.h"

#include <QDialog>

#include <memory>

namespace Ui
{
class CUserShortDlg;
}

namespace qar::ui
{

/// "Add or modify users": the short user form of the user-account list (independent users and
/// administrator accounts).
class CUserShortDlg : public QDialog
{
    Q_OBJECT

public:
    /// In edit mode the user id cannot be changed.
    CUserShortDlg(const ShortUserForm& fields, bool editMode, const PowerNames& names, QWidget* parent = nullptr);
    ~CUserShortDlg() override;

    ShortUserForm fields() const;
    /// The checked values, after OK.
    const ValidShortUser& validUser() const { return m_valid; }

public slots:
    void accept() override;

private:
    std::unique_ptr<Ui::CUserShortDlg> m_ui;
    ValidShortUser m_valid;
};

} // namespace qar::ui
