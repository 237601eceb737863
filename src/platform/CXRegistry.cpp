#include "platform/CXRegistry.h"

#include <odbcinst.h>

#include <array>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

// Where the driver manager keeps its system files: $ODBCSYSINI, else its built-in folder, read once per
// process. libodbcinst exports it (it is what `odbcinst -j` prints) but declares it only for its own
// sources.
extern "C" char* odbcinst_system_file_path(char* buffer);

namespace qar
{

namespace
{

constexpr const char* kOdbcIni = "odbc.ini";
constexpr const char* kDataSourcesSection = "ODBC Data Sources";
// The keys above a data source; they always exist and hold no values of their own.
constexpr std::array<const char*, 3> kOdbcIniPath = {"SOFTWARE", "ODBC", "ODBC.INI"};
// A value read back can never hold a line break, so this default tells "missing" from "empty".
constexpr const char* kMissing = "\n";
constexpr std::size_t kMaxString = 255;
constexpr int kValueBuffer = 1100;     // unixODBC keeps values of up to 1000 bytes
constexpr int kListBuffer = 64 * 1024; // section and value-name lists

// The configuration mode is process-wide and the driver manager looks data sources up with it when a
// connection opens, so every call states the file it means and puts the previous mode back.
class ConfigModeScope
{
public:
    explicit ConfigModeScope(UWORD mode)
    {
        if (!SQLGetConfigMode(&m_previous)) {
            m_previous = ODBC_BOTH_DSN;
        }
        SQLSetConfigMode(mode);
    }
    ~ConfigModeScope() { SQLSetConfigMode(m_previous); }
    ConfigModeScope(const ConfigModeScope&) = delete;
    ConfigModeScope& operator=(const ConfigModeScope&) = delete;

private:
    UWORD m_previous = ODBC_BOTH_DSN;
};

bool equalsNoCase(const std::string& a, const char* b)
{
    return strcasecmp(a.c_str(), b) == 0;
}

bool startsWithNoCase(const std::string& text, const std::string& prefix)
{
    return text.size() >= prefix.size() && strncasecmp(text.c_str(), prefix.c_str(), prefix.size()) == 0;
}

std::vector<std::string> splitKeyPath(const std::string& path)
{
    std::vector<std::string> parts;
    std::string part;
    for (char c : path) {
        if (c == '\\') {
            if (!part.empty()) {
                parts.push_back(part);
            }
            part.clear();
        } else {
            part += c;
        }
    }
    if (!part.empty()) {
        parts.push_back(part);
    }
    return parts;
}

// The NUL-separated list the profile functions return for a section or value-name query.
std::vector<std::string> splitNameList(const std::vector<char>& buffer, int length)
{
    std::vector<std::string> names;
    std::string name;
    for (int i = 0; i < length && i < static_cast<int>(buffer.size()); ++i) {
        if (buffer[i] == '\0') {
            if (!name.empty()) {
                names.push_back(name);
            }
            name.clear();
        } else {
            name += buffer[i];
        }
    }
    if (!name.empty()) {
        names.push_back(name);
    }
    return names;
}

bool isBinaryText(const std::string& text)
{
    // "hex:" then two-digit bytes separated by commas, the notation of registry export files.
    if (text.size() < 6 || text.compare(0, 4, "hex:") != 0 || (text.size() - 4) % 3 != 2) {
        return false;
    }
    for (std::size_t i = 4; i < text.size(); ++i) {
        const char c = text[i];
        const bool separator = (i - 4) % 3 == 2;
        if (separator ? c != ',' : !std::isxdigit(static_cast<unsigned char>(c))) {
            return false;
        }
    }
    return true;
}

bool isValidValueName(const std::string& name)
{
    // The unnamed value has no place in an ini file, and these characters would change the file's
    // structure rather than the value.
    if (name.empty() || name[0] == '[' || name[0] == ';' || name[0] == '#') {
        return false;
    }
    return name.find_first_of("=\n\r") == std::string::npos;
}

// The file a mode writes: the system file in $ODBCSYSINI (or the driver manager's own folder), the user
// file $ODBCINI or ~/.odbc.ini. Empty when it cannot be told.
std::string storeFile(bool system)
{
    if (system) {
        std::array<char, 4352> buffer{};
        const char* dir = odbcinst_system_file_path(buffer.data());
        return dir != nullptr ? std::string(dir) + "/" + kOdbcIni : std::string();
    }
    const char* userFile = std::getenv("ODBCINI");
    if (userFile != nullptr && userFile[0] != '\0') {
        return userFile;
    }
    const char* home = std::getenv("HOME");
    return home != nullptr && home[0] != '\0' ? std::string(home) + "/.odbc.ini" : std::string();
}

// The data sources hold their passwords, so a file made here is readable by its owner only. The driver
// manager would create it with the process's default mode (world-readable as a rule); it rewrites an
// existing file in place, keeping whatever mode the administrator gave it. A write in system mode also
// fails while the system file does not exist, so it is created empty first.
void ensureStoreFile(bool system)
{
    const std::string file = storeFile(system);
    struct stat st
    {};
    if (file.empty() || stat(file.c_str(), &st) == 0) {
        return;
    }
    const int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd >= 0) {
        ::fchmod(fd, 0600); // the mode asked for at creation is narrowed by the umask, never widened
        ::close(fd);
    }
}

} // namespace

