// The comparison's vector stage for x86-64: its blocks instantiated for SSE2 and AVX2
// (host/vector_lanes_x86.h).

#include <bit>
#include <cstdint>

#include "compare/difference_blocks.h"
#include "host/vector_lanes_x86.h"

#if defined(__x86_64__) && defined(__SSE2__)

namespace quillix::difference {

namespace sse2 {
using Lanes = lanes::Sse2;
#include "compare/difference_blocks.inl"
}  // namespace sse2

#pragma GCC push_options
#pragma GCC target("avx2,popcnt")

namespace avx2 {
using Lanes = lanes::Avx2;
#include "compare/difference_blocks.inl"
}  // namespace avx2

#pragma GCC pop_options

const BlockScanners* blockScannersFor(VectorUnit unit) {
    if (unit == VectorUnit::sse2) return &sse2::scanners;
    if (unit == VectorUnit::avx2) return &avx2::scanners;
    return nullptr;
}

}  // namespace quillix::difference

#else

namespace quillix::difference {

// Other processors compare with the plain loop alone.
const BlockScanners* blockScannersFor(VectorUnit) { return nullptr; }

}  // namespace quillix::difference

#endif
