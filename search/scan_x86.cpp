// The scans' vector stage for x86-64: their blocks instantiated for SSE2 and AVX2
// (host/vector_lanes_x86.h). The program as a whole is built for the baseline and runs
// anywhere.

#include <bit>
#include <cstdint>

#include "search/scan_blocks.h"
#include "host/vector_lanes_x86.h"

#if defined(__x86_64__) && defined(__SSE2__)

namespace quillix::scan {

namespace sse2 {
using Lanes = lanes::Sse2;
#include "search/scan_blocks.inl"
}  // namespace sse2

#pragma GCC push_options
#pragma GCC target("avx2,popcnt")

namespace avx2 {
using Lanes = lanes::Avx2;
#include "search/scan_blocks.inl"
}  // namespace avx2

#pragma GCC pop_options

const BlockScanners* blockScannersFor(VectorUnit unit) {
    if (unit == VectorUnit::sse2) return &sse2::scanners;
    if (unit == VectorUnit::avx2) return &avx2::scanners;
    return nullptr;
}

}  // namespace quillix::scan

#else

namespace quillix::scan {

// Other processors scan with the plain loop alone.
const BlockScanners* blockScannersFor(VectorUnit) { return nullptr; }

}  // namespace quillix::scan

#endif
