#include "controls/EditRules.h"

namespace qar
{
namespace
{

bool isDigit(char32_t c)
{
    return c >= U'0' && c <= U'9';
}

bool isEditingKey(char32_t c)
{
    return c == kCharBackspace || c == kCharCopy || c == kCharPaste || c == kCharCut || c == kCharUndo;
}

} // namespace

bool MathEditAcceptsPaste(const MathEditSettings& settings, std::string_view clipboard)
{
    int dots = 0;
    for (std::size_t i = 0; i < clipboard.size(); ++i) {
        const char ch = clipboard[i];
        if (ch == '.') {
            ++dots;
            continue;
        }
        if (ch == '-' && i == 0 && settings.allowNegative) {
            continue;
        }
        if (!isDigit(static_cast<unsigned char>(ch))) {
            return false;
        }
    }
    return dots <= 1 && !(settings.integerOnly && dots > 0);
}

bool MathEditAccepts(const MathEditSettings& settings, std::string_view text, int selStart, int selEnd, char32_t c,
                     std::string_view clipboard)
{
    if (!settings.numericFilter) {
        return true;
    }
    if (c == U'-' && settings.allowNegative && (text.empty() || selStart == 0)) {
        // A minus goes in front only, once; a selection from the start over the whole text is replaced
        // by it.
        const bool wholeSelected = selStart == 0 && selEnd >= static_cast<int>(text.size());
        if (text.find('-') == std::string_view::npos || wholeSelected) {
            return true;
        }
    }
    if (c == U'.' && (text.find('.') != std::string_view::npos || settings.integerOnly)) {
        return false;
    }
    // No second zero after a lone zero.
    if (c == U'0' && text == "0") {
        return false;
    }
    if (!isDigit(c) && c != U'.' && !isEditingKey(c)) {
        return false;
    }
    if (c == kCharPaste) {
        return MathEditAcceptsPaste(settings, clipboard);
    }
    return true;
}

bool DigitsOnlyAccepts(bool digitsOnly, char32_t c)
{
    return !digitsOnly || isDigit(c) || isEditingKey(c);
}

} // namespace qar
