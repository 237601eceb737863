#include "org/ui/CPrivilegeBoxes.h"

#include "app/ui/UiText.h"
#include "resources/StringIds.h"

#include <QCheckBox>
#include <QGridLayout>

namespace qar::ui
{

namespace
{

constexpr int kColumns = 3;

int builtInTextId(int box, bool shortForm)
{
    switch (box) {
    case 0:
        return str::kPowerBoxAdministrator;
    case 1:
        return str::kPowerBoxGroupAdministrator;
    case 2:
        return shortForm ? str::kPowerBoxSmsUnlimitedShort : str::kPowerBoxSmsUnlimited;
    default:
        return box < 15 ? str::kPowerBoxSys19 + (box - 3) : str::kPowerBoxReserved;
    }
}

QString objectNameOf(int box)
{
    switch (box) {
    case 0:
        return QStringLiteral("administratorCheckBox");
    case 1:
        return QStringLiteral("groupAdministratorCheckBox");
    case 2:
        return QStringLiteral("smsUnlimitedCheckBox");
    default:
        return box < 15 ? QStringLiteral("sys%1CheckBox").arg(PrivilegeBoxBit(box))
                        : QStringLiteral("reserved%1CheckBox").arg(box - 14);
    }
}

} // namespace

CPrivilegeBoxes::CPrivilegeBoxes(QWidget* parent) : QWidget(parent)
{
    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(0, 0, 0, 0);
    for (int b = 0; b < kPrivilegeBoxes; ++b) {
        auto* box = new QCheckBox(text(builtInTextId(b, false)), this);
        box->setObjectName(objectNameOf(b));
        grid->addWidget(box, b / kColumns, b % kColumns);
        m_boxes[static_cast<std::size_t>(b)] = box;
    }
}

void CPrivilegeBoxes::setLooks(const std::array<PrivilegeBoxLook, kPrivilegeBoxes>& looks, bool shortForm)
{
    for (int b = 0; b < kPrivilegeBoxes; ++b) {
        const PrivilegeBoxLook& look = looks[static_cast<std::size_t>(b)];
        QCheckBox* box = m_boxes[static_cast<std::size_t>(b)];
        box->setText(look.name.empty() ? text(builtInTextId(b, shortForm)) : fromAnsi(look.name));
        box->setEnabled(look.enabled);
    }
}

void CPrivilegeBoxes::setValue(std::uint32_t power)
{
    for (int b = 0; b < kPrivilegeBoxes; ++b) {
        m_boxes[static_cast<std::size_t>(b)]->setChecked(PrivilegeBoxTicked(power, b));
    }
}

std::uint32_t CPrivilegeBoxes::value() const
{
    std::array<bool, kPrivilegeBoxes> ticked{};
    for (int b = 0; b < kPrivilegeBoxes; ++b) {
        ticked[static_cast<std::size_t>(b)] = m_boxes[static_cast<std::size_t>(b)]->isChecked();
    }
    return PowerFromBoxes(ticked);
}

} // namespace qar::ui
