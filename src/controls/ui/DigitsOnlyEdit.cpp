#include "controls/ui/DigitsOnlyEdit.h"

#include "controls/EditRules.h"

namespace qar::ui
{

DigitsOnlyEdit::DigitsOnlyEdit(QWidget* parent) : FilteredLineEdit(parent) {}

bool DigitsOnlyEdit::acceptsChar(char32_t c)
{
    return DigitsOnlyAccepts(m_digitsOnly, c);
}

bool DigitsOnlyEdit::acceptsPaste(const QString& /*text*/)
{
    return DigitsOnlyAccepts(m_digitsOnly, kCharPaste);
}

} // namespace qar::ui
