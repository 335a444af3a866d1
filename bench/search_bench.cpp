// Search speed over a warm 1 GiB buffer in which the pattern does not occur, so every
// scan runs from one end to the other. Each case is measured in the same run against:
//  - a plain AVX2 compare sweep over the same memory, in the same direction: the fastest
//    a scan can read the memory (the target is at least 0.85 of it for every row);
//  - glibc's memchr (one byte) or memmem, forward only, as a yardstick (for text in any
//    case it looks for one case variant).
// Each case is also scanned as Find scans a document: a few MiB at a time, each chunk
// under the guard that turns a page the system cannot read into a reported fault
// (checkedRun). That must cost nothing: its worst ratio to the sweep is printed too.
// Adversarial cases, whose first and last bytes are everywhere, run over a 256 MiB
// buffer of their own against the plain loop that tries one start position after
// another: the scan must never be slower than that loop.
// Then the searches of the Find and Replace dialogs as they run on a document: a
// wildcard pattern against the exact one of its length, a UTF-16 text against the sweep;
// Find All of a pattern with 1,000,000 hits against an absent one, Replace All of those
// hits, its undo, and the save of them against a whole save; and Find All against GNU
// grep on a 1 GiB file, the first time and once its pages are mapped. The last three lines
// are the figures of that part. `--benchmark_filter=NONE` runs that part alone.
//
//   cmake --preset native && cmake --build --preset native && build/native/search_bench

#include <sys/mman.h>

#include <immintrin.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>

#include "document/file/checked_view.h"
#include "document/document.h"
#include "host/progress.h"
#include "document/save/save_document.h"
#include "hexview/hex_view.h"
#include "quiet_host.h"
#include "search/case_fold.h"
#include "search/find_all.h"
#include "search/scan.h"
#include "search/search.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>

