#pragma once

#include <string_view>

namespace qar
{

/// Message a ScrollNotifyListCtrl posts (both parameters 0) to the window holding it on every vertical
/// scroll, before it scrolls.
inline constexpr int kMessageListScrolled = 1900;

/// Control characters a text field receives as typed characters.
inline constexpr char32_t kCharCopy = 3;      ///< Ctrl+C
inline constexpr char32_t kCharBackspace = 8; ///< Backspace
inline constexpr char32_t kCharPaste = 22;    ///< Ctrl+V
inline constexpr char32_t kCharCut = 24;      ///< Ctrl+X
inline constexpr char32_t kCharUndo = 26;     ///< Ctrl+Z

/// Settings of a CZMathEdit, chosen by the owning form when it creates the field.
struct MathEditSettings
{
    bool numericFilter = false; ///< off: the field takes any text
    bool integerOnly = false;   ///< no decimal point
    bool allowNegative = true;  ///< a leading minus sign
};

/// Whether a CZMathEdit accepts the typed character `c` while it holds `text` with the selection
/// [selStart, selEnd) (both equal for a bare caret). For Ctrl+V (kCharPaste) the clipboard's plain text
/// is examined on its own, not the text the paste would produce.
bool MathEditAccepts(const MathEditSettings& settings, std::string_view text, int selStart, int selEnd, char32_t c,
                     std::string_view clipboard);

/// Whether a pasted text passes a CZMathEdit's paste rule: at most one '.', none when integers only, and
/// nothing but digits and '.' besides a leading '-' where negatives are allowed.
bool MathEditAcceptsPaste(const MathEditSettings& settings, std::string_view clipboard);

/// Whether a DigitsOnlyEdit accepts the typed character `c`. Pasted text is not examined.
bool DigitsOnlyAccepts(bool digitsOnly, char32_t c);

} // namespace qar
