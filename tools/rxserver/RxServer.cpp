#include "RxServer.h"

#include "ChangeLogWatcher.h"
#include "ServerWindow.h"
#include "db/ConnectString.h"
#include "platform/WindowLookup.h"
#include "vexnet/CZNetData.h"
#include "vexnet/VexProtocol.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/signalfd.h>
#include <sys/socket.h>
#include <unistd.h>

namespace qar::rxserver
{

namespace
{

using Clock = std::chrono::steady_clock;

std::string peerName(const sockaddr_storage& address)
{
    char host[NI_MAXHOST] = {};
    char port[NI_MAXSERV] = {};
    if (::getnameinfo(reinterpret_cast<const sockaddr*>(&address), sizeof address, host, sizeof host, port, sizeof port,
                      NI_NUMERICHOST | NI_NUMERICSERV) != 0) {
        return "?";
    }
    return std::string(host) + ":" + port;
}

std::uint16_t boundPort(int fd)
{
    sockaddr_storage address{};
    socklen_t length = sizeof address;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
    if (address.ss_family == AF_INET6) {
        return ntohs(reinterpret_cast<sockaddr_in6*>(&address)->sin6_port);
    }
    return ntohs(reinterpret_cast<sockaddr_in*>(&address)->sin_port);
}

int listenOn(const std::string& host, std::uint16_t port)
{
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_PASSIVE | AI_NUMERICSERV;
    addrinfo* found = nullptr;
    if (::getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &found) != 0 || found == nullptr) {
        errno = EADDRNOTAVAIL;
        return -1;
    }
    const int fd = ::socket(found->ai_family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, IPPROTO_TCP);
    const int on = 1;
    // A restarted server must get its port back at once, not after the old connections time out.
    if (fd < 0 || ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on) != 0 ||
        ::bind(fd, found->ai_addr, found->ai_addrlen) != 0 || ::listen(fd, 16) != 0) {
        const int error = errno;
        if (fd >= 0) {
            ::close(fd);
        }
        ::freeaddrinfo(found);
        errno = error;
        return -1;
    }
    ::freeaddrinfo(found);
    return fd;
}

int msUntil(Clock::time_point now, Clock::time_point when)
{
    if (when <= now) {
        return 0;
    }
    return static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(when - now).count() + 1);
}

} // namespace

