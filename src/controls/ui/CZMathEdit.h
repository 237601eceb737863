#pragma once

#include "controls/EditRules.h"
#include "controls/ui/FilteredLineEdit.h"

namespace qar::ui
{

/// A field that takes only a well-formed number as it is typed or pasted, once the owning form turns
/// the filter on; without it, a plain text field.
class CZMathEdit : public FilteredLineEdit
{
    Q_OBJECT

public:
    explicit CZMathEdit(QWidget* parent = nullptr);

    void setSettings(const MathEditSettings& settings) { m_settings = settings; }
    const MathEditSettings& settings() const { return m_settings; }

protected:
    bool acceptsChar(char32_t c) override;
    bool acceptsPaste(const QString& text) override;

private:
    MathEditSettings m_settings;
};

} // namespace qar::ui