struct CXRegistry::Location
{
    enum class Kind
    {
        Unsupported, ///< outside the data-source store, or a root without a file
        Ancestor,    ///< "SOFTWARE", "SOFTWARE\ODBC" or "SOFTWARE\ODBC\ODBC.INI"
        Key,         ///< a data source or the data-source list, possibly a key below it
    };
    Kind kind = Kind::Unsupported;
    std::string section;
    std::string prefix; ///< "Engines\Jet\" for a key below a data source
};

bool CXRegistry::SetRootKey(RegRoot root)
{
    switch (root) {
    case RegRoot::ClassesRoot:
    case RegRoot::CurrentUser:
    case RegRoot::LocalMachine:
    case RegRoot::Users:
        m_rootKey = root;
        return true;
    }
    return false;
}

CXRegistry::Location CXRegistry::locate(const std::string& path) const
{
    Location loc;
    if (m_rootKey != HKEY_CURRENT_USER && m_rootKey != HKEY_LOCAL_MACHINE) {
        return loc;
    }
    const std::vector<std::string> parts = splitKeyPath(path);
    for (std::size_t i = 0; i < parts.size() && i < kOdbcIniPath.size(); ++i) {
        if (!equalsNoCase(parts[i], kOdbcIniPath[i])) {
            return loc;
        }
    }
    if (parts.size() <= kOdbcIniPath.size()) {
        loc.kind = Location::Kind::Ancestor;
        return loc;
    }
    loc.section = parts[kOdbcIniPath.size()];
    if (loc.section.find_first_of("[]\n\r") != std::string::npos) {
        return loc;
    }
    for (std::size_t i = kOdbcIniPath.size() + 1; i < parts.size(); ++i) {
        loc.prefix += parts[i] + "\\";
    }
    loc.kind = Location::Kind::Key;
    return loc;
}

std::uint16_t CXRegistry::configMode() const
{
    return m_rootKey == HKEY_LOCAL_MACHINE ? ODBC_SYSTEM_DSN : ODBC_USER_DSN;
}

bool CXRegistry::sectionExists(const Location& loc)
{
    // unixODBC leaves the data-source list out of its section lists; like the store itself it always
    // exists, and its first value creates its section.
    if (equalsNoCase(loc.section, kDataSourcesSection)) {
        return true;
    }
    std::vector<char> buffer(kListBuffer);
    int length = 0;
    {
        ConfigModeScope mode(configMode());
        length = SQLGetPrivateProfileString(nullptr, nullptr, "", buffer.data(), kListBuffer, kOdbcIni);
    }
    for (const std::string& name : splitNameList(buffer, length)) {
        if (equalsNoCase(name, loc.section.c_str())) {
            return true;
        }
    }
    return false;
}

bool CXRegistry::subkeyExists(const Location& loc)
{
    std::vector<char> buffer(kListBuffer);
    int length = 0;
    {
        ConfigModeScope mode(configMode());
        length = SQLGetPrivateProfileString(loc.section.c_str(), nullptr, "", buffer.data(), kListBuffer, kOdbcIni);
    }
    for (const std::string& name : splitNameList(buffer, length)) {
        if (startsWithNoCase(name, loc.prefix)) {
            return true;
        }
    }
    return false;
}

bool CXRegistry::createSection(const Location& loc)
{
    // The profile functions create a section only along with a value: write a placeholder and take it
    // away again, which leaves the section standing empty, as a freshly created key is.
    static const char* const kPlaceholder = "QarKeyPlaceholder";
    ConfigModeScope mode(configMode());
    if (!SQLWritePrivateProfileString(loc.section.c_str(), kPlaceholder, "", kOdbcIni)) {
        return false;
    }
    SQLSetConfigMode(configMode());
    SQLWritePrivateProfileString(loc.section.c_str(), kPlaceholder, nullptr, kOdbcIni);
    return true;
}

