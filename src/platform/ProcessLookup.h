#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace qar
{

/// The server's executable file name as the tool looks for it in the process list (lower case).
inline constexpr std::string_view kServerProcessName = "rxserver.exe";

/// The file name of a process's executable from what /proc tells about it: the target of its exe
/// link (without a trailing " (deleted)"), else the base name of argv[0] (the first NUL-terminated
/// part of cmdline), else comm. Each source is absent when it could not be read.
std::string executableNameFrom(const std::optional<std::string>& exeLink, const std::optional<std::string>& cmdline,
                               const std::optional<std::string>& comm);

/// The executable file name of a running process; empty when the process is gone or a zombie.
std::string processExecutableName(int pid);

/// The first live process whose executable file name, lower-cased, contains `lowerName`; 0 if none.
int findProcessByName(std::string_view lowerName);

/// The process id of a running server, or 0.
int FindServerProcess();

} // namespace qar
