#include "vexnet/CZVexClient.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <deque>
#include <fcntl.h>
#include <map>
#include <mutex>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <system_error>
#include <thread>
#include <unistd.h>
#include <utility>

namespace qar
{

namespace
{

using Clock = std::chrono::steady_clock;

// Messages nobody fetched are forgotten beyond this many, oldest first.
constexpr std::size_t kMaxInbox = 1024;
// Output beyond this many unsent bytes is dropped rather than queued.
constexpr std::size_t kMaxUnsent = 4 * 1024 * 1024;
// Connection numbers fill the selector's bits 8-31; its low byte is the selector proper.
constexpr std::uint32_t kMaxConnectionNumber = 0xFFFFFF;
constexpr int kConnectionShift = 8;
// Ranges of tickets lost with their connections that are remembered, oldest forgotten first.
constexpr std::size_t kMaxLostRanges = 32;
// A keep-alive: an empty frame.
constexpr std::uint8_t kKeepAliveFrame[4] = {0, 0, 0, 0};

std::string trimmed(const std::string& text)
{
    const auto first = text.find_first_not_of(" \t\r\n");
    if (first == std::string::npos) {
        return {};
    }
    const auto last = text.find_last_not_of(" \t\r\n");
    return text.substr(first, last - first + 1);
}

int pollTimeout(Clock::time_point now, Clock::time_point until)
{
    if (until <= now) {
        return 0;
    }
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(until - now).count() + 1;
    return static_cast<int>(std::min<long long>(ms, 60000));
}

/// One host-name look-up, shared by the client's worker and the thread that runs it. The worker never
/// waits for it: the thread wakes the worker when done, and when the client went meanwhile it frees
/// what it found and ends on its own.
struct Lookup
{
    std::mutex mutex;
    bool done = false;
    bool abandoned = false; ///< the client is gone: nobody takes the result
    int status = EAI_FAIL;
    addrinfo* result = nullptr;
    int wakeFd = -1;

    void start(CZVexClient::Options::Resolver resolve, std::string host, std::string service,
               std::shared_ptr<Lookup> self)
    {
        std::thread([resolve, host = std::move(host), service = std::move(service), self = std::move(self)] {
            addrinfo hints{};
            hints.ai_family = AF_UNSPEC;
            hints.ai_socktype = SOCK_STREAM;
            addrinfo* found = nullptr;
            const int rc = resolve(host.c_str(), service.c_str(), &hints, &found);
            std::lock_guard lock(self->mutex);
            if (self->abandoned) {
                if (rc == 0 && found != nullptr) {
                    ::freeaddrinfo(found);
                }
                return;
            }
            self->status = rc;
            self->result = rc == 0 ? found : nullptr;
            self->done = true;
            // Under the lock: the client closes the descriptor only after marking the look-up abandoned.
            const std::uint64_t one = 1;
            [[maybe_unused]] auto written = ::write(self->wakeFd, &one, sizeof one);
        }).detach();
    }

    /// The client no longer wants the result; frees it when it came already.
    void abandon()
    {
        std::lock_guard lock(mutex);
        abandoned = true;
        if (result != nullptr) {
            ::freeaddrinfo(result);
            result = nullptr;
        }
    }
};

} // namespace

struct CZVexClient::Impl
{
    Options options;
    VexEventSink sink;
    int wakeFd = -1;
    std::thread worker;

    std::mutex mutex;
    // Guarded by mutex.
    bool stop = false;
    bool dropRequested = false;
    struct Outgoing
    {
        std::uint64_t ticket;
        std::vector<std::uint8_t> frame;
    };
    std::deque<Outgoing> outbox;
    std::size_t outboxBytes = 0;
    std::uint64_t lastTicket = 0;      ///< of the last payload accepted
    std::uint64_t deliveredTicket = 0; ///< the server answered a keep-alive sent after this payload
    std::vector<std::pair<std::uint64_t, std::uint64_t>> lostTickets; ///< ranges lost with a connection
    std::map<std::uint32_t, VexPayload> inbox;
    std::uint32_t nextMessageId = 1;
    bool up = false;
    // Number of the latest connection, 1 to kMaxConnectionNumber (0 before the first); written by the
    // worker only.
    std::uint32_t connection = 0;

