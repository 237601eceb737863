#pragma once

#include <QString>

#include <initializer_list>
#include <string>
#include <string_view>

class QWidget;

namespace qar
{
struct WriteFailure;
}

namespace qar::ui
{

/// The string-table text of `id` in the current language.
QString text(int id);

/// The text of `id` with each printf-style "%s" or "%d" replaced by the next argument, in order.
QString formatText(int id, std::initializer_list<QString> args);

/// Core text (bytes in the ANSI code page) to QString and back: the only crossing point between the two.
QString fromAnsi(std::string_view bytes);
std::string toAnsi(const QString& text);

/// What the message of a failed write offers under "Details": the reason in the administrator's language
/// where the tool knows it, then the driver's own text. Empty when there is nothing to add.
QString writeFailureDetails(const WriteFailure& failure);

/// A text as it reads without its keyboard mnemonic ("&Name:" and "名称(&N):" read "Name:" and "名称:").
QString withoutMnemonic(const QString& shown);

/// Sets the texts of a form from the string table: every widget carrying the dynamic property
/// "textId" gets that text (label, button, group box title), one carrying "titleId" gets it as its
/// window title, "accessibleNameId" as the name a screen reader says (a list or field without a label,
/// a button showing only an icon) and "toolTipId" as its tooltip. A list is named after the label whose
/// buddy it is. Forms keep their English text in the
/// .ui file only for the designer's preview.
void applyTextIds(QWidget* form);

} // namespace qar::ui
