// The program as a whole is built for the x86-64 baseline, which has SSE2; AVX2 code is
// compiled for its own functions only and chosen here when the processor and the system
// both have it.

#include "host/vector_unit.h"

#if defined(__x86_64__) && defined(__SSE2__)
#include <cpuid.h>
#endif

namespace quillix {
namespace {

#if defined(__x86_64__) && defined(__SSE2__)

bool systemRunsAvx2() {
    unsigned a = 0, b = 0, c = 0, d = 0;
    if (!__get_cpuid(1, &a, &b, &c, &d)) return false;
    // The AVX2 stages count with popcnt, which every AVX2 processor has.
    if (!(c & bit_AVX) || !(c & bit_OSXSAVE) || !(c & bit_POPCNT)) return false;
    // The processor having AVX is not enough: the system must save the upper halves of
    // the vector registers on a task switch (XCR0 bits 1 and 2).
    unsigned low = 0, high = 0;
    __asm__("xgetbv" : "=a"(low), "=d"(high) : "c"(0));
    if ((low & 0x6) != 0x6) return false;
    if (!__get_cpuid_count(7, 0, &a, &b, &c, &d)) return false;
    return (b & bit_AVX2) != 0;
}

VectorUnit detectWidestUnit() { return systemRunsAvx2() ? VectorUnit::avx2 : VectorUnit::sse2; }

#else

// Other processors scan with the plain loop alone.
VectorUnit detectWidestUnit() { return VectorUnit::none; }

#endif

// Made at first use, so that a static initializer elsewhere (a test's list of units)
// finds it ready.
VectorUnit& unitInUse() {
    static VectorUnit unit = widestVectorUnit();
    return unit;
}

}  // namespace

VectorUnit widestVectorUnit() {
    static const VectorUnit widest = detectWidestUnit();
    return widest;
}

VectorUnit vectorUnitInUse() { return unitInUse(); }

bool processorHasSsse3() {
#if defined(__x86_64__) && defined(__SSE2__)
    static const bool has = [] {
        unsigned a = 0, b = 0, c = 0, d = 0;
        return __get_cpuid(1, &a, &b, &c, &d) && (c & bit_SSSE3) != 0;
    }();
    return has;
#else
    return false;
#endif
}

bool useVectorUnit(VectorUnit unit) {
    if (unit > widestVectorUnit()) return false;
    unitInUse() = unit;
    return true;
}

}  // namespace quillix
