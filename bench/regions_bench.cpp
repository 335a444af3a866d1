// Regions and places, each against a reference measured in the same run:
//
// (a) Fill Selection over 1 GiB (storeBytes fed the repeated pattern, the change record
//     included; past the history's cap, so without a step, as the user agrees to) against
//     memset over the same bytes of the view, both with the view's pages already the
//     process's own (target: at least 0.5 of memset's rate); the first fill, paying for the
//     system's copy of each page, shown beside it. Then a fill of 256 MiB (the most the
//     history keeps) and its undo (target: the undo no slower than the fill).
// (b) Saving the filled 1 GiB document into its file against a whole save of it to a new
//     name (target: about as fast: the changed-bytes save of a document changed throughout).
// (c) Copy As of 64 MiB in each form against the hex text of Copy over the same bytes
//     (target: each at least 0.5 of its rate).
// (d) Next and previous bookmark among 10,000 (target: under 1 ms each).
//
// Run: build/native/regions_bench [folder [copy|fill]]   (default: the system's temp folder,
// every part; the fill needs about 3 GiB free there)

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <cwchar>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "document/save/save_document.h"
#include "hexview/clipboard_text.h"
#include "hexview/regions.h"
#include "host/view_host.h"
#include "quiet_host.h"
#include "places/bookmarks.h"
#include "places/copy_as.h"
#include "places/fill_pattern.h"

