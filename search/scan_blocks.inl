// The vector stage of the scans, written once and compiled once per vector unit: the
// file that includes it defines `Lanes` (a vector type and its few operations) in the
// namespace around the include, compiled for that unit's instruction set. No include
// guard: it is meant to be read more than once.

struct Splats {
    Lanes::Vector headFold, headValue, tailFold, tailValue;
};

inline Splats splatsOf(const Filter& filter) {
    return {Lanes::splat(filter.headFold), Lanes::splat(filter.headValue), Lanes::splat(filter.tailFold),
            Lanes::splat(filter.tailValue)};
}

// Bit i is set when start position block + i is a candidate. Reads block[headOffset ..
// headOffset + 63] and block[tailOffset .. tailOffset + 63]. Most blocks have none, and that case costs a
// handful of instructions per vector.
inline std::uint64_t candidateBits(const std::uint8_t* block, std::int64_t headOffset, std::int64_t tailOffset,
                                   const Splats& s) {
    constexpr int vectors = static_cast<int>(blockPositions / Lanes::width);
    Lanes::Vector found[vectors];
    for (int i = 0; i < vectors; ++i) {
        const Lanes::Vector head = Lanes::load(block + headOffset + i * Lanes::width);
        const Lanes::Vector tail = Lanes::load(block + tailOffset + i * Lanes::width);
        found[i] = Lanes::both(Lanes::accepts(head, s.headFold, s.headValue),
                               Lanes::accepts(tail, s.tailFold, s.tailValue));
    }
    Lanes::Vector any = found[0];
    for (int i = 1; i < vectors; ++i) any = Lanes::either(any, found[i]);
    if (!Lanes::any(any)) return 0;
    std::uint64_t bits = 0;
    for (int i = 0; i < vectors; ++i) bits |= std::uint64_t{Lanes::bits(found[i])} << (i * Lanes::width);
    return bits;
}

// Blocks a stretch the forward scan first asks about as a whole: most stretches have no
// candidate, and one branch for many blocks lets the loads run ahead of the tests.
constexpr std::int64_t stretchBlocks = 8;

// True when any start position of the stretch of blocks from block on is a candidate.
inline bool anyCandidateInStretch(const std::uint8_t* block, std::int64_t headOffset, std::int64_t tailOffset,
                                  const Splats& s) {
    constexpr int vectors = static_cast<int>(stretchBlocks * blockPositions / Lanes::width);
    Lanes::Vector any = Lanes::both(Lanes::accepts(Lanes::load(block + headOffset), s.headFold, s.headValue),
                                    Lanes::accepts(Lanes::load(block + tailOffset), s.tailFold, s.tailValue));
    for (int i = 1; i < vectors; ++i) {
        const Lanes::Vector head = Lanes::load(block + headOffset + i * Lanes::width);
        const Lanes::Vector tail = Lanes::load(block + tailOffset + i * Lanes::width);
        any = Lanes::either(any, Lanes::both(Lanes::accepts(head, s.headFold, s.headValue),
                                             Lanes::accepts(tail, s.tailFold, s.tailValue)));
    }
    return Lanes::any(any);
}

BlockScan forwardBlocks(const std::uint8_t* bytes, const ScanPattern& pattern, const Filter& filter,
                        std::int64_t pos, std::int64_t last) {
    const Splats s = splatsOf(filter);
    // Blocks up to end are looked at one by one: those of a stretch with a candidate.
    for (std::int64_t end = pos; last - pos >= blockPositions - 1; pos += blockPositions) {
        if (pos >= end) {
            if (last - pos >= stretchBlocks * blockPositions - 1 &&
                !anyCandidateInStretch(bytes + pos, filter.headOffset, filter.tailOffset, s)) {
                pos += (stretchBlocks - 1) * blockPositions;
                continue;
            }
            end = pos + stretchBlocks * blockPositions;
        }
        std::uint64_t found = candidateBits(bytes + pos, filter.headOffset, filter.tailOffset, s);
        if (found == 0) continue;
        if (std::popcount(found) > denseCandidates) return {-1, pos, true};
        for (; found != 0; found &= found - 1) {
            const std::int64_t at = pos + std::countr_zero(found);
            if (acceptsFrom(bytes + at, pattern, 0)) return {at, at, false};
        }
    }
    return {-1, pos, false};
}

BlockScan backwardBlocks(const std::uint8_t* bytes, const ScanPattern& pattern, const Filter& filter,
                         std::int64_t pos, std::int64_t first) {
    const Splats s = splatsOf(filter);
    for (; pos - (blockPositions - 1) >= first; pos -= blockPositions) {
        const std::int64_t base = pos - (blockPositions - 1);
        std::uint64_t found = candidateBits(bytes + base, filter.headOffset, filter.tailOffset, s);
        if (found == 0) continue;
        if (std::popcount(found) > denseCandidates) return {-1, pos, true};
        while (found != 0) {
            const int bit = 63 - std::countl_zero(found);
            if (acceptsFrom(bytes + base + bit, pattern, 0)) return {base + bit, base + bit, false};
            found &= ~(std::uint64_t{1} << bit);
        }
    }
    return {-1, pos, false};
}

constexpr BlockScanners scanners = {forwardBlocks, backwardBlocks};
