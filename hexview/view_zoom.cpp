// Zoom steps and the zoomed font height.

#include "hexview/view_zoom.h"

#include <algorithm>

#include "host/display_scale.h"

namespace quillix {

std::uint32_t zoomedIn(std::uint32_t percent) {
    const auto* next = std::upper_bound(std::begin(zoomSteps), std::end(zoomSteps), percent);
    return next == std::end(zoomSteps) ? zoomSteps[std::size(zoomSteps) - 1] : *next;
}

std::uint32_t zoomedOut(std::uint32_t percent) {
    const auto* first = std::lower_bound(std::begin(zoomSteps), std::end(zoomSteps), percent);
    return first == std::begin(zoomSteps) ? zoomSteps[0] : *(first - 1);
}

int zoomedCellHeight(std::uint32_t height96, std::uint32_t percent, int dpi) {
    const std::int64_t base = height96 == 0 ? viewFontHeight96 : height96;
    // Rounded to the nearest pixel at 96 DPI first, then scaled as every measure is.
    const int zoomed = static_cast<int>((base * percent + 50) / 100);
    return std::max(1, scalePixels(std::max(1, zoomed), dpi));
}

std::uint32_t zoomByWheel(std::uint32_t percent, int delta, std::int32_t& remainder) {
    constexpr int notch = 120;  // WHEEL_DELTA
    // A turn the other way starts afresh rather than paying back what the last one left.
    if ((remainder > 0 && delta < 0) || (remainder < 0 && delta > 0)) remainder = 0;
    remainder += delta;
    for (; remainder >= notch; remainder -= notch) percent = zoomedIn(percent);
    for (; remainder <= -notch; remainder += notch) percent = zoomedOut(percent);
    return percent;
}

}  // namespace quillix
