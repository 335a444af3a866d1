// The paint layout: how many draw calls a painted row costs, and what a million changed
// bytes add to laying out a full view.
//
// (a) Runs per painted row for a plain view, a view with edits and a view with a visible
//     match, against the 33 draws per full row (1 label, 2 per byte) of the byte-by-byte
//     painter.
// (b) A full view laid out with 1,000,000 typed bytes (logged and marked changed, as typing
//     does), concentrated in the view or scattered over a 1 GiB document, against the same
//     layout with none; the document is modified in both. Measured warm (back-to-back paints) and cold (the
//     caches flushed before each paint, as after the user has been elsewhere). The
//     byte-by-byte scan of the edit log, the way red was once found, is timed for scale.
// (c) A full view laid out with the whole 1 GiB document selected against the same view
//     with nothing selected (target <= 1.1x): the selection is one more colour pair of the
//     same runs, and no more than the visible rows are looked at.
// (d) A full view of both panes of a comparison (the document's rows coloured by the other
//     file's, and the other file's rows by the document's) against the same view of the
//     document alone (target <= 2.2x), with the draw calls (text runs) each makes: for a
//     patched file with a few runs on the screen, and for every other byte differing, where
//     each byte is a colour run of its own.
//
// (e) A full view laid out in the dark and the high-contrast palettes against the light one
//     (target <= 1.05x): a palette is only other colours for the same runs. The dark
//     palette's contrast ratios are printed beside.
//
// Run: build/native/paint_bench  (Release build: cmake --preset native)

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "document/document.h"
#include "quiet_host.h"
#include "hexview/hex_view.h"
#include "hexview/paint_layout.h"
#include "hexview/view_state.h"

