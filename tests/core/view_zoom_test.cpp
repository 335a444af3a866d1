// Zoom steps, the cell height for zoom and DPI, the wheel's notches adding up.

#include "hexview/view_zoom.h"

#include <gtest/gtest.h>

#include "host/display_scale.h"

namespace quillix {
namespace {

TEST(ViewZoom, StepsWalkBetweenTheEndsAndAnyZoomGoesToTheNearestStepBeyondIt) {
    // Each zoom goes to the next step beyond it, staying put only at an end.
    const std::vector<std::uint32_t> steps(std::begin(zoomSteps), std::end(zoomSteps));
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
