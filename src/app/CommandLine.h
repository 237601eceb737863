#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace qar
{

/// The start options the main window keeps for its whole life.
struct StartOptions
{
    bool firstRun = false;
    int currentGroup = 0;
    bool systemManager = true;
    std::string serverAddress; ///< the "-SetIP:" address of a remote start, verbatim
};

/// Reads "-SetIP:" address "-Group" one character, number, "-SystemManager" or "-GroupManager" from the
/// whole command line (switches are case-sensitive substrings). On success sets the address, the group
/// and the mode in `options`; on failure leaves `options` as it was.
bool ParseRemoteCommandLine(std::string_view cmdline, StartOptions& options);

/// True when "-first" appears anywhere in the command line, also inside another word.
bool HasFirstRunSwitch(std::string_view cmdline);

/// The start options for a start beside the server (`localStart`) or by the desktop client. `ok` is
/// false when a remote start's command line does not name the server, group and mode.
StartOptions StartOptionsFor(std::string_view cmdline, bool localStart, bool& ok);

/// The MySQL character set to register for a remote start: "big5" (any case) on a GBK system becomes
/// "gbk", "gbk" (exactly) on a Big5 system becomes "big5", and a UTF-8 system always gets "utf8mb4".
std::string AdjustMySqlCharset(const std::string& configured, int lcid);

/// The program's arguments as the one command-line string the switches are looked for in: the
/// arguments after the program name (argv[0], skipped), separated by single spaces. The program's own
/// path is left out so that a folder named like a switch cannot select a mode.
std::string JoinCommandLine(int argc, const char* const* argv);
/// The same for a list that starts with the program name, as QCoreApplication::arguments() does.
std::string JoinCommandLine(const std::vector<std::string>& argv);

} // namespace qar
