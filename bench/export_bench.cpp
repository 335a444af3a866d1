// The text dump of one 256 MiB file by exportTextDump and by xxd, measured in the same run
// on the same filesystem, in MB/s of input (1 MB = 10^6 bytes).
//
// First on tmpfs (/dev/shm, when there is one), where writing the 4.25 bytes of text per
// input byte costs least, then on the ordinary temp folder, whose disk writes cap both.
// A third figure shows the formatter alone, its output thrown away.
//
//   build/native/export_bench [size in MiB, default 256]

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "document/document.h"
#include "hexview/hex_view.h"
#include "document/save/text_dump.h"
#include "hexview/view_state.h"
#include "tests/core/recording_host.h"
#include "tests/core/write_sink.h"

namespace fs = std::filesystem;
using namespace quillix;

namespace {

using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

double megabytesPerSecond(std::int64_t bytes, double seconds) { return bytes / seconds / 1e6; }

// Mostly text with binary runs, so that both the printable and the full-stop cases occur.
void writeInput(const fs::path& path, std::int64_t size) {
    std::mt19937_64 random(42);
    std::vector<std::uint64_t> block(1 << 17);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    for (std::int64_t done = 0; done < size;) {
        for (auto& word : block) word = random();
        auto* bytes = reinterpret_cast<std::uint8_t*>(block.data());
        for (std::size_t i = 0; i < block.size() * 8; ++i)
            if (bytes[i] & 0x80) bytes[i] = static_cast<std::uint8_t>(' ' + bytes[i] % 95);
        std::int64_t chunk = std::min<std::int64_t>(size - done, static_cast<std::int64_t>(block.size() * 8));
        out.write(reinterpret_cast<const char*>(bytes), chunk);
        done += chunk;
    }
}

struct Figures {
    double dumpBest = 0;
    double xxdBest = 0;
};

bool measureIn(const fs::path& base, std::int64_t size, int dumpRuns, int xxdRuns, Figures& figures,
               bool alsoFormatterAlone) {
    const fs::path folder =
        base / ("quillix-export-bench-" + std::to_string(Clock::now().time_since_epoch().count()));
    fs::create_directories(folder);
    const fs::path input = folder / "input.bin";
    const fs::path dumpOut = folder / "dump.txt";
    const fs::path xxdOut = folder / "xxd.txt";
    writeInput(input, size);

    Document doc;
    ViewState view;
    test::RecordingHost host;
    SystemError cause = 0;
    bool ok = openDocument(doc, view, host, input.wstring().c_str(), cause) == 1;
    if (!ok) std::fprintf(stderr, "cannot open %s (error %u)\n", input.c_str(), cause);

    // Touch every page once, so that neither program pays for first faults alone.
    unsigned sum = 0;
    for (std::int64_t i = 0; ok && i < doc.fileSize; i += 4096) sum += doc.fileBytes[i];

    for (int run = 0; ok && run < xxdRuns; ++run) {
        fs::remove(xxdOut);
        const std::string command = "xxd '" + input.string() + "' > '" + xxdOut.string() + "'";
        auto start = Clock::now();
        int status = std::system(command.c_str());
        double seconds = secondsSince(start);
        if (status != 0) {
            std::fprintf(stderr, "xxd failed (status %d)\n", status);
            ok = false;
            break;
        }
        figures.xxdBest = std::max(figures.xxdBest, megabytesPerSecond(size, seconds));
    }
    fs::remove(xxdOut);

    for (int run = 0; ok && run < dumpRuns; ++run) {
        fs::remove(dumpOut);
        auto start = Clock::now();
        int result = exportTextDump(doc, host, dumpOut.wstring().c_str());
        double seconds = secondsSince(start);
        if (result != 1 || static_cast<std::int64_t>(fs::file_size(dumpOut)) != textDumpSize(size)) {
            std::fprintf(stderr, "exportTextDump failed\n");
            ok = false;
            break;
        }
        figures.dumpBest = std::max(figures.dumpBest, megabytesPerSecond(size, seconds));
    }
    fs::remove(dumpOut);

    if (ok && alsoFormatterAlone) {
        test::DiscardingSink discard;
        double best = 0;
        for (int run = 0; run < 3; ++run) {
            auto start = Clock::now();
            exportTextDump(doc, host, L"discarded", discard);
            best = std::max(best, megabytesPerSecond(size, secondsSince(start)));
        }
        std::printf("  formatting alone (output discarded): %.0f MB/s of input (check %u)\n", best,
                    discard.checksum + sum % 2);
    }

    closeDocumentView(doc);
    fs::remove_all(folder);
    return ok;
}

void report(const char* where, const fs::path& base, std::int64_t size, int dumpRuns, int xxdRuns,
            bool alsoFormatterAlone) {
    Figures figures;
    std::printf("%s (%s), %lld MiB input, best of %d dump and %d xxd runs:\n", where, base.c_str(),
                static_cast<long long>(size >> 20), dumpRuns, xxdRuns);
    std::fflush(stdout);
    if (!measureIn(base, size, dumpRuns, xxdRuns, figures, alsoFormatterAlone)) return;
    std::printf("  exportTextDump %8.0f MB/s   xxd %6.1f MB/s   ratio %5.1fx\n", figures.dumpBest,
                figures.xxdBest, figures.dumpBest / figures.xxdBest);
    std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
    std::int64_t mebibytes = argc > 1 ? std::atoll(argv[1]) : 256;
    if (mebibytes <= 0) mebibytes = 256;
    const std::int64_t size = mebibytes << 20;

    const fs::path shm = "/dev/shm";
    const fs::path temp = fs::temp_directory_path();
    std::error_code error;
    const bool haveShm = fs::is_directory(shm, error);
    if (haveShm) report("tmpfs", shm, size, 5, 2, true);
    report("temp folder", temp, size, 3, 2, !haveShm);
    return 0;
}
