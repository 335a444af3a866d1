// Copying 64 MiB as hex text, against the text dump's formatting of the same 64 MiB,
// measured in the same run, in MB/s of document (1 MB = 10^6 bytes).
//
// The copy is timed whole: the checked-in chunks, taking the bytes out of the document,
// formatting them as "4D 5A 90 00" text, and handing both blocks to the host's clipboard.
// The host keeps its blocks between copies, as a warm allocator would; the first copy,
// which touches fresh memory, is shown apart. The dump's formatting writes each line into
// a buffer that stays in the cache and is handed to a file layer that drops it, while the
// copy must leave six bytes of text per byte in memory: the memory's own rate of filling
// that much (memset) is shown as the ceiling no copy can pass.
//
// Pasting the bytes back is timed once for scale.
//
// Run: build/native/copy_bench [size in MiB, default 64]  (target: ratio >= 0.8)

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <random>
#include <vector>

#include "document/document.h"
#include "document/text_dump.h"
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

// A clipboard that keeps its memory from one copy to the next.
class WarmClipboardHost : public test::RecordingHost {
public:
    void* clipboardBlock(ClipboardFormat format, std::size_t bytes) override {
        std::vector<std::uint8_t>& block = blocks[format];
        if (block.size() < bytes) block.resize(bytes);
        return block.data();
    }
    bool putClipboard() override {
        ++clipboardPuts;
        return true;
    }
    void dropClipboardBlocks() override {}
    std::map<ClipboardFormat, std::vector<std::uint8_t>> blocks;
};

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
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
    WarmClipboardHost host;
    const HexView hv{doc, view, host};
    selectAll(hv);
    test::DiscardingSink discard;

    Clock::time_point start = Clock::now();
    if (copyToClipboard(hv) != 1) {
        std::fprintf(stderr, "the copy failed\n");
        return 1;
    }
    const double firstCopy = secondsSince(start);
    // The copy is right: its text is the dump's digits with single blanks.
    const auto* text = reinterpret_cast<const TextUnit*>(host.blocks[ClipboardFormat::text].data());
    if (text[0] != static_cast<TextUnit>(upperHexDigits[bytes[0] >> 4]) || text[3 * size - 1] != 0) {
        std::fprintf(stderr, "the copied text is wrong\n");
        return 1;
    }

    // The two take turns, so that whatever else the machine does falls on both alike.
    constexpr int rounds = 25;
    std::vector<double> copyRates, dumpRates, fillRates;
    std::vector<std::uint8_t>& textBlock = host.blocks[ClipboardFormat::text];
    for (int round = 0; round < rounds; ++round) {
        start = Clock::now();
        std::memset(textBlock.data(), round, textBlock.size());
        fillRates.push_back(size / secondsSince(start) / 1e6);
        start = Clock::now();
        copyToClipboard(hv);
        copyRates.push_back(size / secondsSince(start) / 1e6);
        start = Clock::now();
        if (exportTextDump(doc, host, L"discarded", discard) != 1) {
            std::fprintf(stderr, "the dump failed\n");
            return 1;
        }
        dumpRates.push_back(size / secondsSince(start) / 1e6);
    }
    const double copyBest = *std::max_element(copyRates.begin(), copyRates.end());
    const double dumpBest = *std::max_element(dumpRates.begin(), dumpRates.end());
    std::printf("%lld MiB, %d rounds (the hex text formatter uses %s)\n", static_cast<long long>(mebibytes),
                rounds, hexShuffleAvailable() ? "the byte shuffle" : "the plain loop");
    std::printf("  copy as hex text, warm blocks  best %6.0f MB/s   median %6.0f MB/s\n", copyBest,
                median(copyRates));
    std::printf("  text dump formatting           best %6.0f MB/s   median %6.0f MB/s\n", dumpBest,
                median(dumpRates));
    std::printf("  memset of the text's memory    best %6.0f MB/s   median %6.0f MB/s (the ceiling)\n",
                *std::max_element(fillRates.begin(), fillRates.end()), median(fillRates));
    std::printf("  first copy, fresh blocks            %6.0f MB/s (the system's first touch of %lld MiB)\n",
                size / firstCopy / 1e6, static_cast<long long>(mebibytes * 7));
    std::printf("ratio copy / dump formatting: best %.2fx, median %.2fx (target >= 0.8x)   (check %u)\n",
                copyBest / dumpBest, median(copyRates) / median(dumpRates), discard.checksum % 2);

    // For scale: pasting the same bytes back, each marked changed and the run recorded as
    // pasted, once.
    host.clipboard[ClipboardFormat::bytes] = host.blocks[ClipboardFormat::bytes];
    start = Clock::now();
    const int pasted = pasteFromClipboard(hv);
    std::printf("for scale, pasting them back once (each byte through storeByte): %.0f MB/s (%s)\n",
                size / secondsSince(start) / 1e6, pasted == 1 ? "pasted" : "refused");
    doc.fileBytes = nullptr;
    return 0;
}
