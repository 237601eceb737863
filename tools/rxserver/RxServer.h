#pragma once

#include "vexnet/VexFrame.h"

#include <chrono>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace qar::rxserver
{

class ChangeLogWatcher;
class ServerWindow;

struct ServerOptions
{
    std::uint16_t port = 0;
    /// Addresses to accept clients on; the first must work.
    std::vector<std::string> addresses{"127.0.0.1"};
    /// Pause between unasked 290 replies; 0 sends them only on request.
    std::chrono::milliseconds replyInterval{30000};
    std::chrono::milliseconds pollInterval{2000};
    bool window = true;
};

/// The server's event loop: clients of the network library, the reply timer, the change-log poll,
/// the X11 window and the signals. Every line it prints is flushed at once.
class RxServer
{
public:
    explicit RxServer(ServerOptions options);
    ~RxServer();
    RxServer(const RxServer&) = delete;
    RxServer& operator=(const RxServer&) = delete;

    /// Runs until SIGTERM or SIGINT (which the caller has blocked, see main); the exit code.
    int run(int signalFd);

private:
    struct Client
    {
        std::string peer;
        VexFrameReader reader;
        std::vector<std::uint8_t> output;
    };

    bool listen();
    void accept(int listener);
    bool readClient(int fd, Client& client);
    bool writeClient(int fd, Client& client);
    void dropClient(int fd, const char* why);
    void handlePayload(int fd, Client& client, const VexPayload& payload);
    void sendReply(int fd, Client& client);
    void replyToAll(const char* why);

    ServerOptions m_options;
    std::vector<int> m_listeners;
    std::map<int, Client> m_clients;
    std::unique_ptr<ChangeLogWatcher> m_changeLog;
    std::unique_ptr<ServerWindow> m_window;
    std::uint32_t m_replies = 0;
};

/// Prints one line of the server's output and flushes it.
void say(const std::string& line);

} // namespace qar::rxserver
