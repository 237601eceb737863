#include "controls/ui/CZMathEdit.h"

namespace qar::ui
{

CZMathEdit::CZMathEdit(QWidget* parent) : FilteredLineEdit(parent) {}

bool CZMathEdit::acceptsChar(char32_t c)
{
    const Snapshot s = snapshot();
    return MathEditAccepts(m_settings, s.text, s.selStart, s.selEnd, c, {});
}

bool CZMathEdit::acceptsPaste(const QString& text)
{
    const Snapshot s = snapshot();
    return MathEditAccepts(m_settings, s.text, s.selStart, s.selEnd, kCharPaste, text.toStdString());
}

} // namespace qar::ui
