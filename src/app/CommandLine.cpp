#include "app/CommandLine.h"

#include "platform/Locale.h"
#include "platform/TextUtil.h"

namespace qar
{
namespace
{

constexpr std::string_view kSetIp = "-SetIP:";
constexpr std::string_view kGroup = "-Group";
constexpr std::string_view kSystemManager = "-SystemManager";
constexpr std::string_view kGroupManager = "-GroupManager";

/// The text from `pos` on; empty when `pos` lies beyond its end.
std::string_view from(std::string_view text, std::size_t pos)
{
    return pos < text.size() ? text.substr(pos) : std::string_view{};
}

} // namespace

bool ParseRemoteCommandLine(std::string_view cmdline, StartOptions& options)
{
    auto setIp = cmdline.find(kSetIp);
    if (setIp == std::string_view::npos) {
        return false;
    }
    std::string_view rest = from(cmdline, setIp + kSetIp.size());
    auto group = rest.find(kGroup);
    if (group == std::string_view::npos || group == 0) {
        return false;
    }
    std::string_view address = rest.substr(0, group);
    // The character right after "-Group" (a colon as the client writes it) is skipped whatever it is.
    rest = from(rest, group + kGroup.size() + 1);

    bool systemManager = true;
    auto mode = rest.find(kSystemManager);
    if (mode == std::string_view::npos || mode == 0) {
        systemManager = false;
        mode = rest.find(kGroupManager);
        if (mode == std::string_view::npos || mode == 0) {
            return false;
        }
    }
    options.serverAddress = std::string(address);
    options.currentGroup = AtoL(rest.substr(0, mode));
    options.systemManager = systemManager;
    return true;
}

bool HasFirstRunSwitch(std::string_view cmdline)
{
    return cmdline.find("-first") != std::string_view::npos;
}

StartOptions StartOptionsFor(std::string_view cmdline, bool localStart, bool& ok)
{
    StartOptions options;
    options.firstRun = HasFirstRunSwitch(cmdline);
    // Beside the server the tool always manages every group; the client's switches are not read.
    ok = localStart || ParseRemoteCommandLine(cmdline, options);
    return options;
}

std::string AdjustMySqlCharset(const std::string& configured, int lcid)
{
    // Text in the tool is UTF-8 on such a system: the server must send and expect UTF-8, whatever the
    // setting names (written for a Chinese Windows machine, it names gbk or big5).
    if (CodePageForLcid(lcid) == CodePage::Utf8) {
        return "utf8mb4";
    }
    if (lcid == kLcidSimplifiedChinese && EqualsNoCase(configured, "big5")) {
        return "gbk";
    }
    if (lcid == kLcidTraditionalChinese && configured == "gbk") {
        return "big5";
    }
    return configured;
}

std::string JoinCommandLine(int argc, const char* const* argv)
{
    std::string line;
    for (int i = 1; i < argc; ++i) {
        if (i > 1) {
            line += ' ';
        }
        if (argv[i]) {
            line += argv[i];
        }
    }
    return line;
}

std::string JoinCommandLine(const std::vector<std::string>& argv)
{
    std::string line;
    for (std::size_t i = 1; i < argv.size(); ++i) {
        if (i > 1) {
            line += ' ';
        }
        line += argv[i];
    }
    return line;
}

} // namespace qar
