// Tests of the generated skin: every bitmap a layout row names exists with the row's size, the
// window shapes cover every control, and buttons do not cover one another.
#include <gtest/gtest.h>

#include <windows.h>

#include "res/tunaro/skin_layout.h"
#include "tests/res/skin_checks.h"

namespace skin = tunaro::skin;

namespace {

using namespace tunaro::skin_checks;

// The panel's rows are all buttons of the kit's usual kind.
void ExpectPanelRow(const skin::Row& r) {
    ExpectRowBitmaps(r);
    EXPECT_EQ(0, r.spare) << r.id;
    EXPECT_EQ(1, r.flag) << r.id;
}

TEST(TvSkin, EveryRowHasItsBitmapsAtTheRowsSize) {
    for (const auto& r : skin::tv::kPanelButtons)
        ExpectPanelRow(r);
    ExpectPanelRow(skin::tv::kRecordingRow);
    ExpectPanelRow(skin::tv::kMutedRow);
    ASSERT_EQ(18u, sizeof(skin::tv::kVolumeLit) / sizeof(skin::tv::kVolumeLit[0]));
    for (size_t i = 0; i < 18; ++i) {
        EXPECT_EQ(1181 + static_cast<int>(i), skin::tv::kVolumeLit[i].id);
        EXPECT_EQ(skin::tv::kVolumeLit[i].id, skin::tv::kVolumeUnlit[i].id);
        EXPECT_NE(skin::tv::kVolumeLit[i].normal, skin::tv::kVolumeUnlit[i].normal);
        ExpectPanelRow(skin::tv::kVolumeLit[i]);
        ExpectPanelRow(skin::tv::kVolumeUnlit[i]);
    }
}

TEST(TvSkin, TheButtonTableKeepsItsGivenPlacesAndBitmaps) {
    struct Given {
        int id, left, top, w, h, normal, hover, pressed, tooltip;
    } given[] = {
        {401, 342, 57, 20, 11, 153, 155, 154, 99},   {402, 348, 74, 17, 16, 156, 158, 157, 110},
        {403, 352, 95, 14, 14, 159, 161, 160, 108},  {404, 67, 300, 31, 30, 162, 164, 163, 111},
        {405, 88, 115, 31, 20, 165, 167, 166, 103},  {406, 42, 149, 63, 21, 321, 323, 322, 105},
        {407, 239, 115, 31, 20, 171, 173, 172, 126}, {408, 163, 115, 31, 20, 174, 176, 175, 112},
        {409, 163, 115, 31, 20, 174, 176, 175, 112}, {410, 357, 84, 27, 27, 180, 215, 214, 114},
        {411, 290, 124, 38, 36, 263, 202, 264, 106}, {412, 217, 84, 27, 27, 203, 205, 204, 102},
        {413, 182, 84, 27, 27, 183, 185, 184, 104},
    };
    for (const Given& g : given) {
        const skin::Row* row = nullptr;
        for (const auto& r : skin::tv::kPanelButtons)
            if (r.id == g.id)
                row = &r;
        ASSERT_NE(nullptr, row) << g.id;
        EXPECT_EQ(g.left, row->left) << g.id;
        EXPECT_EQ(g.top, row->top) << g.id;
        EXPECT_EQ(g.w, row->width) << g.id;
        EXPECT_EQ(g.h, row->height) << g.id;
        EXPECT_EQ(g.normal, row->normal) << g.id;
        EXPECT_EQ(g.hover, row->hover) << g.id;
        EXPECT_EQ(g.pressed, row->pressed) << g.id;
        EXPECT_EQ(g.tooltip, row->tooltip) << g.id;
    }
}

TEST(TvSkin, ShapeCoversEveryControlAndTheStatusLine) {
    Shape shape(151);
    ASSERT_EQ(400, shape.w);
    EXPECT_FALSE(shape.Inside(0, 0));
    EXPECT_FALSE(shape.Inside(399, 0));
    EXPECT_TRUE(shape.Inside(200, 200));
    for (const auto& r : skin::tv::kPanelButtons)
        ExpectInsideShape(shape, r);
    for (const auto& r : skin::tv::kVolumeLit)
        ExpectInsideShape(shape, r);
    ExpectInsideShape(shape, skin::Row{1069, 170, 70, 180, 16, 0, 0, 0, 0, 0, 0, 1});
}

TEST(TvSkin, ButtonsDoNotCoverOneAnother) {
    // 408 and 409 share a place (the same command in two modes); 410's given place overlaps 402
    // and 403, so it is left to the panel to hide it.
    for (const auto& a : skin::tv::kPanelButtons)
        for (const auto& b : skin::tv::kPanelButtons) {
            if (&a >= &b || a.id == 410 || b.id == 410 || (a.id == 408 && b.id == 409))
                continue;
            EXPECT_FALSE(Overlap(a, b)) << a.id << " and " << b.id;
        }
}

} // namespace
