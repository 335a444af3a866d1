// The comparison's scans over two 1 GiB buffers in memory, each against a plain AVX2
// compare loop over the same two buffers measured in the same run (the memory's speed):
//
// (a) counting the differing bytes and their runs, as the scan alone (tallyDifferences)
//     and as the program runs it when a comparison opens: chunk by chunk under the read
//     guard of both views, checking in with the host before each chunk
//     (countDifferences); the reference counts the differing bytes only;
// (b) next difference with the only difference in the last byte, as the scan alone
//     (findFirst) and as Alt+Down runs it (findDifference: guarded, chunked, then the
//     run's length); the reference stops at the first differing byte;
//     (targets for (a) and (b): at least 0.8 of the reference)
// (c) the counts after an edit: a typed byte and a 4 KiB paste, each told to the
//     comparison before and after as every edit is, in a 1 MiB and in a 1 GiB document,
//     at the same places in both (within the first MiB) and anywhere in the document:
//     the counts' time must not grow with the document (target: 1 GiB / 1 MiB near 1 at
//     the same places; anywhere in 1 GiB each edit also meets memory the caches do not
//     hold, the store as much as the counts).
//
// The ways of each row take turns, and each way's best round counts, so that whatever
// else the machine does falls on all alike.
//
// Run: build/native/compare_bench

#include <immintrin.h>
#include <sys/mman.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <vector>

#include "compare/comparison.h"
#include "compare/difference_scan.h"
#include "host/vector_unit.h"
#include "tests/core/recording_host.h"

using namespace quillix;

namespace {

using Clock = std::chrono::steady_clock;

constexpr std::int64_t gib = std::int64_t{1} << 30;
constexpr std::int64_t mib = std::int64_t{1} << 20;

std::uint8_t* mapBuffer(std::int64_t size) {
    void* mapped = mmap(nullptr, static_cast<std::size_t>(size), PROT_READ | PROT_WRITE,
                        MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (mapped == MAP_FAILED) {
        std::perror("mmap");
        std::exit(1);
    }
    return static_cast<std::uint8_t*>(mapped);
}

// Pseudo-random bytes, written once so that they are resident before any timing.
void fillRandom(std::uint8_t* bytes, std::int64_t size, std::uint64_t state) {
    for (std::int64_t i = 0; i < size; i += 8) {
        state ^= state << 13;
        state ^= state >> 7;
        state ^= state << 17;
        std::memcpy(bytes + i, &state, 8);
    }
}

// The references: one 32-byte vector per step, the plainest AVX2 loops there are.
[[gnu::target("avx2,popcnt")]] std::int64_t plainCount(const std::uint8_t* a, const std::uint8_t* b,
                                                        std::int64_t size) {
    std::int64_t differing = 0;
    for (std::int64_t i = 0; i < size; i += 32) {
        const __m256i x = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(a + i));
        const __m256i y = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(b + i));
        differing += std::popcount(~static_cast<std::uint32_t>(_mm256_movemask_epi8(_mm256_cmpeq_epi8(x, y))));
    }
    return differing;
}

[[gnu::target("avx2")]] std::int64_t plainFirst(const std::uint8_t* a, const std::uint8_t* b, std::int64_t size) {
    for (std::int64_t i = 0; i < size; i += 32) {
        const __m256i x = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(a + i));
        const __m256i y = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(b + i));
        const auto equal = static_cast<std::uint32_t>(_mm256_movemask_epi8(_mm256_cmpeq_epi8(x, y)));
        if (equal != 0xFFFFFFFFu) return i + std::countr_zero(~equal);
    }
    return -1;
}

// Best seconds of each way over rounds, the ways taking turns.
std::vector<double> bestOf(int rounds, const std::vector<std::function<void()>>& ways) {
    std::vector<double> best(ways.size(), 1e9);
    for (int round = 0; round < rounds; ++round) {
        for (std::size_t w = 0; w < ways.size(); ++w) {
            const auto start = Clock::now();
            ways[w]();
            best[w] = std::min(best[w], std::chrono::duration<double>(Clock::now() - start).count());
        }
    }
    return best;
}

