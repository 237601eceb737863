// The command line comes from the desktop client (or anyone starting the tool): any text must parse
// without a crash, and what a successful parse reports must agree with the text.
#include "app/CommandLine.h"
#include "platform/Locale.h"
#include "platform/TextUtil.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::string_view line(reinterpret_cast<const char*>(data), size);

    qar::StartOptions options;
    bool parsed = qar::ParseRemoteCommandLine(line, options);
    if (parsed && (options.serverAddress.empty() || line.find(options.serverAddress) == std::string_view::npos ||
                   line.find("-SetIP:") == std::string_view::npos)) {
        std::abort();
    }

    bool ok = false;
    qar::StartOptions local = qar::StartOptionsFor(line, true, ok);
    if (!ok || local.currentGroup != 0 || !local.systemManager || local.firstRun != qar::HasFirstRunSwitch(line)) {
        std::abort();
    }
    qar::StartOptions remote = qar::StartOptionsFor(line, false, ok);
    if (ok != parsed ||
        (ok && (remote.currentGroup != options.currentGroup || remote.systemManager != options.systemManager))) {
        std::abort();
    }

    for (int lcid : {qar::kLcidSimplifiedChinese, qar::kLcidTraditionalChinese, qar::kLcidEnglish}) {
        qar::AdjustMySqlCharset(std::string(line), lcid);
    }

    // The address helpers see the same kind of outside text.
    std::uint32_t address = qar::ParseDottedIPv4(line);
    if (qar::ParseDottedIPv4(qar::FormatDottedIPv4(address)) != address) {
        std::abort();
    }
    qar::AtoI(line);
    return 0;
}
