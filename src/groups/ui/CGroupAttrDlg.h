#pragma once

#include "groups/GroupAttributes.h"

#include <QDialog>

#include <array>
#include <cstdint>
#include <memory>

class QCheckBox;

namespace Ui
{
class CGroupAttrDlg;
}

namespace qar::ui
{

/// "Group attributes settings": eleven boxes, children enabled by their parent. OK keeps every bit
/// without a box.
class CGroupAttrDlg : public QDialog
{
    Q_OBJECT

public:
    explicit CGroupAttrDlg(std::uint32_t attributes, QWidget* parent = nullptr);
    ~CGroupAttrDlg() override;

    /// The value the boxes give (meaningful after OK).
    std::uint32_t attributes() const { return m_form.value(); }

private:
    void showForm();

    std::unique_ptr<Ui::CGroupAttrDlg> m_ui;
    GroupAttributeForm m_form;
    std::array<QCheckBox*, kGroupAttributeBoxes> m_boxes{};
};

} // namespace qar::ui
