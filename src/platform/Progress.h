#pragma once

#include <cstddef>

namespace qar
{

/// How far a long operation got: the core reports, a view shows it and keeps its window painting
/// meanwhile. Reports come on the thread that runs the operation, between two of its statements.
class IProgress
{
public:
    virtual ~IProgress() = default;
    /// `done` of `total` steps are finished; the total may grow as the operation learns more.
    virtual void report(std::size_t done, std::size_t total) = 0;
};

} // namespace qar