namespace {

using quillix::ScanPattern;

constexpr std::int64_t bufferSize = std::int64_t{1} << 30;
constexpr std::int64_t adversarialSize = std::int64_t{256} << 20;

std::uint8_t* mapBuffer(std::int64_t size) {
    void* mapped = mmap(nullptr, static_cast<std::size_t>(size), PROT_READ | PROT_WRITE,
                        MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (mapped == MAP_FAILED) {
        std::perror("mmap");
        std::exit(1);
    }
    return static_cast<std::uint8_t*>(mapped);
}

// 1 GiB of pseudo-random bytes without 0xFF, written once, so it is resident before any
// timing starts.
std::uint8_t* warmBuffer() {
    static std::uint8_t* bytes = [] {
        std::uint8_t* out = mapBuffer(bufferSize);
        std::uint64_t state = 0x9E3779B97F4A7C15ull;
        for (std::int64_t i = 0; i < bufferSize; i += 8) {
            state ^= state << 13;
            state ^= state >> 7;
            state ^= state << 17;
            std::uint64_t word = state;
            for (int k = 0; k < 8; ++k) {
                auto b = static_cast<std::uint8_t>(word >> (8 * k));
                out[i + k] = b == 0xFF ? 0xFE : b;
            }
        }
        return out;
    }();
    return bytes;
}

// One search case: what the searches compare each position with.
struct Case {
    std::string name;
    std::vector<std::int64_t> lower, upper;  // per position; equal for hex and Match case
    std::vector<std::uint8_t> memmemNeedle;
    bool folded = false;          // text in any case: two values per position
    std::string adversarialFill;  // adversarial cases: the bytes their buffer repeats
};

Case hexCase(std::string name, std::vector<std::uint8_t> bytes) {
    Case c{std::move(name), {}, {}, bytes, false, {}};
    for (std::uint8_t b : bytes) c.lower.push_back(b);
    c.upper = c.lower;
    return c;
}

Case textCase(std::string name, const wchar_t* text, bool matchCase) {
    Case c{std::move(name), {}, {}, {}, !matchCase, {}};
    for (const wchar_t* unit = text; *unit; ++unit) {
        c.lower.push_back(matchCase ? *unit : quillix::lowerCaseUnit(*unit));
        c.upper.push_back(matchCase ? *unit : quillix::upperCaseUnit(*unit));
        c.memmemNeedle.push_back(static_cast<std::uint8_t>(*unit));
    }
    return c;
}

std::vector<Case> cases() {
    std::vector<std::uint8_t> fifty;
    for (int k = 0; k < 50; ++k) fifty.push_back(static_cast<std::uint8_t>(0x3D + 37 * k));
    return {
        hexCase("hex 1 byte", {0xFF}),
        hexCase("hex 2 bytes", {0x5A, 0xC3}),
        hexCase("hex 4 bytes", {0x5A, 0xC3, 0x17, 0x8E}),
        hexCase("hex 16 bytes", {0x3D, 0x91, 0x04, 0xE2, 0x7B, 0x5A, 0xC0, 0x11, 0x68, 0xAF, 0x23, 0xD4, 0x9C,
                                 0x40, 0x0B, 0x76}),
        hexCase("hex 50 bytes", fifty),
        textCase("text 1 char, match case", L"Q", true),
        textCase("text 1 char, any case", L"Q", false),
        textCase("text 4 chars, match case", L"QuiX", true),
        textCase("text 4 chars, any case", L"QuiX", false),
        textCase("text 20 chars, match case", L"Quillix-64bit search", true),
        textCase("text 20 chars, any case", L"Quillix-64bit search", false),
    };
}

std::vector<Case> adversarialCases() {
    Case zeros = hexCase("hex 00 00 00 01 00 in zeros", {0, 0, 0, 1, 0});
    zeros.adversarialFill = std::string(1, '\0');
    Case runs = textCase("text \"aaaa\" in \"aaab\"s, any case", L"aaaa", false);
    runs.adversarialFill = "aaab";
    Case middle = textCase("text \"aaba\" in \"a\"s, any case", L"aaba", false);
    middle.adversarialFill = "a";
    return {zeros, runs, middle};
}

// The buffer of the adversarial cases, refilled when a case needs other bytes.
std::uint8_t* adversarialBuffer(const std::string& fill) {
    static std::uint8_t* bytes = mapBuffer(adversarialSize);
    static std::string filled;
    if (filled != fill) {
        for (std::int64_t i = 0; i < adversarialSize; ++i)
            bytes[i] = static_cast<std::uint8_t>(fill[static_cast<std::size_t>(i) % fill.size()]);
        filled = fill;
    }
    return bytes;
}

// The plain loop, one start position at a time, each compared position by position: a
// hex search against one value per position, a folded text against two.
std::int64_t plainScan(const std::uint8_t* bytes, std::int64_t size, const Case& c, std::int64_t pos,
                       std::int64_t direction) {
    const auto length = static_cast<std::int64_t>(c.lower.size());
    const std::int64_t* lower = c.lower.data();
    const std::int64_t* upper = c.upper.data();
    for (; pos >= 0 && pos <= size - length; pos += direction) {
        std::int64_t k = 0;
        if (c.folded) {
            while (k < length && (bytes[pos + k] == lower[k] || bytes[pos + k] == upper[k])) ++k;
        } else {
            while (k < length && bytes[pos + k] == lower[k]) ++k;
        }
        if (k == length) return pos;
    }
    return -1;
}

// The memory limit: every byte compared with one value, 128 bytes per step, in the
// scan's direction, stopping at the first step that holds it. The value never occurs.
[[gnu::target("avx2")]] inline bool sweepStep(const std::uint8_t* bytes, __m256i want) {
    const auto* at = reinterpret_cast<const __m256i*>(bytes);
    const __m256i a = _mm256_cmpeq_epi8(_mm256_loadu_si256(at), want);
    const __m256i b = _mm256_cmpeq_epi8(_mm256_loadu_si256(at + 1), want);
    const __m256i c = _mm256_cmpeq_epi8(_mm256_loadu_si256(at + 2), want);
    const __m256i d = _mm256_cmpeq_epi8(_mm256_loadu_si256(at + 3), want);
    const __m256i any = _mm256_or_si256(_mm256_or_si256(a, b), _mm256_or_si256(c, d));
    return !_mm256_testz_si256(any, any);
}

[[gnu::target("avx2")]] std::int64_t sweep(const std::uint8_t* bytes, std::int64_t size,
                                           std::int64_t direction) {
    const __m256i want = _mm256_set1_epi8(static_cast<char>(0xFF));
    if (direction > 0) {
        for (std::int64_t i = 0; i + 128 <= size; i += 128)
            if (sweepStep(bytes + i, want)) return i;
    } else {
        for (std::int64_t i = size - 128; i >= 0; i -= 128)
            if (sweepStep(bytes + i, want)) return i;
    }
    return -1;
}

ScanPattern fastPattern(const Case& c) {
    ScanPattern pattern;
    for (std::size_t k = 0; k < c.lower.size(); ++k) quillix::addPosition(pattern, c.lower[k], c.upper[k]);
    return pattern;
}

// The scan as Find runs it over a document: chunk by chunk, each under the read guard.
std::int64_t guardedScan(std::uint8_t* bytes, std::int64_t size, const ScanPattern& pattern,
                         std::int64_t start, std::int64_t direction) {
    quillix::Document doc;
    doc.fileBytes = bytes;
    doc.fileSize = size;
    const std::int64_t end = direction > 0 ? size - pattern.length : 0;
    for (std::int64_t from = start; direction > 0 ? from <= end : from >= end;
         from += direction * quillix::searchChunkBytes) {
        const std::int64_t bound = from + direction * (quillix::searchChunkBytes - 1);
        std::int64_t hit = -1;
        auto scan = [&] {
            hit = direction > 0 ? quillix::scanForward(bytes, size, pattern, from, bound)
                                : quillix::scanBackward(bytes, size, pattern, from, bound);
        };
        quillix::ReadFault fault;
        if (!quillix::checkedRun(doc, scan, fault)) return -2;
        if (hit >= 0) return hit;
    }
    return -1;
}

// One pass of a way of scanning over the case's buffer; -1 when it found nothing.
enum class Way { scan, guarded, sweep, plain, memmem };

std::int64_t runOnce(const Case& c, const ScanPattern& pattern, Way way, std::int64_t direction) {
    const bool adversarial = !c.adversarialFill.empty();
    std::uint8_t* bytes = adversarial ? adversarialBuffer(c.adversarialFill) : warmBuffer();
    const std::int64_t size = adversarial ? adversarialSize : bufferSize;
    const std::int64_t start = direction > 0 ? 0 : size - pattern.length;
    switch (way) {
        case Way::scan:
            return direction > 0 ? quillix::scanForward(bytes, size, pattern, start)
                                 : quillix::scanBackward(bytes, size, pattern, start);
        case Way::guarded: return guardedScan(bytes, size, pattern, start, direction);
        case Way::sweep: return sweep(bytes, size, direction);
        case Way::plain: return plainScan(bytes, size, c, start, direction);
        case Way::memmem:
            return memmem(bytes, static_cast<std::size_t>(size), c.memmemNeedle.data(), c.memmemNeedle.size())
                       ? 0
                       : -1;
    }
    return -1;
}

// GB/s of the fastest pass of each way, by row.
using Rates = std::map<Way, double>;
std::map<std::string, Rates> measured;

// One row: each iteration runs every way once, right after one another, so that all meet
// the same load on a shared machine; the fastest pass of each way counts.
void runRow(benchmark::State& state, const Case& c, std::int64_t direction, const std::vector<Way>& ways,
            const std::string& row) {
    const ScanPattern pattern = fastPattern(c);
    const std::int64_t size = c.adversarialFill.empty() ? bufferSize : adversarialSize;
    runOnce(c, pattern, ways[0], direction);  // fills an adversarial buffer before any timing
    std::map<Way, double> fastest;
    for (auto _ : state) {
        for (Way way : ways) {
            const auto begin = std::chrono::steady_clock::now();
            const std::int64_t hit = runOnce(c, pattern, way, direction);
            const std::chrono::duration<double> took = std::chrono::steady_clock::now() - begin;
            if (hit != -1) state.SkipWithError("the pattern occurs in the buffer");
            if (!fastest.count(way) || took.count() < fastest[way]) fastest[way] = took.count();
        }
    }
    for (auto [way, seconds] : fastest) measured[row][way] = static_cast<double>(size) / seconds / 1e9;
}

// Random bytes hold a short pattern many times and a four-byte one a few times per GiB.
// Those places are spoiled, so every scan runs the whole buffer while the bytes around
// keep their statistics: the first and last bytes of each pattern still occur everywhere.
void removeOccurrences(const std::vector<Case>& all) {
    std::uint8_t* bytes = warmBuffer();
    for (bool changed = true; changed;) {
        changed = false;
        for (const Case& c : all) {
            const ScanPattern pattern = fastPattern(c);
            for (std::int64_t at = quillix::scanForward(bytes, bufferSize, pattern, 0); at >= 0;
                 at = quillix::scanForward(bytes, bufferSize, pattern, at + 1)) {
                bytes[at + pattern.length / 2] ^= 0x01;
                changed = true;
            }
        }
    }
}

const char* unitName(quillix::VectorUnit unit) {
    switch (unit) {
        case quillix::VectorUnit::avx2: return "AVX2";
        case quillix::VectorUnit::sse2: return "SSE2";
        default: return "none (plain loop)";
    }
}

struct Dir {
    const char* name;
    std::int64_t step;
};
constexpr Dir directions[] = {{"down", 1}, {"up", -1}};

double ratio(double a, double b) { return b > 0 ? a / b : 0.0; }

// The Find and Replace dialogs' searches over a document.
using Clock = std::chrono::steady_clock;

double bestOf(int rounds, const std::function<void()>& work) {
    double best = 1e9;
    for (int round = 0; round < rounds; ++round) {
        const auto begin = Clock::now();
        work();
        best = std::min(best, std::chrono::duration<double>(Clock::now() - begin).count());
    }
    return best;
}

struct DocumentSearch {
    quillix::Document doc;
    quillix::ViewState view;
    quillix::bench::QuietHost host;
    quillix::SearchState state;
    quillix::HexView hv{doc, view, host};
    // One list for every Find All, as the Search Results window keeps one: a list made anew
    // each time would pay for its fresh pages (a fault for every 512 hits) in every run.
    quillix::FoundAll found;

    void put(wchar_t (&buffer)[quillix::searchTextUnits], const wchar_t* text) { std::wcscpy(buffer, text); }
    quillix::DialogButtons buttons(int mode, bool matchCase = true) {
        quillix::DialogButtons b;
        (mode == 0 ? b.findHex : mode == 1 ? b.findAscii : b.findUtf16) = true;
        b.down = true;
        b.matchCase = matchCase;
        return b;
    }
    // Find Next from the start, which must find nothing.
    void findNothing(int mode, const wchar_t* what, bool matchCase = true) {
        put(state.findWhat, what);
        view.searchPos = -1;
        if (quillix::findNext(hv, state, buttons(mode, matchCase)) != 0) {
            std::fprintf(stderr, "search_bench: %ls occurs\n", what);
            std::exit(1);
        }
    }
    std::int64_t findAll(const wchar_t* what) {
        put(state.findWhat, what);
        quillix::findAll(hv, state, buttons(0), found);
        return found.count;
    }
};

// Spoils every place of the buffer where the (masked) pattern occurs.
void spoil(std::uint8_t* bytes, std::int64_t size, const ScanPattern& pattern) {
    for (std::int64_t at = quillix::scanForward(bytes, size, pattern, 0); at >= 0;
         at = quillix::scanForward(bytes, size, pattern, at))
        bytes[at] ^= 0x01;
}

struct Figures {
    double wildcardExact = 0, findAllRatio = 0, replaceFindAll = 0;
};

Figures findAndReplaceFigures() {
    Figures figures;
    std::uint8_t* bytes = warmBuffer();
    ScanPattern exact, wild;
    for (int v : {0xDE, 0xAD, 0xBE, 0xEF}) quillix::addPosition(exact, v, v);
    for (int v : {0xDE, 0xAD, -1, 0xEF})
        v < 0 ? quillix::addMaskedPosition(wild, 0, 0) : quillix::addPosition(wild, v, v);
    spoil(bytes, bufferSize, exact);
    spoil(bytes, bufferSize, wild);
    {
        DocumentSearch search;
        search.doc.fileBytes = bytes;
        search.doc.fileSize = bufferSize;
        search.doc.lineCount = quillix::lineCountFor(bufferSize);
        // Round after round of each, so that all meet the same load on a shared machine.
        double sweepTime = 1e9, exactTime = 1e9, wildTime = 1e9, textTime = 1e9;
        for (int round = 0; round < 7; ++round) {
            sweepTime = std::min(sweepTime,
                                 bestOf(1, [&] { benchmark::DoNotOptimize(sweep(bytes, bufferSize, 1)); }));
            exactTime = std::min(exactTime, bestOf(1, [&] { search.findNothing(0, L"DEADBEEF"); }));
            wildTime = std::min(wildTime, bestOf(1, [&] { search.findNothing(0, L"DEAD??EF"); }));
            textTime = std::min(textTime, bestOf(1, [&] { search.findNothing(2, L"Quillix 64", false); }));
        }
        const double gb = static_cast<double>(bufferSize) / 1e9;
        std::printf("\nFind Next over 1 GiB in memory, absent: sweep %.2f GB/s\n", gb / sweepTime);
        std::printf("  hex DE AD BE EF          %6.2f GB/s  / sweep %.2f\n", gb / exactTime,
                    sweepTime / exactTime);
        std::printf("  hex DE AD ?? EF          %6.2f GB/s  / exact %.2f\n", gb / wildTime,
                    exactTime / wildTime);
        std::printf("  UTF-16 \"Quillix 64\", any case %6.2f GB/s  / sweep %.2f\n", gb / textTime,
                    sweepTime / textTime);
        figures.wildcardExact = exactTime / wildTime;
    }

    // A file of the same bytes holding 51 FF 17 A3 exactly 1,000,000 times (0xFF is nowhere else).
    constexpr std::int64_t hits = quillix::maxListedHits, stride = bufferSize / hits;
    for (std::int64_t k = 0; k < hits; ++k) std::memcpy(bytes + k * stride, "\x51\xFF\x17\xA3", 4);
    const std::filesystem::path folder = std::filesystem::temp_directory_path();
    const std::filesystem::path file = folder / "quillix-find-all-bench.bin",
                                whole = folder / "quillix-find-all-whole.bin";
    {
        std::ofstream out(file, std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes), bufferSize);
    }
    // Into a pipe: with its output going to /dev/null grep stops at the first hit.
    const std::string grep = "LC_ALL=C grep -obUaP '\\x51\\xFF' " + file.string() + " | wc -l > /dev/null";
    const double grepTime = bestOf(3, [&] {
        if (std::system(grep.c_str()) != 0) std::fprintf(stderr, "search_bench: grep failed\n");
    });
    DocumentSearch search;
    quillix::SystemError cause = 0;
    if (!quillix::openDocument(search.doc, search.view, search.host, file.wstring().c_str(), cause)) {
        std::fprintf(stderr, "search_bench: could not open %s\n", file.c_str());
        std::exit(1);
    }
    std::wcsncpy(search.doc.filePath, file.wstring().c_str(), quillix::filePathChars);
    std::int64_t count = 0;
    const double firstTime = bestOf(1, [&] { count = search.findAll(L"51FF"); });
    const double mappedTime = bestOf(3, [&] { count = search.findAll(L"51FF"); });
    std::printf("\nFind All of 51 FF (%lld hits) in a 1 GiB file in the page cache:\n",
                static_cast<long long>(count));
    std::printf(
        "  grep -obUaP: %.3f s; Find All the first time: %.3f s (grep / it %.2f); mapped: %.3f s (grep / it "
        "%.2f)\n",
        grepTime, firstTime, grepTime / firstTime, mappedTime, grepTime / mappedTime);

    double absentTime = 1e9, hitsTime = 1e9;
    for (int round = 0; round < 5; ++round) {
        absentTime = std::min(absentTime, bestOf(1, [&] { search.findAll(L"52FF17A3"); }));
        hitsTime = std::min(hitsTime, bestOf(1, [&] { count = search.findAll(L"51FF17A3"); }));
    }
    std::printf("Find All, 4 bytes: absent %.3f s; %lld hits %.3f s; ratio %.2f\n", absentTime,
                static_cast<long long>(count), hitsTime, hitsTime / absentTime);
    figures.findAllRatio = hitsTime / absentTime;

    search.put(search.state.findWhat, L"51FF17A3");
    search.put(search.state.replaceWhat, L"61??17A3");
    const double replaceTime =
        bestOf(1, [&] { quillix::replaceAll(search.hv, search.state, search.buttons(0)); });
    quillix::ByteRange touched;
    quillix::ReadFault fault;
    const double undoTime = bestOf(1, [&] { quillix::undoStep(search.doc, touched, fault); });
    const double redoTime = bestOf(1, [&] { quillix::redoStep(search.doc, touched, fault); });
    std::printf(
        "Replace All of them: %.3f s (/ find all %.2f); undo %.3f s (%.2f); redo %.3f s; step memory %.1f "
        "MB\n",
        replaceTime, replaceTime / hitsTime, undoTime, undoTime / hitsTime, redoTime,
        static_cast<double>(search.doc.history.memoryBytes() + search.doc.history.countMemoryBytes()) / 1e6);
    figures.replaceFindAll = replaceTime / hitsTime;

    quillix::SaveOutcome outcome;
    const double changedSave = bestOf(1, [&] { quillix::saveDocument(search.doc, search.host, &outcome); });
    const bool changedOnly = outcome.way == quillix::SaveWay::changedOnly;
    std::wcsncpy(search.doc.filePath, whole.wstring().c_str(), quillix::filePathChars);
    quillix::replaceAll(search.hv, search.state, search.buttons(0));
    search.put(search.state.findWhat, L"61FF17A3");
    search.put(search.state.replaceWhat, L"51FF17A3");
    quillix::replaceAll(search.hv, search.state, search.buttons(0));
    const double wholeSave = bestOf(1, [&] { quillix::saveDocument(search.doc, search.host, &outcome); });
    std::printf("Save of the replaced bytes%s: %.3f s; whole save: %.3f s; ratio %.4f\n",
                changedOnly ? "" : " (NOT changed runs)", changedSave, wholeSave, changedSave / wholeSave);
    quillix::closeDocumentView(search.doc);
    std::filesystem::remove(file);
    std::filesystem::remove(whole);
    return figures;
}

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (!__builtin_cpu_supports("avx2")) {
        std::fprintf(stderr, "search_bench: the sweep it measures against needs AVX2\n");
        return 1;
    }
    const std::vector<Case> all = cases();
    const std::vector<Case> adversarial = adversarialCases();
    removeOccurrences(all);
    for (const Case& c : all) {
        for (const Dir& d : directions) {
            std::vector<Way> ways = {Way::scan, Way::guarded, Way::sweep};
            if (d.step > 0) ways.push_back(Way::memmem);
            const std::string row = c.name + " / " + d.name;
            benchmark::RegisterBenchmark(row.c_str(), runRow, c, d.step, ways, row)->MinTime(1.0);
        }
    }
    for (const Case& c : adversarial) {
        for (const Dir& d : directions) {
            const std::string row = c.name + " / " + d.name;
            benchmark::RegisterBenchmark(row.c_str(), runRow, c, d.step,
                                         std::vector<Way>{Way::scan, Way::plain}, row)
                ->Iterations(5);
        }
    }
    benchmark::RunSpecifiedBenchmarks();

