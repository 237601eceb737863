#pragma once

namespace qar::bench
{

/// Fixes the C library's heap rules for the whole run, before the first benchmark. Left alone, glibc
/// raises the size from which it maps blocks of their own, and with it the size from which it hands
/// freed memory back to the system, each time a large block is freed: what a benchmark then pays in
/// fresh pages depends on which benchmarks ran before it. Fixed, every benchmark measures alike in any
/// order: large blocks stay on the heap and are reused from one iteration to the next, so the timings
/// show the work rather than the kernel clearing pages. QAR_BENCH_COLD=1 fixes glibc's starting values
/// instead, closer to a program that reads a file once: every iteration then pays for its pages.
void FixHeapRules();

} // namespace qar::bench
