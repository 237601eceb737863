#pragma once

#include "controls/ui/FilteredLineEdit.h"

namespace qar::ui
{

/// A field that takes typed digits only while `digitsOnly` is on. Pasted text is taken as it is.
class DigitsOnlyEdit : public FilteredLineEdit
{
    Q_OBJECT

public:
    explicit DigitsOnlyEdit(QWidget* parent = nullptr);

    void setDigitsOnly(bool on) { m_digitsOnly = on; }
    bool digitsOnly() const { return m_digitsOnly; }

protected:
    bool acceptsChar(char32_t c) override;
    bool acceptsPaste(const QString& text) override;

private:
    bool m_digitsOnly = false;
};

} // namespace qar::ui
