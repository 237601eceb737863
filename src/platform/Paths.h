#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace qar
{

/// Directory of the running executable without a trailing separator; QAR_PROGRAM_DIR overrides it.
std::string GetProgramDir();

/// Program directory + a relative path written the system's way ("\UserData\config\DB.dat"); the
/// backslashes become '/', letters and case stay as they are.
std::string ProgramPath(std::string_view relative);

/// Program directory + "\UserData\config\EnvInfo.dat": the corporation and the default net-disk size.
std::string EnvInfoPath();

/// The directory above `dir` (trailing separators removed, cut before the last separator).
std::string ParentDirectory(std::string_view dir);

/// Where the first-run hand-off files lie: QAR_WINDOWS_DIR, default /var/lib/qar.
std::string GetWindowsDir();

/// Where the ODBC driver libraries lie: QAR_SYSTEM_DIR, else the folder of the SQLite driver's
/// registration (odbcinst.ini) when it names a full path, else the host's ODBC driver folder. Reading
/// the registration is an ODBC call: the driver manager takes ODBCSYSINI as it is at that moment.
std::string GetSystemDir();

bool FileExists(const std::string& path);
bool DirectoryExists(const std::string& path);
/// Length in bytes, 0 when the file cannot be opened.
std::uint32_t GetFileLength(const std::string& path);

} // namespace qar
