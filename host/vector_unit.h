#pragma once
// The vector unit the byte scans run on (Find's scans, the comparison's), chosen once at
// start: the widest this processor and its system can run. Tests make the scans use each
// narrower one in turn, so every width is tried on one machine.

namespace quillix {

// The vector units the scans know, narrowest first: none is the plain loop alone.
enum class VectorUnit { none, sse2, avx2 };

// The widest unit this processor and its system can run, found once at start.
VectorUnit widestVectorUnit();
// The unit the scans use: the widest, unless a test chose another.
VectorUnit vectorUnitInUse();
// Makes the scans use unit from now on. Returns false, changing nothing, when this
// machine cannot run it.
bool useVectorUnit(VectorUnit unit);

// Whether this processor has SSSE3's byte shuffle, which the text formatters use (every
// x86-64 system saves the registers it needs). Found once.
bool processorHasSsse3();

}  // namespace quillix
