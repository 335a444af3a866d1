// Zoom steps: walks in and out visit each step and stop at the ends, any zoom goes to the
// nearest step beyond it, the cell height follows zoom and DPI, the wheel's notches add up.

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
    const std::vector<std::uint32_t> steps(std::begin(zoomSteps), std::end(zoomSteps));
    EXPECT_EQ(in, steps);
    EXPECT_EQ(out, std::vector<std::uint32_t>(steps.rbegin(), steps.rend()));
    for (std::uint32_t p = 50; p <= 400; ++p) {
        const std::uint32_t up = zoomedIn(p), down = zoomedOut(p);
        EXPECT_TRUE(std::count(steps.begin(), steps.end(), up) &&
                    std::count(steps.begin(), steps.end(), down));
        EXPECT_TRUE((up > p) == (p < 400) && (down < p) == (p > 50)) << p;
        // No step is skipped: none lies strictly between p and where it went.
        const auto skipped = [&](auto s) { return (s > p && s < up) || (s < p && s > down); };
        EXPECT_EQ(std::count_if(steps.begin(), steps.end(), skipped), 0) << p;
    }
}

TEST(ViewZoom, CellHeightFollowsZoomAndDpiAndWheelNotchesAddUp) {
    for (std::uint32_t height96 : {0u, 13u, 24u}) {
        const int base = height96 == 0 ? viewFontHeight96 : static_cast<int>(height96);
        EXPECT_EQ(zoomedCellHeight(height96, actualSize, baseDpi), base);
        EXPECT_EQ(zoomedCellHeight(height96, 400, baseDpi), 4 * base);
        EXPECT_EQ(zoomedCellHeight(height96, 50, baseDpi), (base + 1) / 2);
        for (std::size_t k = 1; k < std::size(zoomSteps); ++k) {
            const int height = zoomedCellHeight(height96, zoomSteps[k], baseDpi);
            EXPECT_GE(height, zoomedCellHeight(height96, zoomSteps[k - 1], baseDpi));
            EXPECT_EQ(zoomedCellHeight(height96, zoomSteps[k], 144), scalePixels(height, 144));
        }
    }
    std::int32_t remainder = 0;
    std::uint32_t zoom = zoomByWheel(zoomByWheel(actualSize, 40, remainder), 40, remainder);
    EXPECT_EQ(zoom, actualSize);  // two thirds of a notch
    zoom = zoomByWheel(zoomByWheel(zoom, 40, remainder), 60, remainder);
    EXPECT_EQ(zoom, zoomedIn(actualSize));
    EXPECT_EQ(zoomByWheel(zoom, -240, remainder), zoomedOut(actualSize));  // the half notch does not count
    EXPECT_EQ(remainder, 0);
}

}  // namespace
}  // namespace quillix
