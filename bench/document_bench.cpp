// The document's open and save, each against a reference measured in the same run.
//
// (a) Opening a 4 GiB file (sparse: no real data needed) against opening a 4 KiB file:
//     a private mapping costs the same for any size, so the ratio should stay near 1
//     (target: at most 2).
// (b) Saving a 1 GiB document, freshly opened (no page of its view touched yet), as a
//     new file, flushed to the disk, against a plain sequential write of the same bytes
//     from memory into a new file with the same flush: seven rounds, the two taking turns
//     at going first, their medians and bests compared (target: at least 0.85 of its
//     throughput).
//
// (c) Saving only what changed into the open file, against the whole save of the same
//     document (to a new name) measured in the same run: one edited byte in a 4 GiB
//     document (targets: under 50 ms and under 1 % of the whole save; opening the file is
//     shown beside it), 1,000 edits scattered over 1 GiB (a call each) and 1,000,000
//     edits in one 1 MiB region (through a window shared with the file) (target: never
//     above 1.05 times the whole save). The changed-bytes save reads the file under every
//     change first, to see whether another program wrote there: that is in its time.
//
// Run: build/native/document_bench [folder [open|save|changes]]   (default: the system's
// temp folder, every part; needs about 10 GiB free there)

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <fcntl.h>
#include <unistd.h>

#include "document/save/save_document.h"
#include "hexview/hex_view.h"
#include "host/view_host.h"
#include "quiet_host.h"
#include "hexview/view_state.h"

namespace {

using namespace quillix;
using Clock = std::chrono::steady_clock;

using bench::QuietHost;

double seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

// Best time of one open (and release) over many rounds.
double bestOpenSeconds(const std::filesystem::path& path, int rounds) {
    Document doc;
    ViewState view;
    QuietHost host;
    double best = 1e9;
    for (int i = 0; i < rounds; ++i) {
        SystemError cause = 0;
        auto start = Clock::now();
        int opened = openDocument(doc, view, host, path.wstring().c_str(), cause);
        closeDocumentView(doc);
        best = std::min(best, seconds(Clock::now() - start));
        if (!opened) {
            std::fprintf(stderr, "could not open %s (%u)\n", path.c_str(), cause);
            std::exit(1);
        }
    }
    return best;
}

void benchOpen(const std::filesystem::path& folder) {
    auto small = folder / "quillix-bench-4k.bin";
    auto huge = folder / "quillix-bench-4g.bin";
    {
        std::ofstream out(small, std::ios::binary);
        std::vector<char> bytes(4096, 'q');
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    }
    { std::ofstream create(huge, std::ios::binary); }
    std::filesystem::resize_file(huge, static_cast<std::uintmax_t>(maxDocumentSize));

    const int rounds = 2000;
    double smallTime = bestOpenSeconds(small, rounds);
    double hugeTime = bestOpenSeconds(huge, rounds);
    std::printf(
        "open  4 KiB file: %8.2f us   4 GiB file: %8.2f us   ratio 4 GiB / 4 KiB: %.2f (target <= 2)\n",
        smallTime * 1e6, hugeTime * 1e6, hugeTime / smallTime);
    std::filesystem::remove(small);
    std::filesystem::remove(huge);
}

void dropFromCache(const std::filesystem::path& path) {
    int fd = ::open(path.c_str(), O_RDONLY);
    if (fd < 0) return;
    ::fdatasync(fd);
    ::posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED);
    ::close(fd);
}

// The reference: the same bytes from an ordinary buffer, written in pieces of the size
// the save uses into a new file, then flushed.
double plainWriteSeconds(const std::vector<std::uint8_t>& bytes, const std::filesystem::path& path) {
    auto start = Clock::now();
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    std::size_t done = 0;
    while (done < bytes.size()) {
        std::size_t piece = std::min<std::size_t>(bytes.size() - done, saveChunkBytes);
        ssize_t n = ::write(fd, bytes.data() + done, piece);
        if (n <= 0) {
            std::perror("write");
            std::exit(1);
        }
        done += static_cast<std::size_t>(n);
    }
    ::fsync(fd);
    ::close(fd);
    return seconds(Clock::now() - start);
}

