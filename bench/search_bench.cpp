// Search speed over a warm 1 GiB buffer in which the pattern does not occur, so every
// scan runs from one end to the other. Each case is measured three ways in the same run:
// the fast scan the searches use, the plain loop that tries one start position after
// another (what the searches would do without the vector skip), and glibc's memmem as a
// yardstick (forward and exact only; for folded text it looks for one case variant).
// Prints GB/s per case and the ratios fast/plain and fast/memmem.
//
//   cmake --preset native && cmake --build --preset native && build/native/search_bench

#include <sys/mman.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>

#include "search/case_fold.h"
#include "search/scan.h"

namespace {

using quillix::ScanPattern;

constexpr std::int64_t bufferSize = std::int64_t{1} << 30;

// 1 GiB of pseudo-random bytes without 0xFF, mapped anonymously and written once, so it is
// resident before any timing starts.
std::uint8_t* warmBuffer() {
    static std::uint8_t* bytes = [] {
        void* mapped = mmap(nullptr, bufferSize, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (mapped == MAP_FAILED) {
            std::perror("mmap");
            std::exit(1);
        }
        auto* out = static_cast<std::uint8_t*>(mapped);
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
    std::vector<std::int64_t> lower, upper;  // per position; equal for hex
    std::vector<std::uint8_t> memmemNeedle;
    bool folded = false;  // text without Match case: two values per position
};

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

ScanPattern fastPattern(const Case& c) {
    ScanPattern pattern;
    for (std::size_t k = 0; k < c.lower.size(); ++k) quillix::addPosition(pattern, c.lower[k], c.upper[k]);
    return pattern;
}

Case hexCase(const char* name, std::vector<std::uint8_t> bytes) {
    Case c{name, {}, {}, bytes};
    for (std::uint8_t b : bytes) c.lower.push_back(b);
    c.upper = c.lower;
    return c;
}

Case foldedTextCase(const char* name, const wchar_t* text) {
    Case c{name, {}, {}, {}, true};
    for (const wchar_t* unit = text; *unit; ++unit) {
        c.lower.push_back(quillix::lowerCaseUnit(*unit));
        c.upper.push_back(quillix::upperCaseUnit(*unit));
        c.memmemNeedle.push_back(static_cast<std::uint8_t>(c.lower.back()));
    }
    return c;
}

std::vector<Case> cases() {
    return {
        hexCase("hex 1 byte", {0xFF}),
        hexCase("hex 4 bytes", {0x5A, 0xC3, 0x17, 0x8E}),
        hexCase("hex 16 bytes", {0x3D, 0x91, 0x04, 0xE2, 0x7B, 0x5A, 0xC0, 0x11, 0x68, 0xAF, 0x23, 0xD4, 0x9C,
                                 0x40, 0x0B, 0x76}),
        foldedTextCase("text 4 chars, any case", L"QuiX"),
    };
}

enum class Way { fast, plain, memmem };

void runCase(benchmark::State& state, const Case& c, Way way, std::int64_t direction) {
    const std::uint8_t* bytes = warmBuffer();
    const ScanPattern pattern = fastPattern(c);
    const auto length = static_cast<std::int64_t>(c.lower.size());
    const std::int64_t start = direction > 0 ? 0 : bufferSize - length;
    std::int64_t hit = 0;
    for (auto _ : state) {
        switch (way) {
            case Way::fast:
                hit = direction > 0 ? quillix::scanForward(bytes, bufferSize, pattern, start)
                                    : quillix::scanBackward(bytes, bufferSize, pattern, start);
                break;
            case Way::plain: hit = plainScan(bytes, bufferSize, c, start, direction); break;
            case Way::memmem:
                hit = memmem(bytes, bufferSize, c.memmemNeedle.data(), c.memmemNeedle.size()) ? 0 : -1;
                break;
        }
        benchmark::DoNotOptimize(hit);
    }
    if (hit != -1) state.SkipWithError("the pattern occurs in the buffer");
    state.SetBytesProcessed(state.iterations() * bufferSize);
}

// Keeps each run's processor seconds per scan for the table at the end: on a shared
// machine wall time also counts the time other processes held the processor.
class TableReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            if (!run.error_occurred && run.iterations > 0)
                seconds[run.run_name.function_name] =
                    run.cpu_accumulated_time / static_cast<double>(run.iterations);
        }
        ConsoleReporter::ReportRuns(runs);
    }
    std::map<std::string, double> seconds;
};

std::string runName(const Case& c, const char* direction, const char* way) {
    return c.name + " / " + direction + " / " + way;
}

}  // namespace

// Random bytes hold a four-byte or four-letter pattern a few times per GiB. Those few
// places are spoiled, so every scan runs the whole buffer while the bytes around keep
// their statistics: the first and last bytes of each pattern still occur everywhere.
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

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    const std::vector<Case> all = cases();
    removeOccurrences(all);
    struct Dir {
        const char* name;
        std::int64_t step;
    };
    const Dir directions[] = {{"down", 1}, {"up", -1}};
    for (const Case& c : all) {
        for (const Dir& d : directions) {
            benchmark::RegisterBenchmark(runName(c, d.name, "fast").c_str(), runCase, c, Way::fast, d.step)
                ->Unit(benchmark::kMillisecond)
                ->MinTime(0.5);
            benchmark::RegisterBenchmark(runName(c, d.name, "plain").c_str(), runCase, c, Way::plain, d.step)
                ->Unit(benchmark::kMillisecond)
                ->MinTime(0.5);
        }
        benchmark::RegisterBenchmark(runName(c, "down", "memmem").c_str(), runCase, c, Way::memmem, 1)
            ->Unit(benchmark::kMillisecond)
            ->MinTime(0.5);
    }
    TableReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);

    auto gbPerSecond = [&](const std::string& name) {
        auto found = reporter.seconds.find(name);
        return found == reporter.seconds.end() ? 0.0 : static_cast<double>(bufferSize) / found->second / 1e9;
    };
    std::printf(
        "\n1 GiB, pattern absent          dir    fast GB/s  plain GB/s  memmem GB/s  fast/plain  "
        "fast/memmem\n");
    for (const Case& c : all) {
        const double memmemRate = gbPerSecond(runName(c, "down", "memmem"));
        for (const Dir& d : directions) {
            const double fast = gbPerSecond(runName(c, d.name, "fast"));
            const double plain = gbPerSecond(runName(c, d.name, "plain"));
            std::printf("%-30s %-5s %10.2f %11.2f %12.2f %10.1fx %11.1fx\n", c.name.c_str(), d.name, fast,
                        plain, memmemRate, plain > 0 ? fast / plain : 0.0,
                        memmemRate > 0 ? fast / memmemRate : 0.0);
        }
    }
    benchmark::Shutdown();
    return 0;
}
