// Copying 64 MiB as hex text, against filling the same memory the copy fills (its
// binary block and its text: seven bytes per byte) with memset, measured in the same run,
// in MB/s of document (1 MB = 10^6 bytes). memset is the memory's own rate of filling
// that much: the ceiling no copy can pass.
//
// The copy is timed whole: the checked-in chunks, taking the bytes out of the document,
// formatting them as "4D 5A 90 00" text, and handing both blocks to the host's clipboard.
// Two kinds of rounds, the copy and its memset taking turns at going first:
// - fresh blocks, as every copy gets them from the system (GlobalAlloc hands out memory
//   the process has not touched yet, and the clipboard keeps it): the copy against a
//   memset of as much fresh memory, both paying for the system's first touch of each page;
// - warm blocks, kept from the last copy, against a memset of those same blocks.
// The text dump's formatting of the same bytes, which writes each line into a buffer
// that stays in the cache, and pasting the bytes back once are shown for scale.
//
// Run: build/native/copy_bench [size in MiB, default 64]  (target: copy / memset >= 0.6
// in both kinds of rounds)

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <random>
#include <vector>

#include "document/document.h"
#include "document/save/text_dump.h"
#include "hexview/clipboard.h"
#include "hexview/clipboard_text.h"
#include "hexview/hex_view.h"
#include "hexview/selection.h"
#include "host/text_format.h"
#include "tests/core/recording_host.h"
#include "tests/core/write_sink.h"

using namespace quillix;

namespace {

using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// A clipboard whose blocks are fresh memory the allocator does not fill (as GlobalAlloc
// without GMEM_ZEROINIT; blocks this large come straight from the system and go back to
// it when freed), or, while warm is set, the blocks of the last copy again.
class BenchClipboardHost : public test::RecordingHost {
public:
    void* clipboardBlock(ClipboardFormat format, std::size_t bytes) override {
        Block& block = blocks[format];
        if (!warm || block.size < bytes) {
            block.data.reset();
            block.data.reset(new std::uint8_t[bytes]);
            block.size = bytes;
        }
        return block.data.get();
    }
    bool putClipboard() override {
        ++clipboardPuts;
        return true;
    }
    void dropClipboardBlocks() override {}

    struct Block {
        std::unique_ptr<std::uint8_t[]> data;
        std::size_t size = 0;
    };
    std::map<ClipboardFormat, Block> blocks;
    bool warm = false;
};

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

void printRates(const char* name, const std::vector<double>& rates, const char* note = "") {
    std::printf("  %-40s best %6.0f MB/s   median %6.0f MB/s%s\n", name,
                *std::max_element(rates.begin(), rates.end()), median(rates), note);
}

void printRatio(const char* name, const std::vector<double>& copies, const std::vector<double>& fills) {
    std::printf("ratio copy / memset, %s: best %.2f, median %.2f (target >= 0.6)\n", name,
                *std::max_element(copies.begin(), copies.end()) / *std::max_element(fills.begin(), fills.end()),
                median(copies) / median(fills));
}

}  // namespace

