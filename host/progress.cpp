#include "host/progress.h"

#include "host/text_format.h"
#include "host/view_host.h"

namespace quillix {

bool keepGoing(Progress& progress, std::int64_t done) {
    const Checkpoint now = progress.host.checkpoint();
    if (now.stop) {
        progress.stopped = true;
        return false;
    }
    if (!progress.started) {
        progress.started = true;
        progress.startMilliseconds = now.milliseconds;
    }
    if (now.milliseconds - progress.startMilliseconds < progressDelayMilliseconds) return true;
    // Documents are at most 4 GiB, so done * 100 stays far inside 64 bits.
    const int percent = progress.total > 0 ? static_cast<int>(done * 100 / progress.total) : 100;
    if (percent == progress.shownPercent) return true;
    progress.shownPercent = percent;
    constexpr std::size_t capacity = 32;
    wchar_t text[capacity];
    std::size_t length = appendText(text, capacity, 0, progress.texts.running);
    length = appendDecimal(text, capacity, length, percent);
    appendText(text, capacity, length, L" %");
    progress.host.setStatusText(statusPartActivity, text);
    return true;
}

void finishProgress(const Progress& progress) {
    progress.host.setStatusText(statusPartActivity, progress.stopped ? progress.texts.stopped : L"Ready");
}

}  // namespace quillix