namespace {

using namespace quillix;
using Clock = std::chrono::steady_clock;

using bench::QuietHost;

double secondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

int failures = 0;

void makeSparse(const std::filesystem::path& path, std::int64_t size) {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.close();
    std::filesystem::resize_file(path, static_cast<std::uintmax_t>(size));
}

void open(Document& doc, const std::filesystem::path& path) {
    SystemError cause = 0;
    if (!openDocument(doc, path.wstring().c_str(), cause)) {
        std::printf("cannot open %s (error %d)\n", path.string().c_str(), static_cast<int>(cause));
        std::exit(1);
    }
}

double fillSeconds(Document& doc, std::int64_t count, bool undoable, FillPattern& pattern) {
    const auto start = Clock::now();
    failures +=
        storeBytes(doc, 0, count, ByteFeed{feedFillPattern, &pattern}, PasteControl{undoable}) != count;
    doc.isModified = 1;
    return secondsSince(start);
}

void benchFillAndSave(const std::filesystem::path& folder) {
    constexpr std::int64_t size = std::int64_t{1} << 30;
    const auto path = folder / "quillix-regions-bench.bin";
    const auto copy = folder / "quillix-regions-bench-copy.bin";
    makeSparse(path, size);
    FillPattern pattern;
    readFillPattern(L"DE AD BE EF 01", pattern);
    Document doc;
    open(doc, path);
    const double firstFill = fillSeconds(doc, size, false, pattern);
    const double fill = fillSeconds(doc, size, false, pattern);
    auto start = Clock::now();
    std::memset(doc.fileBytes, 0x5A, static_cast<std::size_t>(size));
    const double memsetTime = secondsSince(start);
    std::memset(doc.fileBytes, 0xDE, static_cast<std::size_t>(size));  // roughly what the fill left
    failures += fillSeconds(doc, size, false, pattern) <= 0;           // the record and view agree again
    std::printf("Fill 1 GiB (pattern of 5 bytes)\n");
    std::printf("  fill, pages warm     %7.3f s  %7.0f MB/s\n", fill, size / fill / 1e6);
    std::printf("  memset, same bytes   %7.3f s  %7.0f MB/s   fill's ratio %.2f (target >= 0.5)\n",
                memsetTime, size / memsetTime / 1e6, memsetTime / fill);
    std::printf("  first fill (the system copies each page) %.3f s\n", firstFill);

    // Saving it: into its own file (the changed bytes: all of them) against a whole save.
    QuietHost host;
    std::wcsncpy(doc.filePath, copy.wstring().c_str(), filePathChars);
    start = Clock::now();
    SaveOutcome outcome;
    failures += saveDocument(doc, host, &outcome) != 1;
    const double wholeSave = secondsSince(start);
    Document filled;
    open(filled, path);
    failures += fillSeconds(filled, size, false, pattern) <= 0;
    std::wcsncpy(filled.filePath, path.wstring().c_str(), filePathChars);
    start = Clock::now();
    failures += saveDocument(filled, host, &outcome) != 1;
    const double filledSave = secondsSince(start);
    std::printf("  save of the filled document %.3f s, whole save %.3f s, ratio %.2f (target <= about 1)\n",
                filledSave, wholeSave, filledSave / wholeSave);
    closeDocumentView(filled);

    // The most the history keeps, filled and undone.
    constexpr std::int64_t undoable = std::int64_t{256} << 20;
    open(doc, path);
    fillSeconds(doc, undoable, false, pattern);  // the pages become the process's own
    const double capFill = fillSeconds(doc, undoable, true, pattern);
    ByteRange touched;
    ReadFault fault;
    start = Clock::now();
    failures += undoStep(doc, touched, fault) != StepOutcome::done;
    const double undo = secondsSince(start);
    std::printf("Fill 256 MiB as one step %.3f s, its undo %.3f s, ratio %.2f (target <= 1)\n", capFill, undo,
                undo / capFill);
    closeDocumentView(doc);
    std::filesystem::remove(path);
    std::filesystem::remove(copy);
}

void benchCopyAs() {
    constexpr std::size_t count = std::size_t{64} << 20;
    std::vector<std::uint8_t> bytes(count);
    std::mt19937 random(3);
    for (auto& byte : bytes) byte = static_cast<std::uint8_t>(random());
    std::vector<char16_t> hex(hexTextUnits(count));
    std::vector<char> text(copyAsUnits(CopyAsFormat::cArray, count));
    auto best = [](auto&& run) {
        double fastest = 1e9;
        for (int round = 0; round < 5; ++round) {
            const auto start = Clock::now();
            run();
            fastest = std::min(fastest, secondsSince(start));
        }
        return fastest;
    };
    constexpr std::size_t piece = std::size_t{48} << 10;
    const double hexText = best([&] {
        for (std::size_t at = 0; at < count; at += piece)
            formatHexPiece(bytes.data() + at, std::min(piece, count - at), hex.data() + 3 * at);
    });
    std::printf("Copy As of 64 MiB against Copy's hex text (%.3f s, %.0f MB/s of bytes)\n", hexText,
                count / hexText / 1e6);
    const struct {
        CopyAsFormat format;
        const char* name;
    } forms[] = {{CopyAsFormat::hexString, "hex string"},
                 {CopyAsFormat::cArray, "C array"},
                 {CopyAsFormat::base64, "Base64"}};
    for (const auto& form : forms) {
        const double time = best([&] {
            formatCopyAsRange(form.format, bytes.data(), 0, static_cast<std::int64_t>(count),
                              static_cast<std::int64_t>(count), text.data());
        });
        std::printf("  %-10s %.3f s  %5.0f MB/s   ratio %.2f (target >= 0.5)\n", form.name, time,
                    count / time / 1e6, hexText / time);
    }
}

void benchBookmarks() {
    Bookmarks marks;
    std::mt19937_64 random(9);
    while (marks.offsets.size() < 10000)
        toggleBookmark(marks, static_cast<std::int64_t>(random() % (1ull << 32)));
    constexpr int jumps = 100000;
    std::int64_t at = 0, sum = 0;
    auto start = Clock::now();
    for (int i = 0; i < jumps; ++i) {
        nextBookmark(marks, at, at);
        sum += at;
    }
    const double next = secondsSince(start) / jumps;
    start = Clock::now();
    for (int i = 0; i < jumps; ++i) {
        previousBookmark(marks, at, at);
        sum += at;
    }
    const double previous = secondsSince(start) / jumps;
    std::printf(
        "Bookmarks among 10,000: next %.3f us, previous %.3f us per jump (target < 1000 us)  [%lld]\n",
        next * 1e6, previous * 1e6, static_cast<long long>(sum % 7));
}

}  // namespace

int main(int argc, char** argv) {
    const std::filesystem::path folder = argc > 1 ? argv[1] : std::filesystem::temp_directory_path();
    const std::string part = argc > 2 ? argv[2] : "";
    if (part != "fill") {
        benchCopyAs();
        benchBookmarks();
    }
    if (part != "copy") benchFillAndSave(folder);
    if (failures) std::printf("FAILURES: %d\n", failures);
    return failures == 0 ? 0 : 1;
}