int main(int argc, char** argv) {
    std::int64_t mebibytes = argc > 1 ? std::atoll(argv[1]) : 64;
    if (mebibytes <= 0) mebibytes = 64;
    const std::int64_t size = mebibytes << 20;

    // Binary data with NUL runs: the copy's work does not depend on the values.
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size));
    std::mt19937_64 random(42);
    for (auto& byte : bytes) byte = random() % 4 == 0 ? 0 : static_cast<std::uint8_t>(random());
    Document doc;
    doc.fileBytes = bytes.data();
    doc.fileSize = size;
    doc.lineCount = lineCountFor(size);
    ViewState view;
    view.lineHeight = 18;
    view.charWidth = 10;
    view.clientHeight = 18 * 30;
    BenchClipboardHost host;
    const HexView hv{doc, view, host};
    selectAll(hv);
    test::DiscardingSink discard;
    const std::size_t textBytes = hexTextUnits(static_cast<std::size_t>(size)) * sizeof(TextUnit);
    const std::size_t copyBytes = textBytes + bytesHeaderSize + static_cast<std::size_t>(size);

    auto rate = [size](Clock::time_point start) { return static_cast<double>(size) / secondsSince(start) / 1e6; };
    auto copy = [&] {
        Clock::time_point start = Clock::now();
        if (copyToClipboard(hv) != 1) {
            std::fprintf(stderr, "the copy failed\n");
            std::exit(1);
        }
        return rate(start);
    };

    // The two take turns, so that whatever else the machine does falls on both alike.
    constexpr int freshRounds = 9;
    std::vector<double> freshCopies, freshFills;
    for (int round = 0; round < freshRounds; ++round) {
        auto fill = [&] {
            Clock::time_point start = Clock::now();
            std::unique_ptr<std::uint8_t[]> fresh(new std::uint8_t[copyBytes]);
            std::memset(fresh.get(), round, copyBytes);
            freshFills.push_back(rate(start));
        };
        host.blocks.clear();
        if (round % 2) fill();
        freshCopies.push_back(copy());
        // The copy is right: its text is the dump's digits with single blanks.
        const auto* text = reinterpret_cast<const TextUnit*>(host.blocks[ClipboardFormat::text].data.get());
        if (text[0] != static_cast<TextUnit>(upperHexDigits[bytes[0] >> 4]) || text[3 * size - 4] != u' ' ||
            text[3 * size - 1] != 0) {
            std::fprintf(stderr, "the copied text is wrong\n");
            return 1;
        }
        if (round % 2 == 0) fill();
    }

    constexpr int warmRounds = 25;
    host.warm = true;
    std::vector<double> warmCopies, warmFills, dumpRates;
    for (int round = 0; round < warmRounds; ++round) {
        auto fill = [&] {
            Clock::time_point start = Clock::now();
            for (auto& [format, block] : host.blocks) std::memset(block.data.get(), round, block.size);
            warmFills.push_back(rate(start));
        };
        if (round % 2) fill();
        warmCopies.push_back(copy());
        if (round % 2 == 0) fill();
        Clock::time_point start = Clock::now();
        if (exportTextDump(doc, host, L"discarded", discard) != 1) {
            std::fprintf(stderr, "the dump failed\n");
            return 1;
        }
        dumpRates.push_back(rate(start));
    }

    std::printf("%lld MiB as hex text, %lld MiB of memory per copy (the hex text formatter uses %s)\n",
                static_cast<long long>(mebibytes), static_cast<long long>(copyBytes >> 20),
                hexShuffleAvailable() ? "the byte shuffle" : "the plain loop");
    printRates("fresh blocks: copy", freshCopies);
    printRates("fresh blocks: memset of as much memory", freshFills, " (the ceiling)");
    printRates("warm blocks: copy", warmCopies);
    printRates("warm blocks: memset of the same blocks", warmFills, " (the ceiling)");
    printRates("for scale, text dump formatting", dumpRates);
    printRatio("fresh blocks", freshCopies, freshFills);
    printRatio("warm blocks", warmCopies, warmFills);
    std::printf("(check %u)\n", discard.checksum % 2);

    // For scale: pasting the same bytes back, each marked changed and the run recorded as
    // pasted, once (the last memset went over the last copy).
    copy();
    const auto& copied = host.blocks[ClipboardFormat::bytes];
    host.clipboard[ClipboardFormat::bytes].assign(copied.data.get(), copied.data.get() + copied.size);
    Clock::time_point start = Clock::now();
    const int pasted = pasteFromClipboard(hv);
    std::printf("for scale, pasting them back once (each byte through storeByte): %.0f MB/s (%s)\n",
                size / secondsSince(start) / 1e6, pasted == 1 ? "pasted" : "refused");
    doc.fileBytes = nullptr;
    return 0;
}
