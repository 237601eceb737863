#pragma once

#include "org/UnitForm.h"

#include <QDialog>

#include <array>
#include <cstdint>
#include <memory>

class QCheckBox;

namespace Ui
{
class CUnitAttrDlg;
}

namespace qar::ui
{

/// "Unit attributes settings": one box per attribute bit. OK rebuilds the value from the boxes alone.
class CUnitAttrDlg : public QDialog
{
    Q_OBJECT

public:
    CUnitAttrDlg(std::int32_t attribute, QWidget* parent = nullptr);
    ~CUnitAttrDlg() override;

    /// The value the boxes give (meaningful after OK).
    std::int32_t attribute() const;

private:
    std::unique_ptr<Ui::CUnitAttrDlg> m_ui;
    std::array<QCheckBox*, kUnitAttributeBoxes> m_boxes{};
};

} // namespace qar::ui
