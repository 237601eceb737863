#pragma once

#include <atomic>
#include <chrono>
#include <thread>

namespace qar::test
{

/// A loopback relay in front of a MariaDB server that can hold back the server's reply to COMMIT: the
/// server commits, the client hears nothing for `hold`, as when a reply is lost to a timeout or a node's
/// eviction. Every other packet passes at once. Closes its connections and its thread on destruction.
class CommitHoldProxy
{
public:
    explicit CommitHoldProxy(int serverPort);
    ~CommitHoldProxy();
    CommitHoldProxy(const CommitHoldProxy&) = delete;
    CommitHoldProxy& operator=(const CommitHoldProxy&) = delete;

    /// The loopback port clients connect to.
    int port() const { return m_port; }
    /// From now on, replies to COMMIT reach the client `hold` late (zero: at once again).
    void holdCommitReplies(std::chrono::milliseconds hold) { m_holdMs = hold.count(); }
    /// COMMITs seen so far.
    int commitsSeen() const { return m_commits; }

private:
    void run();

    int m_serverPort;
    int m_listen = -1;
    int m_port = 0;
    int m_wake[2] = {-1, -1};
    std::atomic<long long> m_holdMs{0};
    std::atomic<int> m_commits{0};
    std::thread m_thread;
};

} // namespace qar::test