bool CXRegistry::SetKey(const std::string& path, bool create)
{
    if (path.empty()) {
        m_keyPath.clear();
        m_lastError = kRegErrorSuccess;
        return true;
    }
    const Location loc = locate(path);
    if (loc.kind == Location::Kind::Unsupported) {
        m_lastError = create ? kRegErrorAccessDenied : kRegErrorFileNotFound;
        return false;
    }
    if (loc.kind == Location::Kind::Key) {
        if (create) {
            ensureStoreFile(m_rootKey == HKEY_LOCAL_MACHINE);
            if (!sectionExists(loc) && !createSection(loc)) {
                m_lastError = kRegErrorAccessDenied;
                return false;
            }
            // A key below a data source has no mark of its own in the file: it shows through its values.
        } else if (!sectionExists(loc) || (!loc.prefix.empty() && !subkeyExists(loc))) {
            m_lastError = kRegErrorFileNotFound;
            return false;
        }
    }
    // Every write goes to the file at once, so a non-lazy flush has nothing left to do.
    m_lastError = kRegErrorSuccess;
    m_keyPath = path;
    return true;
}

bool CXRegistry::readRaw(const std::string& name, std::string& value)
{
    const Location loc = locate(m_keyPath);
    if (loc.kind != Location::Kind::Key || !isValidValueName(name)) {
        m_lastError = kRegErrorFileNotFound;
        return false;
    }
    const std::string entry = loc.prefix + name;
    std::vector<char> buffer(kValueBuffer);
    int length = 0;
    {
        ConfigModeScope mode(configMode());
        length = SQLGetPrivateProfileString(loc.section.c_str(), entry.c_str(), kMissing, buffer.data(), kValueBuffer,
                                            kOdbcIni);
    }
    if (length < 0 || std::string(buffer.data()) == kMissing) {
        m_lastError = kRegErrorFileNotFound;
        return false;
    }
    m_lastError = kRegErrorSuccess;
    value.assign(buffer.data());
    return true;
}

bool CXRegistry::writeRaw(const std::string& name, const std::string& text)
{
    const Location loc = locate(m_keyPath);
    if (loc.kind == Location::Kind::Ancestor) {
        m_lastError = kRegErrorAccessDenied;
        return false;
    }
    if (loc.kind != Location::Kind::Key) {
        m_lastError = kRegErrorFileNotFound;
        return false;
    }
    if (!isValidValueName(name) || text.find_first_of("\n\r") != std::string::npos) {
        m_lastError = kRegErrorInvalidParameter;
        return false;
    }
    ensureStoreFile(m_rootKey == HKEY_LOCAL_MACHINE);
    // The key is opened afresh for each value: one removed meanwhile is not brought back.
    if (!sectionExists(loc)) {
        m_lastError = kRegErrorFileNotFound;
        return false;
    }
    const std::string entry = loc.prefix + name;
    ConfigModeScope mode(configMode());
    if (!SQLWritePrivateProfileString(loc.section.c_str(), entry.c_str(), text.c_str(), kOdbcIni)) {
        m_lastError = kRegErrorAccessDenied;
        return false;
    }
    m_lastError = kRegErrorSuccess;
    return true;
}

int CXRegistry::GetValueType(const std::string& name)
{
    std::string value;
    if (!readRaw(name, value)) {
        return kRegNone;
    }
    return isBinaryText(value) ? kRegBinary : kRegSz;
}

std::string CXRegistry::ReadString(const std::string& name, const std::string& def)
{
    std::string value;
    if (!readRaw(name, value) || isBinaryText(value) || value.size() >= kMaxString) {
        return def;
    }
    return value;
}

bool CXRegistry::WriteString(const std::string& name, const std::string& value)
{
    if (value.size() >= kMaxString) {
        return false;
    }
    return writeRaw(name, value);
}

bool CXRegistry::WriteBinaryInt(const std::string& name, int value)
{
    const auto bits = static_cast<std::uint32_t>(value);
    std::array<char, 20> text{};
    std::snprintf(text.data(), text.size(), "hex:%02x,%02x,%02x,%02x", bits & 0xffU, (bits >> 8) & 0xffU,
                  (bits >> 16) & 0xffU, (bits >> 24) & 0xffU);
    return writeRaw(name, text.data());
}

void CXRegistry::reset()
{
    m_keyPath.clear();
    m_rootKey = HKEY_CURRENT_USER;
    m_lazyWrite = true;
}

std::vector<std::string> DataSourceFilesReadableByOthers()
{
    std::vector<std::string> files;
    for (bool system : {true, false}) {
        const std::string file = storeFile(system);
        struct stat st
        {};
        if (!file.empty() && stat(file.c_str(), &st) == 0 && (st.st_mode & (S_IRGRP | S_IROTH)) != 0) {
            files.push_back(file);
        }
    }
    return files;
}

} // namespace qar