    std::printf("\nvector unit: %s; each rate is the fastest of its row's passes\n",
                unitName(quillix::vectorUnitInUse()));
    std::printf("%-44s %9s %10s %13s %10s %9s %9s %10s\n", "1 GiB, pattern absent", "scan GB/s", "sweep GB/s",
                "memchr/memmem", "scan/sweep", "scan/mem", "guarded", "gd/sweep");
    double worst = 1e9, worstGuarded = 1e9;
    std::string worstRow, worstGuardedRow;
    for (const Case& c : all) {
        const double mem = measured[c.name + " / down"][Way::memmem];
        for (const Dir& d : directions) {
            const std::string row = c.name + " / " + d.name;
            const double scan = measured[row][Way::scan];
            const double guarded = measured[row][Way::guarded];
            const double sweepRate = measured[row][Way::sweep];
            std::printf("%-44s %9.2f %10.2f %13.2f %10.2f %9.2f %9.2f %10.2f\n", row.c_str(), scan, sweepRate,
                        mem, ratio(scan, sweepRate), ratio(scan, mem), guarded, ratio(guarded, sweepRate));
            if (ratio(scan, sweepRate) < worst) {
                worst = ratio(scan, sweepRate);
                worstRow = row;
            }
            if (ratio(guarded, sweepRate) < worstGuarded) {
                worstGuarded = ratio(guarded, sweepRate);
                worstGuardedRow = row;
            }
        }
    }
    std::printf("\n%-44s %9s %10s %10s\n", "256 MiB, adversarial, pattern absent", "scan GB/s", "plain GB/s",
                "scan/plain");
    double worstPlain = 1e9;
    std::string worstPlainRow;
    for (const Case& c : adversarial) {
        for (const Dir& d : directions) {
            const std::string row = c.name + " / " + d.name;
            const double scan = measured[row][Way::scan];
            const double plain = measured[row][Way::plain];
            std::printf("%-44s %9.2f %10.2f %10.2f\n", row.c_str(), scan, plain, ratio(scan, plain));
            if (ratio(scan, plain) < worstPlain) {
                worstPlain = ratio(scan, plain);
                worstPlainRow = row;
            }
        }
    }
    std::printf("\nworst adversarial scan/plain ratio: %.2f (%s)\n", worstPlain, worstPlainRow.c_str());
    std::printf("worst guarded scan/sweep ratio, chunk by chunk as Find scans: %.2f (%s)\n", worstGuarded,
                worstGuardedRow.c_str());
    std::printf("worst scan/sweep ratio: %.2f (%s)\n", worst, worstRow.c_str());
    const Figures figures = findAndReplaceFigures();
    std::printf("\nworst wildcard/exact ratio: %.2f\n", figures.wildcardExact);
    std::printf("find all with 1000000 hits / absent: %.2f\n", figures.findAllRatio);
    std::printf("replace all / find all: %.2f\n", figures.replaceFindAll);
    benchmark::Shutdown();
    return 0;
}