void say(const std::string& line)
{
    std::fputs(line.c_str(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

RxServer::RxServer(ServerOptions options) : m_options(std::move(options)) {}

RxServer::~RxServer()
{
    for (auto& [fd, client] : m_clients) {
        ::close(fd);
    }
    for (int fd : m_listeners) {
        ::close(fd);
    }
}

bool RxServer::listen()
{
    std::uint16_t port = m_options.port;
    for (std::size_t i = 0; i < m_options.addresses.size(); ++i) {
        const std::string& host = m_options.addresses[i];
        const int fd = listenOn(host, port);
        if (fd < 0) {
            say("cannot listen on " + host + ":" + std::to_string(port) + ": " + std::strerror(errno));
            if (i == 0) {
                return false;
            }
            continue;
        }
        // With port 0 the system picks one for the first address; the others follow it.
        port = boundPort(fd);
        m_listeners.push_back(fd);
        say("listening " + host + ":" + std::to_string(port));
    }
    return true;
}

void RxServer::accept(int listener)
{
    sockaddr_storage address{};
    socklen_t length = sizeof address;
    const int fd = ::accept4(listener, reinterpret_cast<sockaddr*>(&address), &length, SOCK_NONBLOCK | SOCK_CLOEXEC);
    if (fd < 0) {
        return;
    }
    const int on = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    Client& client = m_clients[fd];
    client.peer = peerName(address);
    say("client connected " + client.peer);
}

void RxServer::dropClient(int fd, const char* why)
{
    auto it = m_clients.find(fd);
    if (it == m_clients.end()) {
        return;
    }
    say("client " + std::string(why) + " " + it->second.peer);
    ::close(fd);
    m_clients.erase(it);
}

void RxServer::sendReply(int fd, Client& client)
{
    CZNetData reply;
    reply.PutData(kCodeRefreshReply);
    reply.PutData(kReplyResultOk);
    reply.PutData(++m_replies);
    reply.PutData(kReplyKindReady);
    const auto frame = encodeVexFrame(reply.payload());
    client.output.insert(client.output.end(), frame.begin(), frame.end());
    writeClient(fd, client);
}

void RxServer::replyToAll(const char* why)
{
    if (m_clients.empty()) {
        return;
    }
    for (auto& [fd, client] : m_clients) {
        sendReply(fd, client);
    }
    say("290 reply (" + std::string(why) + ") to " + std::to_string(m_clients.size()) + " client(s)");
}

void RxServer::handlePayload(int fd, Client& client, const VexPayload& payload)
{
    CZNetData message;
    message.setPayload(payload);
    std::size_t position = 0;
    const auto code = message.GetDataOfWord(position);
    if (code && *code == kCodeRefresh) {
        const auto flags = message.GetDataOfLong(position);
        if (!flags) {
            say("546 refresh unreadable (" + std::to_string(payload.size()) + " bytes)");
            return;
        }
        char hex[16];
        std::snprintf(hex, sizeof hex, "0x%08x", *flags);
        say("546 refresh " + std::string(hex) + " " + refreshFlagNames(*flags));
    } else if (code && *code == kCodeRefreshReply) {
        // A client asking for the reply gets it at once.
        sendReply(fd, client);
        say("290 reply (requested) to " + client.peer);
    } else {
        say("message " + (code ? std::to_string(*code) : std::string("?")) + " ignored (" +
            std::to_string(payload.size()) + " bytes)");
    }
}

bool RxServer::readClient(int fd, Client& client)
{
    std::uint8_t buffer[16 * 1024];
    bool open = true;
    for (;;) {
        const ssize_t got = ::recv(fd, buffer, sizeof buffer, 0);
        if (got > 0) {
            client.reader.feed(buffer, static_cast<std::size_t>(got));
            continue;
        }
        if (got < 0 && errno == EINTR) {
            continue;
        }
        open = got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK);
        break;
    }
    VexPayload payload;
    for (;;) {
        const auto status = client.reader.next(payload);
        if (status == VexFrameReader::Status::NeedMore) {
            return open;
        }
        if (status == VexFrameReader::Status::Garbage) {
            say("client sent garbage " + client.peer);
            return false;
        }
        if (status == VexFrameReader::Status::KeepAlive) {
            // Answered at once: the answer tells the client this server still reads, and has read all
            // it sent before.
            const auto answer = encodeVexFrame({});
            client.output.insert(client.output.end(), answer.begin(), answer.end());
            continue;
        }
        handlePayload(fd, client, payload);
    }
}

bool RxServer::writeClient(int fd, Client& client)
{
    while (!client.output.empty()) {
        const ssize_t sent = ::send(fd, client.output.data(), client.output.size(), MSG_NOSIGNAL);
        if (sent > 0) {
            client.output.erase(client.output.begin(), client.output.begin() + sent);
            continue;
        }
        if (sent < 0 && errno == EINTR) {
            continue;
        }
        return sent < 0 && (errno == EAGAIN || errno == EWOULDBLOCK);
    }
    return true;
}

int RxServer::run(int signalFd)
{
    if (!listen()) {
        return 1;
    }
    if (m_options.window) {
        m_window = ServerWindow::open(kServerWindowMarker);
        say(m_window ? "window " + std::to_string(m_window->id()) : std::string("window none (no display)"));
    }
    m_changeLog = std::make_unique<ChangeLogWatcher>(say);
    if (!m_changeLog->configured()) {
        say("change log: no data source in " + DbDatPath());
    }

    auto now = Clock::now();
    auto nextReply = now + m_options.replyInterval;
    auto nextPoll = now;
    for (;;) {
        now = Clock::now();
        if (m_options.replyInterval.count() > 0 && now >= nextReply) {
            replyToAll("timer");
            nextReply = now + m_options.replyInterval;
        }
        if (m_changeLog->configured() && now >= nextPoll) {
            m_changeLog->poll();
            now = Clock::now();
            nextPoll = now + m_options.pollInterval;
        }
        int timeout = -1;
        if (m_options.replyInterval.count() > 0) {
            timeout = msUntil(now, nextReply);
        }
        if (m_changeLog->configured()) {
            const int untilPoll = msUntil(now, nextPoll);
            timeout = timeout < 0 ? untilPoll : std::min(timeout, untilPoll);
        }

        std::vector<pollfd> fds;
        fds.push_back({signalFd, POLLIN, 0});
        for (int fd : m_listeners) {
            fds.push_back({fd, POLLIN, 0});
        }
        const std::size_t windowIndex = fds.size();
        if (m_window) {
            fds.push_back({m_window->descriptor(), POLLIN, 0});
        }
        const std::size_t firstClient = fds.size();
        for (const auto& [fd, client] : m_clients) {
            fds.push_back({fd, static_cast<short>(POLLIN | (client.output.empty() ? 0 : POLLOUT)), 0});
        }
        if (::poll(fds.data(), fds.size(), timeout) < 0) {
            if (errno == EINTR) {
                continue;
            }
            say(std::string("poll failed: ") + std::strerror(errno));
            return 1;
        }

        if ((fds[0].revents & POLLIN) != 0) {
            signalfd_siginfo info{};
            if (::read(signalFd, &info, sizeof info) == static_cast<ssize_t>(sizeof info)) {
                if (info.ssi_signo == SIGUSR1) {
                    replyToAll("requested");
                } else {
                    say(std::string("stopping (") + sigabbrev_np(static_cast<int>(info.ssi_signo)) + ")");
                    return 0;
                }
            }
        }
        for (std::size_t i = 0; i < m_listeners.size(); ++i) {
            if ((fds[1 + i].revents & POLLIN) != 0) {
                accept(m_listeners[i]);
            }
        }
        if (m_window && (fds[windowIndex].revents != 0) && !m_window->handleEvents()) {
            say("window gone (display closed)");
            m_window.reset();
        }
        for (std::size_t i = firstClient; i < fds.size(); ++i) {
            const int fd = fds[i].fd;
            auto it = m_clients.find(fd);
            if (it == m_clients.end() || fds[i].revents == 0) {
                continue;
            }
            if ((fds[i].revents & (POLLIN | POLLHUP | POLLERR)) != 0 && !readClient(fd, it->second)) {
                dropClient(fd, "disconnected");
                continue;
            }
            if (!writeClient(fd, it->second)) {
                dropClient(fd, "disconnected");
            }
        }
    }
}

} // namespace qar::rxserver
