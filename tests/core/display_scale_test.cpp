// The 96-DPI pixel measures turned into pixels at other DPIs, and the status bar's parts
// sized to their texts.

#include <gtest/gtest.h>

#include <climits>
#include <cmath>

#include "host/display_scale.h"

namespace quillix::test {
namespace {

constexpr int dpis[] = {48, 72, 96, 108, 120, 144, 168, 192, 216, 240, 288, 384, 480};

TEST(ScalePixels, RoundsLikeMulDivAndLeavesEveryMeasureAlone) {
    for (int dpi : dpis) {
        for (int pixels = -400; pixels <= 3000; ++pixels) {
            // lround takes halves away from zero, as MulDiv does; pixels × dpi / 96 is exact
            // in a double, halves included.
            const long expected = std::lround(pixels * static_cast<double>(dpi) / 96.0);
            ASSERT_EQ(scalePixels(pixels, dpi), expected) << pixels << " at " << dpi;
        }
    }
    // At 96 DPI, and at a DPI that could not be read, every measure stays what it is.
    for (int pixels : {0, 1, 2, 18, 20, 30, 353, 635, INT_MAX, INT_MIN}) {
        EXPECT_EQ(scalePixels(pixels, 96), pixels);
        EXPECT_EQ(scalePixels(pixels, 0), pixels);
        EXPECT_EQ(scalePixels(pixels, -144), pixels);
    }
    EXPECT_EQ(scalePixels(INT_MAX, 192), INT_MAX);
    EXPECT_EQ(scalePixels(INT_MIN, 192), INT_MIN);
}

TEST(StatusPartEdges, WiderTextsMoveThePlainEdgesLeftJustFarEnough) {
    EXPECT_EQ(statusPartEdges(627, 96, 90, 96), (StatusEdges{627 - 240, 627 - 138, 627 - 30}));
    // The widest texts of Wine's status font at 96 DPI: "Offset: DDDDDDDD" 106 pixels,
    // "Bytes: 0000000000" 110.
    EXPECT_EQ(statusPartEdges(627, 96, 106, 110), (StatusEdges{627 - 270, 627 - 152, 627 - 30}));
    // At 144 DPI the plain edges scale to 360, 207 and 45 from the right; texts of 150 and
    // 150 pixels fit in them, texts of 166 and 169 do not.
    EXPECT_EQ(statusPartEdges(940, 144, 135, 144), (StatusEdges{940 - 360, 940 - 207, 940 - 45}));
    EXPECT_EQ(statusPartEdges(940, 144, 166, 169),
              (StatusEdges{940 - 45 - 187 - 184, 940 - 45 - 187, 940 - 45}));
}

TEST(StatusPartEdges, EveryPartHoldsItsTextAndTheGripKeepsItsCorner) {
    for (int dpi : dpis) {
        const int margin = scalePixels(statusTextMargin96, dpi);
        for (int width : {0, 200, 640, 1920}) {
            for (int offsetText = 0; offsetText <= 400; offsetText += 7) {
                for (int bytesText = 0; bytesText <= 400; bytesText += 11) {
                    SCOPED_TRACE(testing::Message() << dpi << " dpi, width " << width << ", texts "
                                                    << offsetText << " and " << bytesText);
                    const StatusEdges edges = statusPartEdges(width, dpi, offsetText, bytesText);
                    ASSERT_EQ(edges[2], width - scalePixels(30, dpi));
                    const int offsetPart = edges[1] - edges[0];
                    const int bytesPart = edges[2] - edges[1];
                    ASSERT_GE(offsetPart, offsetText + margin);
                    ASSERT_GE(bytesPart, bytesText + margin);
                    // No edge moves further left than its scaled place or its text asks.
                    ASSERT_LE(edges[1], width - scalePixels(138, dpi));
                    ASSERT_LE(edges[0], width - scalePixels(240, dpi));
                    ASSERT_TRUE(edges[1] == width - scalePixels(138, dpi) || bytesPart == bytesText + margin);
                    ASSERT_TRUE(edges[0] == width - scalePixels(240, dpi) ||
                                offsetPart == offsetText + margin);
                }
            }
        }
    }
}

}  // namespace
}  // namespace quillix::test
