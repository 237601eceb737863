#pragma once

#include "org/Privileges.h"

#include <QWidget>

#include <array>
#include <cstdint>

class QCheckBox;

namespace qar::ui
{

/// The 24 privilege boxes every user form and the privilege form show, three to a row in their fixed
/// order, with the names Power.dat gives them.
class CPrivilegeBoxes : public QWidget
{
    Q_OBJECT

public:
    explicit CPrivilegeBoxes(QWidget* parent = nullptr);

    /// Names and states after the naming rule; `shortForm` spells the SMS box as the short user form does.
    void setLooks(const std::array<PrivilegeBoxLook, kPrivilegeBoxes>& looks, bool shortForm = false);
    /// Ticks each box whose bit is set and clears the others.
    void setValue(std::uint32_t power);
    /// The value of the ticked boxes alone.
    std::uint32_t value() const;
    QCheckBox* box(int index) const { return m_boxes[static_cast<std::size_t>(index)]; }

private:
    std::array<QCheckBox*, kPrivilegeBoxes> m_boxes{};
};

} // namespace qar::ui
