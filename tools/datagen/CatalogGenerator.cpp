#include "CatalogGenerator.h"

#include "NamePool.h"

#include <random>
#include <string>

namespace qar
{

std::vector<AppEntry> GenerateApps(int count, std::uint32_t seed, CodePage codePage)
{
    // The types an entry saved by the form can have, automatic ones the most common.
    static constexpr std::int32_t kTypes[] = {0, 0, 0, 5, 13, 21, 7, 15, 23};
    const NamePool pool(codePage);
    std::mt19937 rng(seed);
    std::vector<AppEntry> apps;
    apps.reserve(static_cast<std::size_t>(count));
    for (int id = 1; id <= count; ++id) {
        AppEntry e;
        e.id = id;
        e.name = pool.unit(rng, id) + " App";
        e.type = kTypes[std::uniform_int_distribution<std::size_t>(0, std::size(kTypes) - 1)(rng)];
        e.group = static_cast<std::int32_t>(rng() % 8);
        const bool clientServer = (e.type & AppType::kClientServer) != 0;
        if (clientServer || (e.type == 0 && id % 2 == 0)) {
            e.location = "C:\\Program Files\\App" + std::to_string(id) + "\\start.exe";
        } else {
            e.location = "http://apps" + std::to_string(id % 50) + ".example.com/start.asp?id=" + std::to_string(id);
        }
        if (clientServer) {
            e.csTitle = "Sign in - " + e.name;
            e.csId1 = 1001;
            e.csId2 = 1002;
            e.csId3 = 1;
        } else if (e.type != 0) {
            e.bsLogin = "login.asp?user=%u&pwd=%p";
        }
        apps.push_back(std::move(e));
    }
    std::stable_sort(apps.begin(), apps.end(),
                     [](const AppEntry& a, const AppEntry& b) { return NumberText(a.id) < NumberText(b.id); });
    return apps;
}

} // namespace qar