// A document and a comparison over two buffers, as the program holds them.
struct Pair {
    Document doc;
    Comparison cmp;
    Pair(std::uint8_t* mine, std::uint8_t* theirs, std::int64_t size) {
        doc.fileBytes = mine;
        doc.fileSize = size;
        doc.lineCount = lineCountFor(size);
        cmp.other.fileBytes = theirs;
        cmp.other.fileSize = size;
        cmp.open = true;
    }
    ~Pair() {
        doc.fileBytes = nullptr;
        cmp.other.fileBytes = nullptr;
    }
};

void reportRatio(const char* what, double seconds, double reference) {
    std::printf("%-58s %7.2f GB/s  %5.2f of the reference\n", what, static_cast<double>(gib) / seconds / 1e9,
                reference / seconds);
}

struct EditCost {
    double tally = 0;  // microseconds the counts take per edit, before and after it together
    double edit = 0;   // microseconds per edit with its counts: the store, the history, the marks
};

// The cost of edits at random places: a typed byte, or a paste of pasteBytes, each told
// to the comparison before and after. The places lie anywhere in the document, or within
// its first MiB only (the same places whatever its size, so that what the caches hold
// is the same too).
EditCost editCost(std::int64_t size, std::int64_t pasteBytes, bool anywhere) {
    std::uint8_t* mine = mapBuffer(size);
    std::uint8_t* theirs = mapBuffer(size);
    fillRandom(mine, size, 11);
    std::memcpy(theirs, mine, static_cast<std::size_t>(size));
    EditCost cost{1e9, 1e9};
    {
        Pair pair(mine, theirs, size);
        test::RecordingHost host;
        CompareFault fault;
        countDifferences(pair.cmp, pair.doc, host, fault);
        std::vector<std::uint8_t> pasted(static_cast<std::size_t>(pasteBytes), 0x5A);
        const ByteFeed feed{[](void* context, std::int64_t at, std::int64_t count, std::uint8_t* out) {
                                std::memcpy(out, static_cast<std::uint8_t*>(context) + at,
                                            static_cast<std::size_t>(count));
                            },
                            pasted.data()};
        constexpr int edits = 4000;
        const std::int64_t span = (anywhere ? size : mib) - pasteBytes - 1;
        std::vector<ByteRange> places;
        std::uint64_t state = 7;
        for (int k = 0; k < edits; ++k) {
            state = state * 6364136223846793005ull + 1442695040888963407ull;
            const std::int64_t at = static_cast<std::int64_t>(state >> 16) % span;
            places.push_back({at, at + std::max<std::int64_t>(pasteBytes, 1)});
        }
        for (int round = 0; round < 5; ++round) {
            auto start = Clock::now();
            for (const ByteRange& range : places) {
                bytesChanging(pair.cmp, pair.doc, range);
                bytesChanged(pair.cmp, pair.doc, range);
            }
            cost.tally = std::min(cost.tally, std::chrono::duration<double>(Clock::now() - start).count() / edits * 1e6);
            start = Clock::now();
            for (const ByteRange& range : places) {
                bytesChanging(pair.cmp, pair.doc, range);
                if (pasteBytes == 0)
                    storeByte(pair.doc, range.begin, static_cast<std::uint8_t>(range.begin));
                else
                    storeBytes(pair.doc, range.begin, pasteBytes, feed);
                bytesChanged(pair.cmp, pair.doc, range);
            }
            cost.edit = std::min(cost.edit, std::chrono::duration<double>(Clock::now() - start).count() / edits * 1e6);
            pair.doc.history.clear();
        }
        if (!pair.cmp.counted) std::printf("(the counts were lost)\n");
    }
    munmap(mine, static_cast<std::size_t>(size));
    munmap(theirs, static_cast<std::size_t>(size));
    return cost;
}

}  // namespace

