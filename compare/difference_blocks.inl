// The vector stage of the comparison's scans, written once and compiled once per vector
// unit: the file that includes it defines `Lanes` (a vector type, its width and the few
// operations below) in the namespace around the include, compiled for that unit's
// instruction set. No include guard: it is meant to be read more than once.

// Bit i is set when a[i] == b[i], for the 64 positions of one block.
inline std::uint64_t equalMask(const std::uint8_t* a, const std::uint8_t* b) {
    std::uint64_t mask = 0;
    for (int i = 0; i < static_cast<int>(blockBytes / Lanes::width); ++i) {
        const std::int64_t at = i * Lanes::width;
        mask |= std::uint64_t{Lanes::bits(Lanes::equal(Lanes::load(a + at), Lanes::load(b + at)))} << at;
    }
    return mask;
}

// The first block goes by its mask, which takes the run going on from before the
// stretch; the others count in the vector lanes, each lane adding up the equal bytes it
// sees and the run starts (a differing byte after an equal one, read a second time one
// byte further on), and the lanes are summed before any can pass 255.
DifferenceTally tallyBlocks(const std::uint8_t* a, const std::uint8_t* b, std::int64_t blocks,
                            bool previousDiffers) {
    if (blocks == 0) return {0, 0, previousDiffers};
    const std::uint64_t differs = ~equalMask(a, b);
    std::int64_t bytes = std::popcount(differs);
    std::int64_t runs = std::popcount(differs & ~(differs << 1 | (previousDiffers ? 1 : 0)));
    constexpr int vectors = static_cast<int>(blockBytes / Lanes::width);
    constexpr std::int64_t blocksPerSum = 255 / vectors;
    std::int64_t equal = 0;
    for (std::int64_t k = 1; k < blocks;) {
        const std::int64_t stop = k + blocksPerSum < blocks ? k + blocksPerSum : blocks;
        typename Lanes::Vector equalCount = Lanes::zero(), startCount = Lanes::zero();
        for (; k < stop; ++k) {
            for (int i = 0; i < vectors; ++i) {
                const std::int64_t at = k * blockBytes + i * Lanes::width;
                const auto here = Lanes::equal(Lanes::load(a + at), Lanes::load(b + at));
                const auto before = Lanes::equal(Lanes::load(a + at - 1), Lanes::load(b + at - 1));
                equalCount = Lanes::countOn(equalCount, here);
                startCount = Lanes::countOn(startCount, Lanes::onlyIn(before, here));
            }
        }
        equal += Lanes::sum(equalCount);
        runs += Lanes::sum(startCount);
    }
    bytes += (blocks - 1) * blockBytes - equal;
    const std::int64_t last = blocks * blockBytes - 1;
    return {bytes, runs, a[last] != b[last]};
}

std::int64_t firstInBlocks(const std::uint8_t* a, const std::uint8_t* b, std::int64_t blocks, bool differing) {
    const std::uint64_t flip = differing ? ~std::uint64_t{0} : 0;
    for (std::int64_t k = 0; k < blocks; ++k) {
        const std::uint64_t found = equalMask(a + k * blockBytes, b + k * blockBytes) ^ flip;
        if (found != 0) return k * blockBytes + std::countr_zero(found);
    }
    return -1;
}

std::int64_t lastInBlocks(const std::uint8_t* a, const std::uint8_t* b, std::int64_t blocks, bool differing) {
    const std::uint64_t flip = differing ? ~std::uint64_t{0} : 0;
    for (std::int64_t k = blocks - 1; k >= 0; --k) {
        const std::uint64_t found = equalMask(a + k * blockBytes, b + k * blockBytes) ^ flip;
        if (found != 0) return k * blockBytes + 63 - std::countl_zero(found);
    }
    return -1;
}

constexpr BlockScanners scanners = {tallyBlocks, firstInBlocks, lastInBlocks};
