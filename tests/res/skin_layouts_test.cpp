// The generated layouts of both programs in one file: each keeps its own tables under its own
// namespace over the one shared row type.
#include <gtest/gtest.h>

#include <type_traits>

#include "res/fm/skin_layout.h"
#include "res/tunaro/skin_layout.h"
#include "res/tunaro/snapshot_layout.h"

namespace {

TEST(SkinLayouts, OneFileSeesEveryProgramsTables) {
    static_assert(
        std::is_same_v<std::remove_cv_t<std::remove_extent_t<decltype(tunaro::skin::tv::kPanelButtons)>>,
                       std::remove_cv_t<std::remove_extent_t<decltype(tunaro::skin::fm::kFmButtons)>>>,
        "one row type");
    // Same names, different tables: the mute rows of the two windows differ in their looks.
    EXPECT_EQ(406, tunaro::skin::tv::kMutedRow.id);
    EXPECT_EQ(406, tunaro::skin::fm::kMutedRow.id);
    EXPECT_NE(tunaro::skin::tv::kMutedRow.normal, tunaro::skin::fm::kMutedRow.normal);
    EXPECT_EQ(18u, sizeof(tunaro::skin::tv::kVolumeLit) / sizeof(tunaro::skin::Row));
    EXPECT_EQ(10u, sizeof(tunaro::skin::fm::kVolumeLit) / sizeof(tunaro::skin::Row));
    EXPECT_EQ(6u, sizeof(tunaro::skin::snapshot::kSnapshotButtons) / sizeof(tunaro::skin::Row));
}

} // namespace