int main() {
    if (widestVectorUnit() != VectorUnit::avx2) {
        std::fprintf(stderr, "compare_bench: the reference it measures against needs AVX2\n");
        return 1;
    }
    std::uint8_t* mine = mapBuffer(gib);
    std::uint8_t* theirs = mapBuffer(gib);
    fillRandom(mine, gib, 0x9E3779B97F4A7C15ull);
    std::memcpy(theirs, mine, static_cast<std::size_t>(gib));
    // Differences every few KiB for the count, so that runs are there to count.
    for (std::int64_t i = 777; i < gib; i += 5000) theirs[i] ^= 0x20;

    Pair pair(mine, theirs, gib);
    test::RecordingHost host;
    CompareFault fault;
    std::int64_t sink = 0;
    std::printf("two 1 GiB buffers in memory, vector unit AVX2; best of 7 rounds each\n\n");
    std::vector<double> count = bestOf(7, {
        [&] { sink += plainCount(mine, theirs, gib); },
        [&] { sink += tallyDifferences(mine, theirs, gib, false).runs; },
        [&] { countDifferences(pair.cmp, pair.doc, host, fault); },
    });
    if (!pair.cmp.counted || pair.cmp.counts.bytes != plainCount(mine, theirs, gib))
        std::printf("(the counts disagree with the reference)\n");
    std::printf("%-58s %7.2f GB/s\n", "count: plain AVX2 compare loop (reference)", gib / count[0] / 1e9);
    reportRatio("count: the scan alone", count[1], count[0]);
    reportRatio("count: chunk by chunk under the read guard, as it opens", count[2], count[0]);

    // Only the last byte differs now.
    std::memcpy(theirs, mine, static_cast<std::size_t>(gib));
    theirs[gib - 1] ^= 0x01;
    DifferenceRun run;
    std::vector<double> next = bestOf(7, {
        [&] { sink += plainFirst(mine, theirs, gib); },
        [&] { sink += findFirst(mine, theirs, gib, true); },
        [&] { findDifference(pair.cmp, pair.doc, 0, true, host, run, fault); },
    });
    if (run.start != gib - 1) std::printf("(next difference found %lld)\n", static_cast<long long>(run.start));
    std::printf("\n%-58s %7.2f GB/s\n", "next difference: plain AVX2 loop (reference)", gib / next[0] / 1e9);
    reportRatio("next difference: the scan alone", next[1], next[0]);
    reportRatio("next difference: chunked, under the guard, as Alt+Down", next[2], next[0]);

    munmap(mine, static_cast<std::size_t>(gib));
    munmap(theirs, static_cast<std::size_t>(gib));
    std::printf("\nthe counts after an edit, microseconds per edit: the counts alone (edit with its counts)\n");
    std::printf("%-34s %18s %18s %12s\n", "", "1 MiB document", "1 GiB document", "1 GiB/1 MiB");
    for (const bool anywhere : {false, true}) {
        for (const std::int64_t paste : {std::int64_t{0}, std::int64_t{4096}}) {
            const EditCost small = editCost(mib, paste, anywhere);
            const EditCost large = editCost(gib, paste, anywhere);
            char row[64];
            std::snprintf(row, sizeof row, "%s, %s", paste == 0 ? "typed byte" : "4 KiB paste",
                          anywhere ? "anywhere" : "in the first MiB");
            std::printf("%-34s %7.2f (%7.2f)  %7.2f (%7.2f)  %5.2f (%5.2f)\n", row, small.tally, small.edit,
                        large.tally, large.edit, large.tally / small.tally, large.edit / small.edit);
        }
    }
    std::printf("\n(checksum of the scans: %lld)\n", static_cast<long long>(sink));
    return 0;
}