// One Save As of a document freshly opened from source (not a page of its view touched
// yet, as when a user opens a file and saves it under another name) into a new file.
double wholeSaveSeconds(const std::filesystem::path& source, const std::filesystem::path& target) {
    Document doc;
    ViewState view;
    QuietHost host;
    SystemError cause = 0;
    if (!openDocument(doc, view, host, source.wstring().c_str(), cause)) {
        std::fprintf(stderr, "could not open the source (%u)\n", cause);
        std::exit(1);
    }
    std::wcsncpy(doc.filePath, target.wstring().c_str(), filePathChars);
    SaveOutcome outcome;
    auto start = Clock::now();
    const int saved = saveDocument(doc, host, &outcome);
    const double time = seconds(Clock::now() - start);
    if (!saved || outcome.way != SaveWay::wholeBeside) {
        std::fprintf(stderr, "save failed or went another way\n");
        std::exit(1);
    }
    closeDocumentView(doc);
    return time;
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const std::size_t middle = values.size() / 2;
    return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

void benchSave(const std::filesystem::path& folder, int rounds) {
    const std::size_t size = std::size_t{1} << 30;
    std::vector<std::uint8_t> bytes(size);
    for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<std::uint8_t>(i * 2654435761u >> 13);
    auto source = folder / "quillix-bench-source.bin";
    auto saved = folder / "quillix-bench-saved.bin";
    auto plain = folder / "quillix-bench-plain.bin";
    {
        std::ofstream out(source, std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(size));
    }
    ::sync();

    // Each write goes into a new file with the last one's bytes gone from the disk and
    // the cache, so both find the same room; they take turns at going first, so that
    // whatever else the machine does falls on both alike.
    std::vector<double> saves, plains;
    auto timeSave = [&] {
        saves.push_back(wholeSaveSeconds(source, saved));
        std::filesystem::remove(saved);
        ::sync();
    };
    auto timePlain = [&] {
        plains.push_back(plainWriteSeconds(bytes, plain));
        std::filesystem::remove(plain);
        ::sync();
    };
    for (int round = 0; round < rounds; ++round) {
        if (round % 2 == 0) {
            timeSave();
            timePlain();
        } else {
            timePlain();
            timeSave();
        }
        std::printf("    round %d: save %5.2f s, plain write + flush %5.2f s (%s first)\n", round + 1,
                    saves.back(), plains.back(), round % 2 == 0 ? "save" : "plain");
    }
    const double best = *std::min_element(saves.begin(), saves.end());
    const double bestPlain = *std::min_element(plains.begin(), plains.end());
    const double mb = static_cast<double>(size) / 1e6;
    std::printf(
        "save  1 GiB freshly opened, as a new file: median %5.2f s (%5.0f MB/s), best %5.2f s\n"
        "      plain write + flush of the same bytes: median %5.2f s (%5.0f MB/s), best %5.2f s\n"
        "      throughput ratio save / plain: median %.2f, best %.2f (target >= 0.85)\n",
        median(saves), mb / median(saves), best, median(plains), mb / median(plains), bestPlain,
        median(plains) / median(saves), bestPlain / best);
    std::filesystem::remove(source);
}

// A document that is the file at source, with the edits put into its view afresh.
struct EditedDocument {
    Document doc;
    ViewState view;
    QuietHost host;

    void open(const std::filesystem::path& source) {
        SystemError cause = 0;
        if (!openDocument(doc, view, host, source.wstring().c_str(), cause)) {
            std::fprintf(stderr, "could not open %s (%u)\n", source.c_str(), cause);
            std::exit(1);
        }
        setPath(source);
    }
    void setPath(const std::filesystem::path& path) {
        std::wcsncpy(doc.filePath, path.wstring().c_str(), filePathChars);
    }
    double timedSave(SaveWay expected) {
        SaveOutcome outcome;
        auto start = Clock::now();
        int saved = saveDocument(doc, host, &outcome);
        double time = seconds(Clock::now() - start);
        if (!saved || outcome.way != expected) {
            std::fprintf(stderr, "save failed or went another way\n");
            std::exit(1);
        }
        return time;
    }
};

// The best of a few rounds of each: the changed bytes saved into the open file, and the
// whole document saved under a new name. Each round starts from a fresh open, so the
// file the changes go into is always the one the view came from.
void benchChangedOnly(const char* name, const std::filesystem::path& source,
                      const std::vector<std::int64_t>& offsets, int rounds, double* openTime = nullptr) {
    auto whole = source.parent_path() / "quillix-bench-whole.bin";
    double bestChanged = 1e9, bestWhole = 1e9, bestOpen = 1e9;
    EditedDocument edited;
    for (int round = 0; round < rounds; ++round) {
        auto start = Clock::now();
        edited.open(source);
        bestOpen = std::min(bestOpen, seconds(Clock::now() - start));
        std::uint8_t value = static_cast<std::uint8_t>(round + 1);
        for (std::int64_t offset : offsets) storeByte(edited.doc, offset, value++);
        bestChanged = std::min(bestChanged, edited.timedSave(SaveWay::changedOnly));

        for (std::int64_t offset : offsets) storeByte(edited.doc, offset, value++);
        std::filesystem::remove(whole);
        ::sync();
        edited.setPath(whole);
        bestWhole = std::min(bestWhole, edited.timedSave(SaveWay::wholeBeside));
        dropFromCache(whole);
        std::filesystem::remove(whole);
    }
    closeDocumentView(edited.doc);
    if (openTime) *openTime = bestOpen;
    std::printf("save changes only, %s: %9.3f ms   whole save: %8.3f s   changes / whole: %.4f%s\n", name,
                bestChanged * 1e3, bestWhole, bestChanged / bestWhole, openTime ? "" : " (target <= 1.05)");
    if (openTime)
        std::printf(
            "    (target: under 50 ms and under 1 %% of the whole save; opening the same file: %.3f ms, "
            "save / open: %.1f)\n",
            bestOpen * 1e3, bestChanged / bestOpen);
}

void benchSaveChanges(const std::filesystem::path& folder) {
    auto huge = folder / "quillix-bench-4g.bin";
    { std::ofstream create(huge, std::ios::binary); }
    std::filesystem::resize_file(huge, static_cast<std::uintmax_t>(maxDocumentSize));
    double open4g = 0;
    benchChangedOnly("1 edit in 4 GiB        ", huge, {maxDocumentSize / 2 + 7}, 2, &open4g);
    std::filesystem::remove(huge);

    const std::int64_t gib = std::int64_t{1} << 30;
    auto source = folder / "quillix-bench-1g.bin";
    {
        std::vector<char> block(1 << 20);
        for (std::size_t i = 0; i < block.size(); ++i) block[i] = static_cast<char>(i * 131 >> 3);
        std::ofstream out(source, std::ios::binary);
        for (std::int64_t done = 0; done < gib; done += static_cast<std::int64_t>(block.size()))
            out.write(block.data(), static_cast<std::streamsize>(block.size()));
    }
    // xorshift64: the same offsets in every run.
    std::uint64_t state = 0x2545F4914F6CDD1Dull;
    auto next = [&state] {
        state ^= state << 13;
        state ^= state >> 7;
        state ^= state << 17;
        return state;
    };
    std::vector<std::int64_t> scattered;
    for (int i = 0; i < 1000; ++i)
        scattered.push_back(static_cast<std::int64_t>(next() % static_cast<std::uint64_t>(gib)));
    benchChangedOnly("1,000 edits over 1 GiB ", source, scattered, 3);

    std::vector<std::int64_t> dense;
    for (int i = 0; i < 1000000; ++i)
        dense.push_back(gib / 2 + static_cast<std::int64_t>(next() % (1u << 20)));
    benchChangedOnly("1,000,000 edits in 1 MiB", source, dense, 3);
    std::filesystem::remove(source);
}

}  // namespace

int main(int argc, char** argv) {
    std::filesystem::path folder =
        argc > 1 ? std::filesystem::path(argv[1]) : std::filesystem::temp_directory_path();
    const std::string part = argc > 2 ? argv[2] : "all";
    std::printf("document benchmark in %s\n", folder.c_str());
    if (part == "all" || part == "open") benchOpen(folder);
    if (part == "all" || part == "save") benchSave(folder, 7);
    if (part == "all" || part == "changes") benchSaveChanges(folder);
    return 0;
}
