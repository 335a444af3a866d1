// Undo and redo against recording, measured in the same run: 1,000,000 typed steps at
// random offsets over a 1 GiB document are recorded (each through storeByte, as typing
// stores a byte: the view, the step, the counts and the mark), then all undone, then all
// redone (targets: each at most 2 times the recording), and the history they take is
// shown (target: at most 16 MiB). The first recording pays for the system's copy of each
// page it touches first; the same steps recorded again, and undone and redone, give the
// ratios without it. Last, a 200 MiB paste is undone after a typed step and against the
// same paste undone with none (target: at most 1.2 times: the cost follows the bytes the
// typed steps count, not the paste's length).
//
// Run: build/native/undo_bench [folder]   (default: the system's temp folder; the 1 GiB
// file is sparse and removed afterwards)
//      build/native/undo_bench folder paste   the peak resident size of a 256 MiB paste into
//      the same file, on its own (each mode runs in a process of its own)

#include <chrono>
#include <cstring>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include <sys/resource.h>

#include "document/document.h"

namespace {

using namespace quillix;
using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// The most memory the process has held in RAM so far, in MiB.
double peakResidentMiB() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

// One 256 MiB paste, undoable, into the document: what the view's private pages, the step's
// kept bytes and the change record hold at their peak.
int pastePeak(Document& doc) {
    constexpr std::int64_t pasted = std::int64_t{256} << 20;
    const ByteFeed fill{[](void*, std::int64_t at, std::int64_t count, std::uint8_t* out) {
        for (std::int64_t i = 0; i < count; ++i) out[i] = static_cast<std::uint8_t>((at + i) * 7 + 1);
    }};
    const double before = peakResidentMiB();
    PasteControl control;
    control.undoable = true;
    const bool stored = storeBytes(doc, 0, pasted, fill, control) == pasted;
    std::printf(
        "256 MiB paste: peak resident %.0f MiB (%.0f MiB before it); change record %.0f MiB, "
        "history %.0f MiB\n",
        peakResidentMiB(), before, static_cast<double>(doc.changes.memoryBytes()) / (1 << 20),
        static_cast<double>(doc.history.memoryBytes()) / (1 << 20));
    return stored ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    const std::filesystem::path folder = argc > 1 ? argv[1] : std::filesystem::temp_directory_path();
    const std::filesystem::path path = folder / "quillix-undo-bench.bin";
    constexpr std::int64_t size = std::int64_t{1} << 30;
    constexpr int steps = 1000000;
    {
        std::ofstream file(path, std::ios::binary | std::ios::trunc);
        file.close();
        std::filesystem::resize_file(path, static_cast<std::uintmax_t>(size));
    }
    Document doc;
    SystemError cause = 0;
    if (!openDocument(doc, path.wstring().c_str(), cause)) {
        std::printf("cannot open %s (error %d)\n", path.string().c_str(), static_cast<int>(cause));
        return 1;
    }
    if (argc > 2 && std::string(argv[2]) == "paste") {
        const int failed = pastePeak(doc);
        closeDocumentView(doc);
        std::filesystem::remove(path);
        return failed;
    }
    std::mt19937_64 random(42);
    std::vector<std::int64_t> offsets(steps);
    for (auto& offset : offsets) offset = static_cast<std::int64_t>(random() % static_cast<std::uint64_t>(size));

    int failures = 0;
    auto start = Clock::now();
    for (int i = 0; i < steps; ++i)
        failures += !storeByte(doc, offsets[static_cast<std::size_t>(i)], static_cast<std::uint8_t>(i | 1));
    const double record = secondsSince(start);
    const double scatteredPerByte =
        static_cast<double>(doc.changes.memoryBytes()) / static_cast<double>(doc.changes.count());

    ByteRange touched;
    ReadFault fault;
    auto moveAll = [&](StepOutcome (*move)(Document&, ByteRange&, ReadFault&)) {
        const auto begin = Clock::now();
        for (int i = 0; i < steps; ++i) failures += move(doc, touched, fault) != StepOutcome::done;
        return secondsSince(begin);
    };
    const double undo = moveAll(undoStep);
    const bool clean = doc.isModified == 0 && doc.changes.empty();
    const double redo = moveAll(redoStep);
    const double undoAgain = moveAll(undoStep);
    // Recorded again at the same offsets (dropping the steps undone): every page is the
    // process's own by now, so this is recording without the system's first-touch copies.
    start = Clock::now();
    for (int i = 0; i < steps; ++i)
        failures += !storeByte(doc, offsets[static_cast<std::size_t>(i)], static_cast<std::uint8_t>(i | 1));
    const double recordWarm = secondsSince(start);
    const double undoWarm = moveAll(undoStep);
    const double redoWarm = moveAll(redoStep);

    std::printf("1 GiB document, %d typed steps at random offsets\n", steps);
    std::printf("  record (storeByte)      %8.3f s   %6.0f ns/step\n", record, record * 1e9 / steps);
    std::printf("  undo all                %8.3f s   %6.0f ns/step   ratio to record %.2fx (target <= 2x)\n",
                undo, undo * 1e9 / steps, undo / record);
    std::printf("  redo all                %8.3f s   %6.0f ns/step   ratio to record %.2fx (target <= 2x)\n",
                redo, redo * 1e9 / steps, redo / record);
    std::printf("  undo all again          %8.3f s   %6.0f ns/step   ratio to record %.2fx\n", undoAgain,
                undoAgain * 1e9 / steps, undoAgain / record);
    std::printf("  record again, pages warm %8.3f s   %6.0f ns/step\n", recordWarm, recordWarm * 1e9 / steps);
    std::printf("  undo all                %8.3f s   %6.0f ns/step   ratio to warm record %.2fx (target <= 2x)\n",
                undoWarm, undoWarm * 1e9 / steps, undoWarm / recordWarm);
    std::printf("  redo all                %8.3f s   %6.0f ns/step   ratio to warm record %.2fx (target <= 2x)\n",
                redoWarm, redoWarm * 1e9 / steps, redoWarm / recordWarm);
    std::printf("  history kept: %.2f MiB for %zu steps (target <= 16 MiB); counts behind the marks %.2f MiB\n",
                static_cast<double>(doc.history.memoryBytes()) / (1 << 20), doc.history.steps(),
                static_cast<double>(doc.history.countMemoryBytes()) / (1 << 20));
    std::printf("  all undone: %s; failures: %d\n", clean ? "unmodified, nothing marked" : "STILL MARKED", failures);

    // The change record keeps two values per changed byte: what it costs per byte, typed at
    // random offsets (a line each) and typed one after another over a region, as people do.
    failures += !openDocument(doc, path.wstring().c_str(), cause);
    start = Clock::now();
    for (int i = 0; i < steps; ++i)
        failures += !storeByte(doc, (std::int64_t{1} << 20) + i, static_cast<std::uint8_t>(i | 1));
    const double typedRun = secondsSince(start);
    std::printf("change record: %.1f bytes per changed byte scattered, %.2f typed in a run (%.0f ns/step)\n",
                scatteredPerByte,
                static_cast<double>(doc.changes.memoryBytes()) / static_cast<double>(doc.changes.count()),
                typedRun * 1e9 / steps);

    // Each round opens the file afresh, so both pastes start from the file's own pages.
    constexpr std::int64_t pasted = std::int64_t{200} << 20;
    const ByteFeed fill{[](void*, std::int64_t, std::int64_t count, std::uint8_t* out) {
        std::memset(out, 0x5A, static_cast<std::size_t>(count));
    }};
    auto undoPaste = [&](bool typedFirst) {
        failures += !openDocument(doc, path.wstring().c_str(), cause);
        if (typedFirst) failures += !storeByte(doc, size - 1, 0x01);
        failures += storeBytes(doc, 0, pasted, fill) != pasted;
        const auto begin = Clock::now();
        failures += undoStep(doc, touched, fault) != StepOutcome::done;
        return secondsSince(begin);
    };
    const double alone = undoPaste(false), afterTyped = undoPaste(true);
    std::printf(
        "200 MiB paste undone: alone %.3f s, after a typed step %.3f s, ratio %.2fx (target <= 1.2x)\n",
        alone, afterTyped, afterTyped / alone);

    closeDocumentView(doc);
    std::filesystem::remove(path);
    return failures == 0 && clean ? 0 : 1;
}
