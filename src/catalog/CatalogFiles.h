#pragma once

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qar
{

// What the applications, message types and websites catalogues share: where their files lie, how
// their icon files are checked, copied and removed, how their sorted lists order entries and how their
// forms read numbers.

/// Program directory + "\UserData\config\xmldata\" + `fileName`.
std::string CatalogXmlPath(std::string_view fileName);
/// The icon folder, program directory + "\UserData\config\icodata".
std::string IconFolderPath();
/// The folder the icon file form opens in, program directory + "\Iconlib".
std::string IconLibraryPath();
/// Icons are offered only while the icon folder exists.
bool IconFolderExists();
/// The icon folder + "/" + `fileName`.
std::string IconFilePath(std::string_view fileName);

/// Largest icon file accepted, in bytes.
inline constexpr std::uint32_t kMaxIconBytes = 8000;
/// Whether `bytes` hold an icon file: an icon directory whose images (bitmap or PNG) lie in the file.
bool LooksLikeIcon(std::string_view bytes);
/// The message a chosen icon file earns: 0 when it can be used, 231 missing, 232 larger than
/// kMaxIconBytes, 233 not an icon.
int CheckIconFile(const std::string& path);
/// Copies a checked icon file over `target`, whole or not at all.
bool InstallIcon(const std::string& from, const std::string& target);
/// Removes an icon file; true when it is gone (also when it was never there).
bool RemoveIconFile(const std::string& path);

/// A whole number as a form field holds it: blanks around, an optional sign, digits, within int.
std::optional<std::int32_t> ParseFormInt(std::string_view text);
/// An unsigned 32-bit number as a form field holds it: blanks around, digits only.
std::optional<std::uint32_t> ParseFormUnsigned(std::string_view text);

/// The first failed check of a catalogue form: the message, the field to focus and, for the form
/// framework's range prompt (str::kEnterIntegerRange), the range.
template <class Field> struct CatalogFormError
{
    int messageId = 0;
    Field field{};
    int rangeMin = 0;
    int rangeMax = 0;
};

/// "%d", or "%0*d" with a width, as the lists show numbers.
std::string FormatNumber(std::int64_t value, int width = 0);

/// Catalogue lists are sorted ascending by the text of their first column, so "10" comes before "9";
/// entries of equal text keep the order they came in.
template <class Entry, class KeyText> void SortByKeyText(std::vector<Entry>& rows, KeyText keyText)
{
    const auto less = [&](const Entry& a, const Entry& b) { return keyText(a) < keyText(b); };
    // Files this tool wrote are in order already.
    if (std::is_sorted(rows.begin(), rows.end(), less)) {
        return;
    }
    std::stable_sort(rows.begin(), rows.end(), less);
}

/// Where a new entry goes in such a list: behind every entry whose text is not greater.
template <class Entry, class KeyText>
std::size_t SortedInsertPosition(const std::vector<Entry>& rows, const Entry& entry, KeyText keyText)
{
    const auto key = keyText(entry);
    const auto it =
        std::upper_bound(rows.begin(), rows.end(), key, [&](const auto& k, const Entry& e) { return k < keyText(e); });
    return static_cast<std::size_t>(it - rows.begin());
}

/// The text of a number as a short value that compares like the text ("%d" or "%03d").
struct NumberText
{
    char text[24] = {};
    std::uint8_t size = 0;

    NumberText(std::int64_t value, int width = 0);
    std::string_view view() const { return {text, size}; }
    bool operator<(const NumberText& other) const { return view() < other.view(); }
};

} // namespace qar
