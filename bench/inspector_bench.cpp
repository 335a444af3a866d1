// The data inspector's cost per caret move: every row of the table formatted in both byte
// orders for 1,000,000 random caret positions over a 16 MiB random buffer (the last bytes
// included, where rows run out of data). The target is at most 20 us per update.
//
// Reference, measured in the same run over the same positions: the eight integer rows
// alone, both byte orders, written the obvious way with swprintf into the same kind of
// fixed buffers. The ratio inspector / reference says what the whole table costs against
// that part of it done through the C library; below 1 the full table is the cheaper.
//
// The two take turns in rounds so that whatever else the machine does falls on both. A
// last pass times every update on its own for the slowest ones: on a busy machine its
// top percentiles are the scheduler's, not the formatting's.
//
// Run: build/native/inspector_bench  (Release build: cmake --preset native)

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <cwchar>
#include <random>
#include <vector>

#include "hexview/data_inspector.h"

namespace {

using namespace quillix;
using Clock = std::chrono::steady_clock;

constexpr std::int64_t bufferSize = std::int64_t{16} << 20;
constexpr int updates = 1'000'000;
constexpr int rounds = 10;

double secondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

struct Workload {
    std::vector<std::uint8_t> bytes;
    std::vector<std::int64_t> carets;
};

Workload makeWorkload() {
    Workload work;
    std::mt19937_64 random(42);
    work.bytes.resize(bufferSize);
    for (auto& byte : work.bytes) byte = static_cast<std::uint8_t>(random());
    work.carets.resize(updates);
    for (auto& caret : work.carets) caret = static_cast<std::int64_t>(random() % bufferSize);
    work.carets[0] = bufferSize - 1;  // at least one update near the end of the data
    return work;
}

std::int64_t availableAt(std::int64_t caret) { return std::min(inspectorBytesUsed, bufferSize - caret); }

void inspectRange(const Workload& work, int first, int end, InspectorValues& values) {
    for (int i = first; i < end; ++i) {
        const std::int64_t caret = work.carets[i];
        inspectBytes(work.bytes.data() + caret, availableAt(caret), values);
        benchmark::DoNotOptimize(values);
    }
}

template <typename T>
T loadAt(const std::uint8_t* bytes, bool bigEndian) {
    std::uint8_t raw[sizeof(T)];
    std::memcpy(raw, bytes, sizeof raw);
    if (bigEndian) std::reverse(raw, raw + sizeof raw);
    T value;
    std::memcpy(&value, raw, sizeof value);
    return value;
}

void printIntegerRows(const std::uint8_t* bytes, std::int64_t available, InspectorValues& values) {
    for (int column = 0; column < 2; ++column) {
        const bool big = column == bigEndianColumn;
        auto out = [&](int row) { return values.text[row][column]; };
        constexpr auto size = inspectorTextCapacity;
        std::swprintf(out(inspectInt8), size, L"%d", static_cast<std::int8_t>(bytes[0]));
        std::swprintf(out(inspectUint8), size, L"%u", unsigned{bytes[0]});
        if (available < 2) continue;
        std::swprintf(out(inspectInt16), size, L"%d", loadAt<std::int16_t>(bytes, big));
        std::swprintf(out(inspectUint16), size, L"%u", loadAt<std::uint16_t>(bytes, big));
        if (available < 4) continue;
        std::swprintf(out(inspectInt32), size, L"%d", loadAt<std::int32_t>(bytes, big));
        std::swprintf(out(inspectUint32), size, L"%u", loadAt<std::uint32_t>(bytes, big));
        if (available < 8) continue;
        std::swprintf(out(inspectInt64), size, L"%lld", loadAt<long long>(bytes, big));
        std::swprintf(out(inspectUint64), size, L"%llu", loadAt<unsigned long long>(bytes, big));
    }
}

void printRange(const Workload& work, int first, int end, InspectorValues& values) {
    for (int i = first; i < end; ++i) {
        const std::int64_t caret = work.carets[i];
        printIntegerRows(work.bytes.data() + caret, availableAt(caret), values);
        benchmark::DoNotOptimize(values);
    }
}

double percentile(std::vector<double> values, double fraction) {
    std::sort(values.begin(), values.end());
    return values[static_cast<std::size_t>(fraction * static_cast<double>(values.size() - 1))];
}

}  // namespace

int main() {
    const Workload work = makeWorkload();
    static InspectorValues values;

    std::vector<double> inspector, reference;  // microseconds per update, one figure per round
    const int perRound = updates / rounds;
    for (int round = 0; round < rounds; ++round) {
        const int first = round * perRound, end = first + perRound;
        auto start = Clock::now();
        inspectRange(work, first, end, values);
        inspector.push_back(secondsSince(start) * 1e6 / perRound);
        start = Clock::now();
        printRange(work, first, end, values);
        reference.push_back(secondsSince(start) * 1e6 / perRound);
    }

    std::vector<double> single(updates);
    for (int i = 0; i < updates; ++i) {
        const auto start = Clock::now();
        inspectRange(work, i, i + 1, values);
        single[i] = secondsSince(start) * 1e6;
    }

    std::printf("data inspector: %d updates (%d rows, 2 columns each) at random carets over %lld MiB\n",
                updates, inspectorRowCount, static_cast<long long>(bufferSize >> 20));
    std::printf("%-42s %12s %12s\n", "per update", "best", "median");
    std::printf("%-42s %9.3f us %9.3f us   (target <= 20 us)\n", "inspector, every row",
                percentile(inspector, 0), percentile(inspector, 0.5));
    std::printf("%-42s %9.3f us %9.3f us\n", "reference, swprintf of the 8 integer rows",
                percentile(reference, 0), percentile(reference, 0.5));
    std::printf("ratio inspector / reference: %.2fx (best) %.2fx (median)\n",
                percentile(inspector, 0) / percentile(reference, 0),
                percentile(inspector, 0.5) / percentile(reference, 0.5));
    std::printf(
        "single updates timed alone: median %.3f us, 99%% within %.3f us, 99.9%% within %.3f us, "
        "slowest %.3f us\n",
        percentile(single, 0.5), percentile(single, 0.99), percentile(single, 0.999), percentile(single, 1));
    return 0;
}
