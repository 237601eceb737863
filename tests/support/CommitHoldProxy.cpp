#include "CommitHoldProxy.h"

#include <arpa/inet.h>
#include <cctype>
#include <netinet/in.h>
#include <poll.h>
#include <stdexcept>
#include <string>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

namespace qar::test
{

namespace
{

using Clock = std::chrono::steady_clock;

struct Pair
{
    int client = -1;
    int server = -1;
    std::string fromClient;      ///< bytes of an incomplete client packet
    std::string toClient;        ///< server bytes held back
    Clock::time_point release{}; ///< when held bytes may go
};

int connectTo(int port)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(static_cast<std::uint16_t>(port));
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (fd >= 0 && ::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0) {
        return fd;
    }
    if (fd >= 0) {
        ::close(fd);
    }
    return -1;
}

bool sendAll(int fd, const std::string& data)
{
    std::size_t sent = 0;
    while (sent < data.size()) {
        const ssize_t n = ::send(fd, data.data() + sent, data.size() - sent, MSG_NOSIGNAL);
        if (n <= 0) {
            return false;
        }
        sent += static_cast<std::size_t>(n);
    }
    return true;
}

// Whether a client packet (3-byte length, sequence number, payload) is the query COMMIT.
bool isCommit(const std::string& packet)
{
    constexpr char kComQuery = 0x03;
    if (packet.size() < 5 || packet[4] != kComQuery) {
        return false;
    }
    std::string sql;
    for (std::size_t i = 5; i < packet.size(); ++i) {
        sql += static_cast<char>(std::toupper(static_cast<unsigned char>(packet[i])));
    }
    return sql.rfind("COMMIT", 0) == 0;
}

void closePair(Pair& p)
{
    ::close(p.client);
    ::close(p.server);
    p.client = p.server = -1;
}

} // namespace

CommitHoldProxy::CommitHoldProxy(int serverPort) : m_serverPort(serverPort)
{
    m_listen = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof addr;
    if (m_listen < 0 || ::bind(m_listen, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
        ::listen(m_listen, 8) != 0 || ::getsockname(m_listen, reinterpret_cast<sockaddr*>(&addr), &len) != 0 ||
        ::pipe(m_wake) != 0) {
        throw std::runtime_error("the relay could not listen on loopback");
    }
    m_port = ntohs(addr.sin_port);
    m_thread = std::thread([this] { run(); });
}

CommitHoldProxy::~CommitHoldProxy()
{
    const char stop = 0;
    [[maybe_unused]] const ssize_t n = ::write(m_wake[1], &stop, 1);
    m_thread.join();
    ::close(m_listen);
    ::close(m_wake[0]);
    ::close(m_wake[1]);
}

void CommitHoldProxy::run()
{
    std::vector<Pair> pairs;
    for (;;) {
        std::vector<pollfd> fds{{m_wake[0], POLLIN, 0}, {m_listen, POLLIN, 0}};
        int timeoutMs = 100;
        for (const Pair& p : pairs) {
            fds.push_back({p.client, POLLIN, 0});
            // A held reply keeps the server's later bytes waiting behind it, in order.
            fds.push_back({p.server, static_cast<short>(p.toClient.empty() ? POLLIN : 0), 0});
        }
        ::poll(fds.data(), fds.size(), timeoutMs);
        if (fds[0].revents != 0) {
            break;
        }
        if (fds[1].revents & POLLIN) {
            const int client = ::accept(m_listen, nullptr, nullptr);
            const int server = client >= 0 ? connectTo(m_serverPort) : -1;
            if (server >= 0) {
                pairs.push_back({client, server, {}, {}, {}});
            } else if (client >= 0) {
                ::close(client);
            }
        }
        const auto now = Clock::now();
        for (std::size_t i = 0; i < pairs.size() && 2 + 2 * i + 1 < fds.size(); ++i) {
            Pair& p = pairs[i];
            char buffer[65536];
            if (fds[2 + 2 * i].revents != 0) {
                const ssize_t n = ::recv(p.client, buffer, sizeof buffer, 0);
                if (n <= 0 || !sendAll(p.server, std::string(buffer, static_cast<std::size_t>(n)))) {
                    closePair(p);
                    continue;
                }
                p.fromClient.append(buffer, static_cast<std::size_t>(n));
                while (p.fromClient.size() >= 4) {
                    const std::size_t length = static_cast<unsigned char>(p.fromClient[0]) |
                                               static_cast<unsigned char>(p.fromClient[1]) << 8 |
                                               static_cast<unsigned char>(p.fromClient[2]) << 16;
                    if (p.fromClient.size() < 4 + length) {
                        break;
                    }
                    if (isCommit(p.fromClient.substr(0, 4 + length))) {
                        ++m_commits;
                        p.release = now + std::chrono::milliseconds(m_holdMs.load());
                    }
                    p.fromClient.erase(0, 4 + length);
                }
            }
            if (fds[2 + 2 * i + 1].revents != 0) {
                const ssize_t n = ::recv(p.server, buffer, sizeof buffer, 0);
                if (n <= 0) {
                    closePair(p);
                    continue;
                }
                p.toClient.append(buffer, static_cast<std::size_t>(n));
            }
            if (!p.toClient.empty() && now >= p.release) {
                if (!sendAll(p.client, p.toClient)) {
                    closePair(p);
                    continue;
                }
                p.toClient.clear();
            }
        }
        std::erase_if(pairs, [](const Pair& p) { return p.client < 0; });
    }
    for (Pair& p : pairs) {
        closePair(p);
    }
}

} // namespace qar::test