    std::atomic<std::size_t> unsent{0};
    std::atomic<int> recordedState{kVexStateDown};

    // Worker thread only.
    int sock = -1;
    bool connecting = false;
    Clock::time_point connectDeadline;
    Clock::time_point nextAttempt;
    std::chrono::milliseconds backoff{0};
    std::vector<std::uint8_t> writeBuffer;
    std::size_t writeOffset = 0;
    VexFrameReader reader;
    bool busy = false;
    std::uint64_t writtenTicket = 0; ///< the last payload put into writeBuffer
    struct Ping
    {
        Clock::time_point sent;
        std::uint64_t covers; ///< payloads up to this ticket were written before it
    };
    std::deque<Ping> pings; ///< keep-alives waiting for their answer, oldest first
    Clock::time_point nextPing;
    std::shared_ptr<Lookup> lookup; ///< a host-name look-up in progress

    void run();
    void startConnect();
    void connectTo(addrinfo* found);
    void finishLookup();
    void sendKeepAlive(Clock::time_point now);
    void keepAliveAnswered();
    void forgetUndelivered();
    void connected();
    void connectFailed();
    void linkLost();
    void closeSocket();
    bool readAvailable();
    bool writePending();
    void takeOutbox();
    void updateBusy();
    void wake() const;
    void emit(unsigned message, std::uint32_t wParam, std::int64_t lParam);
    void emitState(std::uint32_t selector, int state);
};

void CZVexClient::Impl::wake() const
{
    const std::uint64_t one = 1;
    // The counter saturates long before it could fail; a lost wake-up is impossible since any
    // non-zero value makes the descriptor readable.
    [[maybe_unused]] auto written = ::write(wakeFd, &one, sizeof one);
}

void CZVexClient::Impl::emit(unsigned message, std::uint32_t wParam, std::int64_t lParam)
{
    if (!sink) {
        return;
    }
    try {
        sink(VexEvent{message, wParam, lParam});
    } catch (...) {
        // The owner's hand-over failing must not take the connection thread down with it.
    }
}

void CZVexClient::Impl::emitState(std::uint32_t selector, int state)
{
    emit(kMsgVexState, selector | connection << kConnectionShift, state);
}

void CZVexClient::Impl::closeSocket()
{
    if (sock >= 0) {
        ::close(sock);
        sock = -1;
    }
    connecting = false;
    writeBuffer.clear();
    writeOffset = 0;
    unsent = 0;
    reader = VexFrameReader();
    busy = false;
    pings.clear();
}

// Called with the mutex held: what was accepted and not yet read by the server is lost with the
// connection.
void CZVexClient::Impl::forgetUndelivered()
{
    if (lastTicket > deliveredTicket && (lostTickets.empty() || lostTickets.back().second < lastTicket)) {
        const std::uint64_t first =
            lostTickets.empty() ? deliveredTicket + 1 : std::max(deliveredTicket, lostTickets.back().second) + 1;
        lostTickets.emplace_back(first, lastTicket);
        if (lostTickets.size() > kMaxLostRanges) {
            lostTickets.erase(lostTickets.begin());
        }
    }
    outbox.clear();
    outboxBytes = 0;
}

void CZVexClient::Impl::startConnect()
{
    const std::string host = trimmed(options.host);
    const std::string port = std::to_string(options.port);
    if (host.empty()) {
        connectFailed();
        return;
    }
    // An address needs no name service; a name is looked up on a thread of its own.
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_NUMERICHOST;
    addrinfo* found = nullptr;
    if (::getaddrinfo(host.c_str(), port.c_str(), &hints, &found) == 0 && found != nullptr) {
        connectTo(found);
        return;
    }
    lookup = std::make_shared<Lookup>();
    lookup->wakeFd = wakeFd;
    lookup->start(options.resolve, host, port, lookup);
}

void CZVexClient::Impl::finishLookup()
{
    addrinfo* found = nullptr;
    int status = EAI_FAIL;
    {
        std::lock_guard lock(lookup->mutex);
        if (!lookup->done) {
            return;
        }
        status = lookup->status;
        found = std::exchange(lookup->result, nullptr);
    }
    lookup.reset();
    if (status != 0 || found == nullptr) {
        connectFailed();
        return;
    }
    connectTo(found);
}

void CZVexClient::Impl::connectTo(addrinfo* found)
{
    sock = ::socket(found->ai_family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, IPPROTO_TCP);
    if (sock < 0) {
        ::freeaddrinfo(found);
        connectFailed();
        return;
    }
    // Notifications are a few bytes each and must not wait for more to come.
    const int on = 1;
    ::setsockopt(sock, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    const int rc = ::connect(sock, found->ai_addr, found->ai_addrlen);
    const int error = errno;
    ::freeaddrinfo(found);
    if (rc == 0) {
        connected();
    } else if (error == EINPROGRESS) {
        connecting = true;
        connectDeadline = Clock::now() + options.connectTimeout;
    } else {
        connectFailed();
    }
}

void CZVexClient::Impl::connected()
{
    connecting = false;
    backoff = options.minBackoff;
    pings.clear();
    nextPing = Clock::now() + options.keepAliveInterval;
    {
        std::lock_guard lock(mutex);
        up = true;
        outbox.clear();
        outboxBytes = 0;
        connection = connection % kMaxConnectionNumber + 1;
    }
    emitState(0, kVexStateUp);
}

void CZVexClient::Impl::connectFailed()
{
    closeSocket();
    nextAttempt = Clock::now() + backoff;
    backoff = std::min(backoff * 2, options.maxBackoff);
}

void CZVexClient::Impl::linkLost()
{
    closeSocket();
    {
        std::lock_guard lock(mutex);
        up = false;
        forgetUndelivered();
    }
    // A server that went away is usually being restarted: try again soon, then slow down.
    backoff = options.minBackoff;
    nextAttempt = Clock::now() + backoff;
    emitState(0, kVexStateDown);
}

bool CZVexClient::Impl::readAvailable()
{
    std::uint8_t buffer[16 * 1024];
    bool open = true;
    for (;;) {
        const ssize_t got = ::recv(sock, buffer, sizeof buffer, 0);
        if (got > 0) {
            reader.feed(buffer, static_cast<std::size_t>(got));
            continue;
        }
        if (got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            break;
        }
        if (got < 0 && errno == EINTR) {
            continue;
        }
        // Closed or failed: what arrived before still counts.
        open = false;
        break;
    }
    VexPayload payload;
    for (;;) {
        const VexFrameReader::Status status = reader.next(payload);
        if (status == VexFrameReader::Status::NeedMore) {
            return open;
        }
        if (status == VexFrameReader::Status::Garbage) {
            return false;
        }
        if (status == VexFrameReader::Status::KeepAlive) {
            keepAliveAnswered();
            continue;
        }
        std::uint32_t id = 0;
        {
            std::lock_guard lock(mutex);
            id = nextMessageId++;
            inbox.emplace(id, std::move(payload));
            while (inbox.size() > kMaxInbox) {
                inbox.erase(inbox.begin());
            }
        }
        emit(kMsgVexReceived, 0, id);
    }
}

void CZVexClient::Impl::takeOutbox()
{
    {
        std::lock_guard lock(mutex);
        if (outbox.empty()) {
            return;
        }
        if (writeOffset == writeBuffer.size()) {
            writeBuffer.clear();
            writeOffset = 0;
        }
        for (auto& item : outbox) {
            writeBuffer.insert(writeBuffer.end(), item.frame.begin(), item.frame.end());
            writtenTicket = item.ticket;
        }
        outbox.clear();
        outboxBytes = 0;
    }
    // Its answer tells that the server has read every message before it.
    sendKeepAlive(Clock::now());
}

void CZVexClient::Impl::sendKeepAlive(Clock::time_point now)
{
    if (writeOffset == writeBuffer.size()) {
        writeBuffer.clear();
        writeOffset = 0;
    }
    writeBuffer.insert(writeBuffer.end(), std::begin(kKeepAliveFrame), std::end(kKeepAliveFrame));
    unsent = writeBuffer.size() - writeOffset;
    pings.push_back({now, writtenTicket});
    nextPing = now + options.keepAliveInterval;
}

void CZVexClient::Impl::keepAliveAnswered()
{
    if (pings.empty()) {
        return; // not an answer to anything of ours
    }
    const std::uint64_t covers = pings.front().covers;
    pings.pop_front();
    std::lock_guard lock(mutex);
    deliveredTicket = std::max(deliveredTicket, covers);
}

bool CZVexClient::Impl::writePending()
{
    while (writeOffset < writeBuffer.size()) {
        const ssize_t sent =
            ::send(sock, writeBuffer.data() + writeOffset, writeBuffer.size() - writeOffset, MSG_NOSIGNAL);
        if (sent > 0) {
            writeOffset += static_cast<std::size_t>(sent);
            continue;
        }
        if (sent < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            break;
        }
        if (sent < 0 && errno == EINTR) {
            continue;
        }
        return false;
    }
    unsent = writeBuffer.size() - writeOffset;
    return true;
}

void CZVexClient::Impl::updateBusy()
{
    const std::size_t waiting = unsent;
    if (!busy && waiting > options.busyBytes) {
        busy = true;
        emitState(0, kVexStateBusy);
    } else if (busy && waiting == 0) {
        busy = false;
        // Selector 1: the owner records the state but does not notify again.
        emitState(1, kVexStateUp);
    }
}

void CZVexClient::Impl::run()
{
    backoff = options.minBackoff;
    nextAttempt = Clock::now();
    for (;;) {
        bool drop = false;
        {
            std::lock_guard lock(mutex);
            if (stop) {
                break;
            }
            drop = std::exchange(dropRequested, false);
            if (drop) {
                up = false;
                forgetUndelivered();
            }
        }
        if (drop && sock >= 0) {
            closeSocket();
            nextAttempt = Clock::now() + options.minBackoff;
        }
        if (lookup) {
            finishLookup();
        }
        const bool linked = sock >= 0 && !connecting;
        if (linked) {
            takeOutbox();
        }
        auto now = Clock::now();
        if (sock < 0 && !lookup && now >= nextAttempt) {
            startConnect();
            continue;
        }
        if (linked) {
            // A server that reads nothing any more (stopped, hung, its machine gone) answers no
            // keep-alive: the connection counts as lost.
            if (!pings.empty() && now - pings.front().sent >= options.keepAliveTimeout) {
                linkLost();
                continue;
            }
            if (pings.empty() && now >= nextPing) {
                sendKeepAlive(now);
            }
        }

        pollfd fds[2] = {{wakeFd, POLLIN, 0}, {sock, 0, 0}};
        nfds_t count = 1;
        int timeout = -1;
        if (lookup) {
            timeout = -1; // its thread wakes the worker
        } else if (sock < 0) {
            timeout = pollTimeout(now, nextAttempt);
        } else if (connecting) {
            fds[1].events = POLLOUT;
            count = 2;
            timeout = pollTimeout(now, connectDeadline);
        } else {
            fds[1].events = static_cast<short>(POLLIN | (writeOffset < writeBuffer.size() ? POLLOUT : 0));
            count = 2;
            timeout = pollTimeout(now, pings.empty() ? nextPing : pings.front().sent + options.keepAliveTimeout);
        }
        if (::poll(fds, count, timeout) < 0 && errno != EINTR) {
            // Nothing sensible to do but pause, so a persistent failure does not spin.
            std::this_thread::sleep_for(options.minBackoff);
            continue;
        }
        if ((fds[0].revents & POLLIN) != 0) {
            std::uint64_t counter = 0;
            [[maybe_unused]] auto got = ::read(wakeFd, &counter, sizeof counter);
        }
        if (sock < 0 || count < 2) {
            continue;
        }
        const short revents = fds[1].revents;
        if (connecting) {
            if (revents != 0) {
                int error = 0;
                socklen_t length = sizeof error;
                if (::getsockopt(sock, SOL_SOCKET, SO_ERROR, &error, &length) == 0 && error == 0) {
                    connected();
                } else {
                    connectFailed();
                }
            } else if (Clock::now() >= connectDeadline) {
                connectFailed();
            }
            continue;
        }
        if ((revents & (POLLIN | POLLHUP | POLLERR)) != 0 && !readAvailable()) {
            linkLost();
            continue;
        }
        if (!writePending()) {
            linkLost();
            continue;
        }
        updateBusy();
    }
    closeSocket();
}

CZVexClient::CZVexClient(Options options, VexEventSink sink) : m_impl(std::make_unique<Impl>())
{
    m_impl->options = std::move(options);
    m_impl->sink = std::move(sink);
    m_impl->wakeFd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (m_impl->wakeFd < 0) {
        throw std::system_error(errno, std::generic_category(), "eventfd");
    }
    m_impl->worker = std::thread([impl = m_impl.get()] { impl->run(); });
}

CZVexClient::~CZVexClient()
{
    {
        std::lock_guard lock(m_impl->mutex);
        m_impl->stop = true;
    }
    m_impl->wake();
    m_impl->worker.join();
    // A look-up still running is left to its thread, which frees what it finds; it no longer touches
    // the descriptor closed below.
    if (m_impl->lookup) {
        m_impl->lookup->abandon();
    }
    ::close(m_impl->wakeFd);
}

bool CZVexClient::sendPayload(VexPayload payload)
{
    if (payload.empty()) {
        return false;
    }
    {
        std::lock_guard lock(m_impl->mutex);
        if (!m_impl->up || m_impl->outboxBytes + m_impl->unsent + payload.size() > kMaxUnsent) {
            return false;
        }
        auto frame = encodeVexFrame(payload);
        m_impl->outboxBytes += frame.size();
        m_impl->outbox.push_back({++m_impl->lastTicket, std::move(frame)});
    }
    m_impl->wake();
    return true;
}

std::uint64_t CZVexClient::lastSendTicket() const
{
    std::lock_guard lock(m_impl->mutex);
    return m_impl->lastTicket;
}

bool CZVexClient::isDelivered(std::uint64_t ticket) const
{
    std::lock_guard lock(m_impl->mutex);
    if (ticket > m_impl->deliveredTicket) {
        return false;
    }
    return std::none_of(m_impl->lostTickets.begin(), m_impl->lostTickets.end(),
                        [ticket](const auto& range) { return ticket >= range.first && ticket <= range.second; });
}

std::optional<VexPayload> CZVexClient::takeMessage(std::uint32_t messageId)
{
    std::lock_guard lock(m_impl->mutex);
    auto it = m_impl->inbox.find(messageId);
    if (it == m_impl->inbox.end()) {
        return std::nullopt;
    }
    VexPayload payload = std::move(it->second);
    m_impl->inbox.erase(it);
    return payload;
}

void CZVexClient::Shutdown()
{
    {
        std::lock_guard lock(m_impl->mutex);
        m_impl->dropRequested = true;
        m_impl->up = false;
        m_impl->forgetUndelivered();
    }
    m_impl->wake();
}

bool CZVexClient::isCurrentEvent(std::uint32_t selector) const
{
    const std::uint32_t number = selector >> kConnectionShift;
    std::lock_guard lock(m_impl->mutex);
    return number == 0 || number == m_impl->connection;
}

int CZVexClient::GetState() const
{
    return m_impl->recordedState;
}

void CZVexClient::SetState(int state)
{
    m_impl->recordedState = state;
}

bool CZVexClient::isConnected() const
{
    std::lock_guard lock(m_impl->mutex);
    return m_impl->up;
}

} // namespace qar
