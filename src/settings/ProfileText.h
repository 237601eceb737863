#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace qar
{

/// Where a key of a section lies in the text of a settings file, as the profile functions find it:
/// the first section whose name matches, then the first key line in it whose name matches (ASCII case
/// ignored, blanks around names and values ignored).
struct ProfileLocation
{
    bool sectionFound = false;
    bool keyFound = false;
    std::size_t valueBegin = 0; ///< the value without its surrounding blanks, when keyFound
    std::size_t valueEnd = 0;
    std::size_t insertAt = 0;    ///< where a new key line of the section goes, when sectionFound
    bool insertNeedsEol = false; ///< the line before insertAt has no line end (last line of the file)
};

/// Locates `key` of `section` in `text`. Names are taken as passed; callers trim them.
ProfileLocation LocateProfileKey(std::string_view text, std::string_view section, std::string_view key);

/// The value as a read returns it: cut at a NUL byte, a pair of matching surrounding quotes removed.
std::string_view ProfileValueForRead(std::string_view raw);

/// `text` with key=value written into section, creating the key and the section as needed; every
/// other byte stays as it was. New lines use the file's line ends (CR LF for a file without any).
std::string WriteProfileKey(std::string_view text, std::string_view section, std::string_view key,
                            std::string_view value);

/// Blanks around names and values: the C library's white space and the end-of-file mark (Ctrl-Z).
bool IsProfileBlank(char c);

/// `s` without leading and trailing blanks.
std::string_view TrimProfileBlanks(std::string_view s);

} // namespace qar
