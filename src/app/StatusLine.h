#pragma once

#include <string>
#include <string_view>

namespace qar
{

/// What the main window's status line says about the server.
enum class ServerState
{
    Running,
    Stopped,
    NotOnThisMachine, ///< a remote start, or no RXServer.exe beside the tool: nothing here to look at
};

/// The server's state for the status line: a server beside the tool is running or stopped; started by
/// the desktop client with "-SetIP:", or without the server's program beside it, the tool cannot see it.
ServerState DecideServerState(bool running, bool serverInstalled, bool remoteStart);

/// The string id of a server state's text.
int ServerStateTextId(ServerState state);

/// The data source a connection string names: its DSN, else the file name of its Database (a
/// connection made without a data source), else empty.
std::string DataSourceName(std::string_view connect);

} // namespace qar
