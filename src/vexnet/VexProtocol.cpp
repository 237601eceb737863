#include "vexnet/VexProtocol.h"

#include <cstdio>
#include <cstdlib>

namespace qar
{

std::uint16_t vexnetPort()
{
    const char* text = std::getenv("QAR_VEXNET_PORT");
    if (text == nullptr || *text == '\0') {
        return kDefaultVexPort;
    }
    char* end = nullptr;
    const long value = std::strtol(text, &end, 10);
    if (*end != '\0' || value < 0 || value > 65535) {
        return kDefaultVexPort;
    }
    return static_cast<std::uint16_t>(value);
}

std::string refreshFlagNames(std::uint32_t flags)
{
    struct Named
    {
        std::uint32_t bit;
        const char* name;
    };
    static constexpr Named kNames[] = {{kRefreshUnits, "units"}, {kRefreshUsers, "users"}, {kRefreshGroups, "groups"}};
    std::string out;
    auto append = [&out](const std::string& word) {
        if (!out.empty()) {
            out += ' ';
        }
        out += word;
    };
    for (const Named& named : kNames) {
        if ((flags & named.bit) != 0) {
            append(named.name);
            flags &= ~named.bit;
        }
    }
    for (std::uint32_t bit = 1; bit != 0; bit <<= 1) {
        if ((flags & bit) != 0) {
            char hex[16];
            std::snprintf(hex, sizeof hex, "0x%x", bit);
            append(hex);
        }
    }
    return out.empty() ? std::string("none") : out;
}

} // namespace qar
