#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace qar
{

/// The registry roots the data-source store understands (the Windows handle values are kept).
enum class RegRoot : std::uint32_t
{
    ClassesRoot = 0x80000000,
    CurrentUser = 0x80000001,
    LocalMachine = 0x80000002,
    Users = 0x80000003,
};

inline constexpr RegRoot HKEY_CLASSES_ROOT = RegRoot::ClassesRoot;
inline constexpr RegRoot HKEY_CURRENT_USER = RegRoot::CurrentUser;
inline constexpr RegRoot HKEY_LOCAL_MACHINE = RegRoot::LocalMachine;
inline constexpr RegRoot HKEY_USERS = RegRoot::Users;

/// Registry value types as GetValueType reports them.
inline constexpr int kRegNone = 0;
inline constexpr int kRegSz = 1;
inline constexpr int kRegExpandSz = 2;
inline constexpr int kRegBinary = 3;

/// Result codes kept in lastError(), with the registry's numbers.
inline constexpr long kRegErrorSuccess = 0;
inline constexpr long kRegErrorFileNotFound = 2;
inline constexpr long kRegErrorAccessDenied = 5;
inline constexpr long kRegErrorInvalidParameter = 87;

/// Registry access limited to the ODBC data-source keys, kept in unixODBC's odbc.ini files:
/// HKEY_LOCAL_MACHINE is the system file, HKEY_CURRENT_USER the user file. Key
/// "SOFTWARE\ODBC\ODBC.INI\<name>" is section <name>; a key below it keeps its values in that section
/// under names prefixed with the subkey path ("Engines\Jet\MaxBufferSize"). Every value operation
/// reopens the current key; nothing stays open between calls.
class CXRegistry
{
public:
    CXRegistry() = default;

    /// Accepts the four roots; any other value leaves the root unchanged and returns false.
    bool SetRootKey(RegRoot root);
    /// Makes `path` the current key (empty: the root itself). With `create` the key is created when
    /// missing; otherwise it must exist. On failure the current key stays as it was.
    bool SetKey(const std::string& path, bool create);
    /// kRegSz, kRegBinary ... of the named value; 0 when the key or the value cannot be read.
    int GetValueType(const std::string& name);
    /// The string value when it is one and shorter than 255 bytes, otherwise `def`.
    std::string ReadString(const std::string& name, const std::string& def);
    /// Stores a string value shorter than 255 characters; false for a longer one.
    bool WriteString(const std::string& name, const std::string& value);
    /// Stores the value as 4 little-endian binary bytes ("hex:19,00,00,00").
    bool WriteBinaryInt(const std::string& name, int value);

    /// Current key empty, root HKEY_CURRENT_USER, lazy writing on.
    void reset();

    long lastError() const { return m_lastError; }
    RegRoot rootKey() const { return m_rootKey; }
    bool lazyWrite() const { return m_lazyWrite; }
    void setLazyWrite(bool lazy) { m_lazyWrite = lazy; }
    const std::string& keyPath() const { return m_keyPath; }

private:
    struct Location;

    Location locate(const std::string& path) const;
    bool sectionExists(const Location& loc);
    bool subkeyExists(const Location& loc);
    bool createSection(const Location& loc);
    bool readRaw(const std::string& name, std::string& value);
    bool writeRaw(const std::string& name, const std::string& text);
    std::uint16_t configMode() const;

    long m_lastError = kRegErrorSuccess;
    RegRoot m_rootKey = HKEY_CURRENT_USER;
    bool m_lazyWrite = true;
    std::string m_keyPath;
};

/// The data-source files (the machine's and the user's odbc.ini) that exist and can be read by others than
/// their owner: they hold the data sources' passwords.
std::vector<std::string> DataSourceFilesReadableByOthers();

} // namespace qar
