#pragma once

#include <benchmark/benchmark.h>

#include <string>

namespace qar::bench
{

/// The reference of the database benchmarks: the sqlite3 command prints the rows of `sql` from `file`
/// to /dev/null once per iteration. Its own CPU time is reported as child_cpu_ms, since the benchmark's
/// CPU column sees only the waiting parent.
void RunSqlite3Fetch(benchmark::State& state, const std::string& file, const std::string& sql);

} // namespace qar::bench
