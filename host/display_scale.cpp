#include "host/display_scale.h"

#include <algorithm>
#include <cstdint>
#include <limits>

namespace quillix {

int scalePixels(int pixels96, int dpi) {
    if (dpi < 1) return pixels96;
    const std::int64_t product = std::int64_t{pixels96} * dpi;
    const std::int64_t half = baseDpi / 2;
    const std::int64_t scaled = product >= 0 ? (product + half) / baseDpi : -((-product + half) / baseDpi);
    return static_cast<int>(
        std::clamp<std::int64_t>(scaled, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
}

StatusEdges statusPartEdges(int width, int dpi, int offsetTextWidth, int bytesTextWidth) {
    const int margin = scalePixels(statusTextMargin96, dpi);
    StatusEdges edges{};
    for (std::size_t part = 0; part < edges.size(); ++part)
        edges[part] = width - scalePixels(statusEdgesFromRight96[part], dpi);
    edges[1] = std::min(edges[1], edges[2] - (bytesTextWidth + margin));
    edges[0] = std::min(edges[0], edges[1] - (offsetTextWidth + margin));
    return edges;
}

}  // namespace quillix
