#pragma once

#include "platform/SafeFile.h"
#include "xml/CXMarkup.h"

#include <string>
#include <string_view>

namespace qar
{

/// An XML file of the system: a CXMarkup that starts as the XML declaration of the system's code page,
/// knows the encoding a loaded file declares and converts the Big5/GB text of a file written on a
/// machine of another code page.
class CXMarkupFile : public CXMarkup
{
public:
    /// The declaration alone, labelled for the system default locale.
    CXMarkupFile();

    /// Makes the declaration the whole text. An empty label picks one from the system locale
    /// ("BIG5", "GB2312", "UTF-8").
    void SetDeclaration(std::string_view label, bool standalone);

    /// Reads the file (any line ends, each becoming CR LF) and parses it; the encoding is taken from
    /// the first line. False when the file does not open or does not parse.
    bool LoadFile(const std::string& path);
    /// Writes the text, every LF as CR LF, through a temporary file renamed over the target, so that
    /// a failed save leaves the old file whole. False on an empty text or a file that cannot be written.
    bool SaveFile(const std::string& path) const;
    /// SaveFile, telling why a save failed (EINVAL for an empty text).
    FileWriteResult SaveFileChecked(const std::string& path) const;

    /// Locale id of the document's encoding: 1028 Big5, 2052 GB2312, 0 unknown or UTF-8.
    int GetEncodingLcid() const { return m_encodingLcid; }

    /// Text of a file labelled BIG5 or GB2312 for this system: Big5 becomes GB text on a GB system and
    /// the other way round; both become UTF-8 on a UTF-8 system. Anything else is returned unchanged.
    std::string ConvertForSystem(std::string_view text) const;
    /// The same for a text the caller gives up: returned as it is where nothing needs converting.
    std::string ConvertForSystem(std::string&& text) const;
    std::string GetTextForSystem() const { return ConvertForSystem(GetText()); }
    std::string GetAttributeForSystem(std::string_view name) const { return ConvertForSystem(GetAttribute(name)); }
    /// The same into `value`, whose room is reused.
    void GetAttributeForSystem(std::string_view name, std::string& value) const;
    /// The attribute as a decimal integer: leading white space, a sign, digits; 0 when there are none.
    int GetAttributeInt(std::string_view name) const;

private:
    int m_encodingLcid = 0;
};

/// The declaration label of the system default locale: "BIG5", "GB2312" or "UTF-8".
const char* SystemEncodingLabel();

/// Writes a new XML file holding the declaration and an empty root element on one line. False when
/// the file cannot be written (nothing is reported to the user).
bool WriteSkeletonFile(const std::string& path, std::string_view rootName);

/// Writes bytes in text mode (every LF as CR LF) through a temporary file in the same folder renamed
/// over the target. On failure the target is left as it was.
bool WriteTextFileAtomically(const std::string& path, std::string_view text);
/// WriteTextFileAtomically, telling why a write failed.
FileWriteResult WriteTextFileChecked(const std::string& path, std::string_view text);

} // namespace qar
