// Zoom steps: walking in and out visits every step once and stops at the ends, from any
// remembered zoom the next step is the nearest one beyond it, and the font's cell height
// follows the zoom and the DPI.

#include "hexview/view_zoom.h"

#include <gtest/gtest.h>

#include "host/display_scale.h"

namespace quillix {
namespace {

TEST(ViewZoom, StepsWalkBetweenTheEndsAndAnyZoomGoesToTheNearestStepBeyondIt) {
    std::vector<std::uint32_t> in = {50}, out = {400};
    for (int i = 0; i < 20; ++i) in.push_back(zoomedIn(in.back())), out.push_back(zoomedOut(out.back()));
    in.erase(std::unique(in.begin(), in.end()), in.end());
    out.erase(std::unique(out.begin(), out.end()), out.end());
    EXPECT_EQ(in, std::vector<std::uint32_t>(std::begin(zoomSteps), std::end(zoomSteps)));
    EXPECT_EQ(out, std::vector<std::uint32_t>(std::rbegin(zoomSteps), std::rend(zoomSteps)));
    EXPECT_NE(std::find(in.begin(), in.end(), actualSize), in.end());

    const std::set<std::uint32_t> steps(std::begin(zoomSteps), std::end(zoomSteps));
    for (std::uint32_t p = 50; p <= 400; ++p) {
        const std::uint32_t up = zoomedIn(p), down = zoomedOut(p);
        EXPECT_TRUE(steps.count(up) && steps.count(down)) << p;
        EXPECT_EQ(up > p, p < 400) << p;
        EXPECT_EQ(down < p, p > 50) << p;
        // No step is skipped: none lies strictly between p and where it went.
        EXPECT_EQ(std::count_if(steps.begin(), steps.end(),
                                [&](std::uint32_t s) { return (s > p && s < up) || (s < p && s > down); }),
                  0)
            << p;
    }
}

TEST(ViewZoom, CellHeightFollowsZoomAndDpiAndWheelNotchesAddUp) {
    for (std::uint32_t height96 : {0u, 13u, 24u}) {
        const int base = height96 == 0 ? viewFontHeight96 : static_cast<int>(height96);
        EXPECT_EQ(zoomedCellHeight(height96, actualSize, baseDpi), base);
        EXPECT_EQ(zoomedCellHeight(height96, 400, baseDpi), 4 * base);
        EXPECT_EQ(zoomedCellHeight(height96, 50, baseDpi), (base + 1) / 2);
        int previous = 0;
        for (std::uint32_t step : zoomSteps) {
            const int height = zoomedCellHeight(height96, step, baseDpi);
            EXPECT_GE(height, previous) << step;
            EXPECT_EQ(zoomedCellHeight(height96, step, 144), scalePixels(height, 144)) << step;
            previous = height;
        }
    }
    std::int32_t remainder = 0;
    std::uint32_t zoom = actualSize;
    for (int i = 0; i < 2; ++i) zoom = zoomByWheel(zoom, 40, remainder);
    EXPECT_EQ(zoom, actualSize);  // two thirds of a notch
    zoom = zoomByWheel(zoom, 40, remainder);
    EXPECT_EQ(zoom, zoomedIn(actualSize));
    zoom = zoomByWheel(zoom, 60, remainder);
    zoom = zoomByWheel(zoom, -240, remainder);  // the half notch does not count against it
    EXPECT_EQ(zoom, zoomedOut(actualSize));
    EXPECT_EQ(remainder, 0);
}

}  // namespace
}  // namespace quillix
