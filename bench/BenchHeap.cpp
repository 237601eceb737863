#include "BenchHeap.h"

#include <cstdlib>
#include <malloc.h>
#include <string_view>

namespace qar::bench
{

void FixHeapRules()
{
    const char* cold = std::getenv("QAR_BENCH_COLD");
    if (cold != nullptr && std::string_view(cold) == "1") {
        // glibc's starting values; setting them stops their adjustment.
        mallopt(M_MMAP_THRESHOLD, 128 * 1024);
        mallopt(M_TRIM_THRESHOLD, 128 * 1024);
        return;
    }
    mallopt(M_MMAP_THRESHOLD, 256 << 20);
    mallopt(M_TRIM_THRESHOLD, 512 << 20);
}

} // namespace qar::bench
