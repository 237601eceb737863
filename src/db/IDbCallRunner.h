#pragma once

#include <functional>

namespace qar
{

/// Runs the driver calls of a connection that wait for the server (connect, execute, commit). Without
/// one they run where they are called; the window gives its connection one that keeps the window alive
/// and says that it waits while a server is slow to answer.
class IDbCallRunner
{
public:
    virtual ~IDbCallRunner() = default;
    /// Runs `call` to its end, then returns; an exception of the call comes out of run.
    virtual void run(const std::function<void()>& call) = 0;
};

} // namespace qar