namespace {

using namespace quillix;

constexpr std::int64_t documentSize = std::int64_t{1} << 30;
constexpr std::int64_t viewRows = 40;
constexpr std::int64_t logEntries = 1'000'000;
constexpr std::int64_t byteByByteDrawsPerFullRow = 1 + 2 * 16;

// One 1 GiB document, zero pages except the stretch under the view.
std::uint8_t* documentBytes() {
    static std::uint8_t* bytes = [] {
        auto* memory = static_cast<std::uint8_t*>(std::calloc(static_cast<std::size_t>(documentSize), 1));
        if (!memory) {
            std::fprintf(stderr, "cannot allocate the 1 GiB document\n");
            std::exit(1);
        }
        return memory;
    }();
    return bytes;
}

ViewState fullView() {
    ViewState view;
    view.charWidth = 10;
    view.lineHeight = 18;
    view.clientHeight = viewRows * 18 + 7;  // and a partly visible row
    view.topLine = documentSize / 16 / 2;
    return view;
}

PixelRect wholeClient(const ViewState& view) {
    return PixelRect{0, 0, rowCells * static_cast<int>(view.charWidth), static_cast<int>(view.clientHeight)};
}

std::int64_t viewFirstOffset() { return fullView().topLine * 16; }
std::int64_t viewBytes() { return (viewRows + 1) * 16; }

void loadDocument(Document& doc) {
    doc.fileBytes = documentBytes();
    doc.fileSize = documentSize;
    doc.lineCount = lineCountFor(documentSize);
    std::mt19937_64 random(1);
    for (std::int64_t i = 0; i < viewBytes(); ++i)
        doc.fileBytes[viewFirstOffset() + i] = static_cast<std::uint8_t>(random());
}

void editCharacters(Document& doc, std::int64_t count, std::int64_t from, std::int64_t span,
                    std::uint64_t seed) {
    std::mt19937_64 random(seed);
    for (std::int64_t i = 0; i < count; ++i) {
        if (!reserveEdit(doc, EditKind::character)) {
            std::fprintf(stderr, "out of memory after %lld edits\n", static_cast<long long>(i));
            std::exit(1);
        }
        const std::int64_t offset = from + static_cast<std::int64_t>(random() % static_cast<std::uint64_t>(span));
        recordEdit(doc, EditKind::character, offset);
        doc.changes.mark(offset, doc.fileBytes[offset], doc.fileBytes[offset]);  // red, as a typed byte is
    }
    doc.isModified = 1;
}

enum Scenario { emptyLog, concentratedLog, scatteredLog, scenarioCount };
const char* const scenarioNames[] = {"empty log", "1M entries in the view", "1M entries over 1 GiB"};

Document& documentFor(Scenario scenario) {
    static Document docs[scenarioCount];
    static bool built[scenarioCount] = {};
    Document& doc = docs[scenario];
    if (built[scenario]) return doc;
    built[scenario] = true;
    loadDocument(doc);
    doc.isModified = 1;
    if (scenario == concentratedLog) editCharacters(doc, logEntries, viewFirstOffset(), viewBytes(), 2);
    if (scenario == scatteredLog) editCharacters(doc, logEntries, 0, documentSize, 3);
    return doc;
}

// Streams through more memory than the caches hold, so the next paint starts cold.
void flushCaches() {
    static std::vector<std::uint64_t> sweep(64u << 20 >> 3, 1);
    std::uint64_t sum = 0;
    for (std::size_t i = 0; i < sweep.size(); i += 8) sum += sweep[i]++;
    benchmark::DoNotOptimize(sum);
}

double secondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

struct Timings {
    std::vector<double> warm[scenarioCount];  // seconds per layout, one figure per round
    std::vector<double> cold[scenarioCount];
};

// The scenarios take turns within every round, so that whatever else the machine is
// doing falls on all of them alike.
Timings measureLayouts(int warmRounds, int warmRepeats, int coldRounds) {
    Timings timings;
    ViewState view = fullView();
    PaintRuns runs;
    for (int round = 0; round < warmRounds; ++round) {
        for (int s = 0; s < scenarioCount; ++s) {
            const Document& doc = documentFor(static_cast<Scenario>(s));
            layoutPaint(doc, view, wholeClient(view), runs);
            auto start = std::chrono::steady_clock::now();
            for (int i = 0; i < warmRepeats; ++i) {
                layoutPaint(doc, view, wholeClient(view), runs);
                benchmark::DoNotOptimize(runs.runs.data());
            }
            timings.warm[s].push_back(secondsSince(start) / warmRepeats);
        }
    }
    for (int round = 0; round < coldRounds; ++round) {
        for (int s = 0; s < scenarioCount; ++s) {
            const Document& doc = documentFor(static_cast<Scenario>(s));
            flushCaches();
            auto start = std::chrono::steady_clock::now();
            layoutPaint(doc, view, wholeClient(view), runs);
            benchmark::DoNotOptimize(runs.runs.data());
            timings.cold[s].push_back(secondsSince(start));
        }
    }
    return timings;
}

double percentile(std::vector<double> values, double fraction) {
    std::sort(values.begin(), values.end());
    return values[static_cast<std::size_t>(fraction * static_cast<double>(values.size() - 1))];
}

// The question the index answers, asked the old way: every painted byte against every
// counted entry. Returns seconds for one full view.
double byteByByteScanSeconds(const Document& doc) {
    auto start = std::chrono::steady_clock::now();
    std::uint64_t red = 0;
    for (std::int64_t pos = viewFirstOffset(); pos < viewFirstOffset() + viewBytes(); ++pos) {
        bool edited = false;
        for (std::int64_t i = 0; i <= doc.editCount; ++i)
            if (doc.editLog.entries[i] == pos) edited = true;
        red += edited;
    }
    benchmark::DoNotOptimize(red);
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void printDrawsPerRow() {
    struct Case {
        const char* name;
        void (*prepare)(Document&, ViewState&);
    } cases[] = {
        {"plain full view", [](Document&, ViewState&) {}},
        {"1 byte in 8 edited",
         [](Document& doc, ViewState&) {
             for (std::int64_t i = 0; i < viewBytes(); i += 8)
                 editCharacters(doc, 1, viewFirstOffset() + i + (i / 8) % 7, 1, 0);
         }},
        {"every byte edited",
         [](Document& doc, ViewState&) {
             for (std::int64_t i = 0; i < viewBytes(); ++i)
                 editCharacters(doc, 1, viewFirstOffset() + i, 1, 0);
         }},
        {"visible 24-byte match",
         [](Document&, ViewState& view) {
             view.matchStart = viewFirstOffset() + 5 * 16 + 9;
             view.matchLength = 24;
             view.matchVisible = 1;
         }},
    };
    std::printf("\n(a) draw calls per painted row (byte-by-byte painter: %lld per full row)\n",
                static_cast<long long>(byteByByteDrawsPerFullRow));
    std::printf("%-24s %6s %6s %10s %10s\n", "view", "rows", "runs", "runs/row", "fewer by");
    for (const Case& c : cases) {
        Document doc;
        loadDocument(doc);
        ViewState view = fullView();
        c.prepare(doc, view);
        PaintRuns runs;
        layoutPaint(doc, view, wholeClient(view), runs);
        double perRow = static_cast<double>(runs.runs.size()) / static_cast<double>(viewRows + 1);
        std::printf("%-24s %6lld %6zu %10.2f %9.1fx\n", c.name, static_cast<long long>(viewRows + 1),
                    runs.runs.size(), perRow, static_cast<double>(byteByByteDrawsPerFullRow) / perRow);
        releaseEditLog(doc);
    }
}

// Seconds per full-view layout with and without a whole-document selection, the two
// taking turns; best and median of the rounds.
void printSelectionCost(int rounds, int repeats) {
    const Document& doc = documentFor(emptyLog);
    ViewState plain = fullView();
    ViewState selected = fullView();
    selected.selectionAnchor = 0;
    selected.selectionEnd = doc.fileSize - 1;
    PaintRuns runs;
    std::vector<double> without, with;
    for (int round = 0; round < rounds; ++round) {
        for (ViewState* view : {&plain, &selected}) {
            layoutPaint(doc, *view, wholeClient(*view), runs);
            auto start = std::chrono::steady_clock::now();
            for (int i = 0; i < repeats; ++i) {
                layoutPaint(doc, *view, wholeClient(*view), runs);
                benchmark::DoNotOptimize(runs.runs.data());
            }
            (view == &plain ? without : with).push_back(secondsSince(start) / repeats);
        }
    }
    std::printf("\n(c) full-view layout with the whole document selected (target <= 1.1x)\n");
    std::printf("  nothing selected  best %8.2f us   median %8.2f us\n", percentile(without, 0) * 1e6,
                percentile(without, 0.5) * 1e6);
    std::printf("  all selected      best %8.2f us   median %8.2f us\n", percentile(with, 0) * 1e6,
                percentile(with, 0.5) * 1e6);
    std::printf("  ratio: %.2fx (best) %.2fx (median)\n", percentile(with, 0) / percentile(without, 0),
                percentile(with, 0.5) / percentile(without, 0.5));
}

// Seconds per full-view layout of the document alone, of its pane in a comparison, and of
// both panes, taking turns; best and median of the rounds. differs picks the other file's
// differing offsets in the view.
template <class Differs>
void printComparisonCost(const char* name, Differs differs, int rounds, int repeats) {
    const Document& doc = documentFor(emptyLog);
    static std::uint8_t* theirs = static_cast<std::uint8_t*>(std::calloc(static_cast<std::size_t>(documentSize), 1));
    if (!theirs) {
        std::fprintf(stderr, "cannot allocate the other 1 GiB file\n");
        std::exit(1);
    }
    for (std::int64_t i = viewFirstOffset(); i < viewFirstOffset() + viewBytes(); ++i)
        theirs[i] = differs(i - viewFirstOffset()) ? static_cast<std::uint8_t>(doc.fileBytes[i] ^ 0x40) : doc.fileBytes[i];
    Document other;
    other.fileBytes = theirs;
    other.fileSize = documentSize;
    other.lineCount = lineCountFor(documentSize);
    const ViewState view = fullView();
    PaintRuns runs;
    std::vector<double> seconds[3];
    std::size_t runCount[3] = {};
    for (int round = 0; round < rounds; ++round) {
        for (int kind = 0; kind < 3; ++kind) {
            auto start = std::chrono::steady_clock::now();
            for (int i = 0; i < repeats; ++i) {
                layoutPaint(doc, view, wholeClient(view), runs, SelectionColours{},
                            PaneComparison{kind == 0 ? nullptr : &other});
                runCount[kind] = runs.runs.size();
                benchmark::DoNotOptimize(runs.runs.data());
                if (kind < 2) continue;
                layoutPaint(other, view, wholeClient(view), runs, SelectionColours{},
                            PaneComparison{&doc, true});
                runCount[kind] += runs.runs.size();
                benchmark::DoNotOptimize(runs.runs.data());
            }
            seconds[kind].push_back(secondsSince(start) / repeats);
        }
    }
    std::printf("  %s\n", name);
    const char* kinds[] = {"the document alone", "its pane, compared", "both panes"};
    for (int kind = 0; kind < 3; ++kind)
        std::printf("    %-20s best %7.2f us  median %7.2f us  %4zu runs   ratio %.2fx (best) %.2fx (median)\n",
                    kinds[kind], percentile(seconds[kind], 0) * 1e6, percentile(seconds[kind], 0.5) * 1e6,
                    runCount[kind], percentile(seconds[kind], 0) / percentile(seconds[0], 0),
                    percentile(seconds[kind], 0.5) / percentile(seconds[0], 0.5));
}

// Seconds per full-view layout in the light, the dark and the high-contrast palettes,
// taking turns, of a modified view with a selection and a visible match; best and median.
void printPaletteCost(int rounds, int repeats) {
    const Document& doc = documentFor(scatteredLog);
    ViewState view = fullView();
    view.selectionAnchor = viewFirstOffset() + 40;
    view.selectionEnd = viewFirstOffset() + 300;
    view.matchStart = viewFirstOffset() + 400;
    view.matchLength = 8;
    view.matchVisible = 1;
    const Palette palettes[] = {makePalette(PaletteKind::light), makePalette(PaletteKind::dark),
                                makePalette(PaletteKind::highContrast)};
    const char* names[] = {"light", "dark", "high contrast"};
    PaintRuns runs;
    std::vector<double> seconds[3];
    for (int round = 0; round < rounds; ++round) {
        for (int p = 0; p < 3; ++p) {
            layoutPaint(doc, view, wholeClient(view), runs, palettes[p]);
            auto start = std::chrono::steady_clock::now();
            for (int i = 0; i < repeats; ++i) {
                layoutPaint(doc, view, wholeClient(view), runs, palettes[p]);
                benchmark::DoNotOptimize(runs.runs.data());
            }
            seconds[p].push_back(secondsSince(start) / repeats);
        }
    }
    std::printf("\n(e) full-view layout in each palette, ratio to the light one (target <= 1.05x)\n");
    for (int p = 0; p < 3; ++p)
        std::printf("  %-14s best %7.2f us  median %7.2f us   ratio %.3fx (best) %.3fx (median)\n", names[p],
                    percentile(seconds[p], 0) * 1e6, percentile(seconds[p], 0.5) * 1e6,
                    percentile(seconds[p], 0) / percentile(seconds[0], 0),
                    percentile(seconds[p], 0.5) / percentile(seconds[0], 0.5));
    // The dark palette's contrast, text against background, for each kind of byte.
    const Palette& dark = palettes[1];
    const std::pair<const char*, ColourPair> pairs[] = {
        {"plain", dark.plain},
        {"changed", dark.edited},
        {"selected", dark.selected},
        {"selected changed", dark.selectedEdited},
        {"match", dark.match},
        {"differing", dark.differing},
        {"differing changed", dark.differingEdited},
        {"differing selected", dark.differingSelected},
        {"differing selected changed", dark.differingSelectedEdited}};
    std::printf("  the dark palette's contrast ratios (at least 4.5:1):");
    for (const auto& [name, pair] : pairs)
        std::printf("%s %s %.2f", &name == &pairs[0].first ? "" : ",", name,
                    contrastRatio(pair.text, pair.back));
    std::printf("\n");
}

// Seconds per byte of a full-view layout of the unmodified document in other layouts and
// character sets, taking turns with the default layout, warm and cold; best and median
// ratios to the default's cost per byte.
void printLayoutCost(int rounds, int repeats, int coldRounds) {
    const Document& doc = documentFor(emptyLog);
    struct Case {
        const char* name;
        RowLayout layout;
        CharacterSet set;
        double target;
    } cases[] = {{"16 bytes a row, pairs", defaultRowLayout, CharacterSet::ascii, 1},
                 {"64 bytes a row", makeRowLayout(64, 2, 8), CharacterSet::ascii, 1.15},
                 {"groups of 8 bytes", makeRowLayout(16, 8, 8), CharacterSet::ascii, 1.05},
                 {"groups of 1 byte", makeRowLayout(16, 1, 8), CharacterSet::ascii, 1.05},
                 {"EBCDIC characters", defaultRowLayout, CharacterSet::ebcdic037, 1.05},
                 {"decimal offsets", makeRowLayout(16, 2, 10, true), CharacterSet::ascii, 1.05}};
    constexpr int count = static_cast<int>(std::size(cases));
    std::vector<double> warm[count], cold[count];
    PaintRuns runs;
    const auto viewOf = [](const Case& c) {
        ViewState view = fullView();
        view.layout = c.layout;
        view.characterSet = c.set;
        view.topLine = viewFirstOffset() / c.layout.bytesPerRow;
        return view;
    };
    const auto perByte = [](const Case& c) { return 1.0 / static_cast<double>((viewRows + 1) * c.layout.bytesPerRow); };
    for (int round = 0; round < rounds; ++round)
        for (int k = 0; k < count; ++k) {
            const ViewState view = viewOf(cases[k]);
            layoutPaint(doc, view, wholeClient(view), runs);
            auto start = std::chrono::steady_clock::now();
            for (int i = 0; i < repeats; ++i) {
                layoutPaint(doc, view, wholeClient(view), runs);
                benchmark::DoNotOptimize(runs.runs.data());
            }
            warm[k].push_back(secondsSince(start) / repeats * perByte(cases[k]));
        }
    for (int round = 0; round < coldRounds; ++round)
        for (int k = 0; k < count; ++k) {
            const ViewState view = viewOf(cases[k]);
            flushCaches();
            auto start = std::chrono::steady_clock::now();
            layoutPaint(doc, view, wholeClient(view), runs);
            benchmark::DoNotOptimize(runs.runs.data());
            cold[k].push_back(secondsSince(start) * perByte(cases[k]));
        }
    std::printf("\n(f) full-view layout per byte painted in other layouts and sets, ratio to 16 bytes a row\n");
    for (int k = 0; k < count; ++k)
        std::printf("  %-22s warm %6.2f ns/byte %.3fx (best) %.3fx (median)   cold %6.2f ns/byte %.3fx (best) "
                    "%.3fx (median)   target <= %.2fx\n",
                    cases[k].name, percentile(warm[k], 0) * 1e9, percentile(warm[k], 0) / percentile(warm[0], 0),
                    percentile(warm[k], 0.5) / percentile(warm[0], 0.5), percentile(cold[k], 0) * 1e9,
                    percentile(cold[k], 0) / percentile(cold[0], 0), percentile(cold[k], 0.5) / percentile(cold[0], 0.5),
                    cases[k].target);
}

// Changing the row width of a 4 GiB document: the layout and the caret's place are worked
// out, no byte is read (the document's bytes here are one page standing for 4 GiB).
void printRowWidthChange() {
    static std::uint8_t page[4096];
    Document doc;
    doc.fileBytes = page;
    doc.fileSize = std::int64_t{4} << 30;
    doc.lineCount = lineCountFor(doc.fileSize);
    ViewState view = fullView();
    view.topLine = doc.fileSize / 16 / 2;
    view.byteColumn = 7;
    view.caretCell = defaultRowLayout.highCell(7);
    bench::QuietHost host;
    const HexView hv{doc, view, host};
    onSize(hv);
    std::vector<double> seconds;
    for (int i = 0; i < 200; ++i) {
        const RowLayout& to = i % 2 == 0 ? makeRowLayout(64, 2, 8) : defaultRowLayout;
        auto start = std::chrono::steady_clock::now();
        changeRowLayout(hv, to);
        seconds.push_back(secondsSince(start));
    }
    std::printf("\n(g) changing the row width of a 4 GiB document (target < 10 ms): best %.2f us, median %.2f us,"
                " worst %.2f us\n",
                percentile(seconds, 0) * 1e6, percentile(seconds, 0.5) * 1e6, percentile(seconds, 1) * 1e6);
}

}  // namespace

int main() {
    printDrawsPerRow();

    std::printf("\n(b) full-view layout (%lld rows) with the document modified\n",
                static_cast<long long>(viewRows + 1));
    std::printf("building the logs (%lld character edits each)...\n", static_cast<long long>(logEntries));
    for (int s = 0; s < scenarioCount; ++s) documentFor(static_cast<Scenario>(s));

    Timings timings = measureLayouts(40, 300, 300);
    std::printf("%-26s %14s %14s %14s %14s\n", "log", "warm best", "warm median", "cold best", "cold median");
    for (int s = 0; s < scenarioCount; ++s)
        std::printf("%-26s %11.2f us %11.2f us %11.2f us %11.2f us\n", scenarioNames[s],
                    percentile(timings.warm[s], 0) * 1e6, percentile(timings.warm[s], 0.5) * 1e6,
                    percentile(timings.cold[s], 0) * 1e6, percentile(timings.cold[s], 0.5) * 1e6);
    std::printf("\nratio to the empty log (target <= 1.5x):\n");
    for (int s = concentratedLog; s < scenarioCount; ++s) {
        std::printf("  %-26s warm %.2fx (best) %.2fx (median)   cold %.2fx (best) %.2fx (median)\n",
                    scenarioNames[s], percentile(timings.warm[s], 0) / percentile(timings.warm[emptyLog], 0),
                    percentile(timings.warm[s], 0.5) / percentile(timings.warm[emptyLog], 0.5),
                    percentile(timings.cold[s], 0) / percentile(timings.cold[emptyLog], 0),
                    percentile(timings.cold[s], 0.5) / percentile(timings.cold[emptyLog], 0.5));
    }
    printSelectionCost(40, 300);
    printPaletteCost(40, 300);
    printLayoutCost(40, 100, 300);
    printRowWidthChange();
    std::printf("\n(d) full-view layout of both panes of a comparison, ratios to the document alone"
                " (target <= 2.2x)\n");
    printComparisonCost("a patched file: three runs of differing bytes on the screen",
                        [](std::int64_t i) { return (i >= 100 && i < 104) || i == 300 || (i >= 500 && i < 540); },
                        40, 300);
    printComparisonCost("the worst case: every other byte differs", [](std::int64_t i) { return i % 2 == 0; }, 40,
                        300);
    std::printf("\nfor scale, the byte-by-byte scan of the log for the same view:\n");
    for (int s = concentratedLog; s < scenarioCount; ++s)
        std::printf("  %-24s %10.1f ms per paint\n", scenarioNames[s],
                    byteByByteScanSeconds(documentFor(static_cast<Scenario>(s))) * 1e3);
    return 0;
}
