#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace qar
{

/// Exit codes of qarctl.
inline constexpr int kQarCtlOk = 0;
inline constexpr int kQarCtlRefused = 1; ///< rows refused, or problems found by check (report on stderr)
inline constexpr int kQarCtlUsage = 2;
inline constexpr int kQarCtlDatabase = 3; ///< the database is unreachable or refused the import
/// The server never confirmed the import's commit: it may have kept it or not.
inline constexpr int kQarCtlUnconfirmed = 4;

/// The usage text of --help.
const char* QarCtlUsage();

/// Runs one qarctl command line (the arguments after the program name), writing results to `out` and
/// the report and errors to `err`; returns the exit code.
int RunQarCtl(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

} // namespace qar
