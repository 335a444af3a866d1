#pragma once
// How a long operation (a search, an export, a copy, a paste, a whole save, a comparison's
// count, the checksums) shows that it runs and lets the user stop it, on the one thread:
// between chunks of work it checks in with the host, which looks for Escape. Status part 0
// shows nothing new for the first 0.3 s, then the operation's running text and percent
// ("Searching… 37 %", "Saving… 37 %", ...) whenever the percent changes; at the end it reads
// "Ready" again, or its stopped text ("Search stopped", ...) after Escape. The texts of the
// document's and the view's operations are here; the comparison's and the checksums' stand
// beside their code (compare/comparison.h, checksums/checksums.h).

#include <cstdint>

namespace quillix {

class ViewHost;

struct ProgressTexts {
    const wchar_t* running;  // followed by the percent
    const wchar_t* stopped;
};
inline constexpr ProgressTexts searchProgressTexts = {L"Searching\u2026 ", L"Search stopped"};
inline constexpr ProgressTexts exportProgressTexts = {L"Exporting\u2026 ", L"Export stopped"};
inline constexpr ProgressTexts copyProgressTexts = {L"Copying\u2026 ", L"Copy stopped"};
inline constexpr ProgressTexts pasteProgressTexts = {L"Pasting\u2026 ", L"Paste stopped"};
inline constexpr ProgressTexts saveProgressTexts = {L"Saving\u2026 ", L"Save stopped"};

// How long an operation runs before it shows its progress.
inline constexpr std::uint64_t progressDelayMilliseconds = 300;
// Bytes a search scans between two check-ins: a few milliseconds of work from memory,
// more from a disk, and always well under the second a user waits for Escape to act.
inline constexpr std::int64_t searchChunkBytes = std::int64_t{4} << 20;

// One long operation's progress: plain state, made at its start.
struct Progress {
    ViewHost& host;
    ProgressTexts texts;
    std::int64_t total = 0;  // units of work in all (bytes to scan or to dump)
    bool started = false;    // the first check-in has happened
    std::uint64_t startMilliseconds = 0;
    int shownPercent = -1;  // the percent part 0 shows; -1 while it shows none
    bool stopped = false;   // the user pressed Escape
};

// Checks in after done units of the total (0 before the first chunk; the first call
// notes the start time). Shows the percent of done in total once 0.3 s have passed
// since the first call, when it differs from the one shown. Returns false, and marks the
// progress stopped, when the user pressed Escape: the operation then stops at once.
bool keepGoing(Progress& progress, std::int64_t done);

// Ends the operation: status part 0 reads the stopped text after a stop, else "Ready".
void finishProgress(const Progress& progress);

}  // namespace quillix
