// Tests of the FM window's generated skin: bitmaps at their rows' sizes, controls and display
// texts inside the window's shape, no buttons covering one another.
#include <gtest/gtest.h>

#include <windows.h>

#include "res/fm/skin_layout.h"
#include "tests/res/skin_checks.h"

namespace skin = tunaro::skin;

namespace {

using namespace tunaro::skin_checks;

TEST(FmSkin, RowsHaveTheirBitmapsAndStayApart) {
    for (const auto& r : skin::fm::kFmButtons)
        ExpectRowBitmaps(r);
    ExpectRowBitmaps(skin::fm::kMutedRow);
    ExpectRowBitmaps(skin::fm::kRecordingRow);
    ASSERT_EQ(10u, sizeof(skin::fm::kVolumeLit) / sizeof(skin::fm::kVolumeLit[0]));
    for (size_t i = 0; i < 10; ++i) {
        EXPECT_EQ(1062 + static_cast<int>(i), skin::fm::kVolumeUnlit[i].id);
        ExpectRowBitmaps(skin::fm::kVolumeLit[i]);
        ExpectRowBitmaps(skin::fm::kVolumeUnlit[i]);
    }
    for (const auto& a : skin::fm::kFmButtons)
        for (const auto& b : skin::fm::kFmButtons)
            if (&a < &b) {
                EXPECT_FALSE(Overlap(a, b)) << a.id << " and " << b.id;
            }
}

TEST(FmSkin, ShapeCoversControlsAndTheDisplayTexts) {
    Shape shape(137);
    ASSERT_GT(shape.w, 0);
    EXPECT_FALSE(shape.Inside(0, 0));
    for (const auto& r : skin::fm::kFmButtons)
        ExpectInsideShape(shape, r);
    ExpectInsideShape(shape, 0, 205, 52, 100, 13);  // clock
    ExpectInsideShape(shape, 0, 180, 112, 70, 15);  // mode label
    ExpectInsideShape(shape, 0, 207, 149, 100, 12); // frequency
}

} // namespace
