#pragma once

#include "org/UnitForm.h"

#include <QDialog>

#include <memory>

namespace Ui
{
class CUnitEditDlg;
}

namespace qar::ui
{

/// The unit form ("Add Department" / "Modify Department"). The lists, the selections and the checks of
/// OK are the core form model's; the form shows them and keeps the administrator's entries.
class CUnitEditDlg : public QDialog
{
    Q_OBJECT

public:
    CUnitEditDlg(const UnitFormModel& form, const UnitForm& fields, QWidget* parent = nullptr);
    ~CUnitEditDlg() override;

    /// What the fields hold now.
    UnitForm fields() const;
    /// The checked values, after OK.
    const ValidUnit& validUnit() const { return m_valid; }

public slots:
    void accept() override;

private:
    void load(const UnitForm& fields);
    void showError(const FormError& error);
    void setAttributes();
    void publicAccountToggled(bool on);

    std::unique_ptr<Ui::CUnitEditDlg> m_ui;
    const UnitFormModel& m_form;
    std::int32_t m_attribute = 0;
    bool m_loading = false;
    ValidUnit m_valid;
};

} // namespace qar::ui
