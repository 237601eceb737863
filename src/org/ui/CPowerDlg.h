#pragma once

#include "org/Privileges.h"

#include <QDialog>

#include <cstdint>
#include <memory>

namespace Ui
{
class CPowerDlg;
}

namespace qar::ui
{

/// "Set Previleges": the privilege boxes on their own, for a role's default privileges.
class CPowerDlg : public QDialog
{
    Q_OBJECT

public:
    /// Opens on `power`, the boxes named by Power.dat.
    CPowerDlg(std::uint32_t power, const PowerNames& names, QWidget* parent = nullptr);
    ~CPowerDlg() override;

    void setValue(std::uint32_t power);
    /// The value of the ticked boxes.
    std::uint32_t value() const;

private:
    std::unique_ptr<Ui::CPowerDlg> m_ui;
};

} // namespace qar::ui
