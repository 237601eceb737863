#pragma once

#include <string>
#include <string_view>

namespace qar
{

/// Writes why something failed where the administrator sees only a short message (a connection that
/// could not be made, a write the database refused): one entry with the time, on standard error and
/// appended to DiagnosticLogPath(). At 1 MiB the file becomes "qaradmin.log.1" (replacing an older one)
/// and a new one starts. Callers never pass a password or an output connection string. Never throws.
void LogDiagnostic(std::string_view what) noexcept;

/// $XDG_STATE_HOME/qar/qaradmin.log, or ~/.local/state/qar/qaradmin.log when the variable is unset or
/// not an absolute path; empty when neither is known.
std::string DiagnosticLogPath();

/// Size at which the log starts a new file.
inline constexpr std::size_t kDiagnosticLogLimit = 1024 * 1024;

} // namespace qar
