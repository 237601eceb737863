#include "app/StatusLine.h"

#include "db/ConnectString.h"
#include "resources/StringIds.h"

namespace qar
{

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
    std::string name = connectAttribute(connect, "DSN").value_or("");
    if (name.empty()) {
        name = connectAttribute(connect, "Database").value_or("");
        name = name.substr(name.find_last_of('/') == std::string::npos ? 0 : name.find_last_of('/') + 1);
    }
    return name;
}

} // namespace qar
