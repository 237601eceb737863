#include "app/StatusLine.h"

#include "resources/StringIds.h"

#include <algorithm>
#include <cctype>

namespace qar
{
namespace
{

/// The value of `key` in a connection string ("KEY=value;KEY={value;with}}braces}"), keys compared
/// without regard to case; empty when the key is missing.
std::string valueOf(std::string_view connect, std::string_view key)
{
    std::size_t i = 0;
    while (i < connect.size()) {
        const std::size_t eq = connect.find('=', i);
        if (eq == std::string_view::npos) {
            break;
        }
        const std::string_view name = connect.substr(i, eq - i);
        std::string value;
        i = eq + 1;
        if (i < connect.size() && connect[i] == '{') {
            // Braced: up to the "}" that is not doubled; "}}" stands for one "}".
            for (++i; i < connect.size(); ++i) {
                if (connect[i] == '}') {
                    if (i + 1 < connect.size() && connect[i + 1] == '}') {
                        value += '}';
                        ++i;
                        continue;
                    }
                    ++i;
                    break;
                }
                value += connect[i];
            }
            i = std::min(connect.find(';', i), connect.size());
        } else {
            const std::size_t end = std::min(connect.find(';', i), connect.size());
            value = connect.substr(i, end - i);
            i = end;
        }
        ++i; // the ';'
        const bool same =
            name.size() == key.size() && std::equal(key.begin(), key.end(), name.begin(), [](char a, char b) {
                return std::toupper(static_cast<unsigned char>(a)) == std::toupper(static_cast<unsigned char>(b));
            });
        if (same) {
            return value;
        }
    }
    return {};
}

} // namespace

ServerState DecideServerState(bool running, bool serverInstalled, bool remoteStart)
{
    if (remoteStart || !serverInstalled) {
        return ServerState::NotOnThisMachine;
    }
    return running ? ServerState::Running : ServerState::Stopped;
}

int ServerStateTextId(ServerState state)
{
    switch (state) {
    case ServerState::Running:
        return str::kStatusServerRunning;
    case ServerState::Stopped:
        return str::kStatusServerStopped;
    case ServerState::NotOnThisMachine:
        break;
    }
    return str::kStatusServerElsewhere;
}

std::string DataSourceName(std::string_view connect)
{
    if (connect.starts_with("ODBC;")) {
        connect.remove_prefix(5);
    }
    std::string name = valueOf(connect, "DSN");
    if (name.empty()) {
        name = valueOf(connect, "Database");
        name = name.substr(name.find_last_of('/') == std::string::npos ? 0 : name.find_last_of('/') + 1);
    }
    return name;
}

} // namespace qar
