// The TV wall's cycle: which cell gets which channel, clicks and the restart.
#include <gtest/gtest.h>

#include "tv/app/tv_wall_cycle.h"

using tunaro::TvWallCycle;

TEST(TvWallCycle, ThreeChannelsFillAllSixteenCellsThenStartAgainAtCellZero) {
    TvWallCycle c;
    c.Open(3, 0);
    for (int i = 0; i < 16; ++i) {
        EXPECT_EQ(c.Tick(), i % 3) << "tick " << i;
        EXPECT_EQ(c.LiveCell(), i);
        EXPECT_EQ(c.CellChannel(i), i % 3);
    }
    EXPECT_EQ(c.FilledCount(), 16);
    EXPECT_TRUE(c.Filled(15));
    EXPECT_EQ(c.Tick(), 16 % 3);
    EXPECT_EQ(c.LiveCell(), 0);
    EXPECT_EQ(c.CellChannel(0), 1);
}

TEST(TvWallCycle, StartsAtTheCurrentChannelAndWraps) {
    TvWallCycle c;
    c.Open(5, 3);
    EXPECT_EQ(c.Tick(), 3);
    EXPECT_EQ(c.Tick(), 4);
    EXPECT_EQ(c.Tick(), 0);
    TvWallCycle outside;
    outside.Open(5, 9); // a current index past the list starts at the first channel
    EXPECT_EQ(outside.Tick(), 0);
}

TEST(TvWallCycle, EmptyListTunesNothingFillsNothingAndClicksDoNothing) {
    TvWallCycle c;
    c.Open(0, 0);
    EXPECT_EQ(c.Tick(), -1);
    EXPECT_EQ(c.FilledCount(), 0);
    EXPECT_FALSE(c.Filled(0));
    EXPECT_EQ(c.Click(0), -1);
    EXPECT_EQ(c.CurrentMode(), TvWallCycle::Mode::Cycling);
}

TEST(TvWallCycle, ClickOnAFilledCellChoosesItsChannelOnlyFilledCellsCount) {
    TvWallCycle c;
    c.Open(10, 0);
    for (int i = 0; i < 4; ++i)
        c.Tick();
    EXPECT_EQ(c.Click(4), -1) << "not filled yet";
    EXPECT_EQ(c.Click(-1), -1);
    EXPECT_EQ(c.Click(16), -1);
    EXPECT_EQ(c.CurrentMode(), TvWallCycle::Mode::Cycling);
    EXPECT_EQ(c.Click(2), 2);
    EXPECT_EQ(c.LiveCell(), 2);
    EXPECT_EQ(c.CellToFill(), 2);
    EXPECT_EQ(c.CurrentMode(), TvWallCycle::Mode::Chosen);
}

TEST(TvWallCycle, RightButtonResumesFromTheCurrentChannelOnce) {
    TvWallCycle c;
    c.Open(10, 0);
    for (int i = 0; i < 5; ++i)
        c.Tick();
    ASSERT_EQ(c.Click(1), 1);
    EXPECT_TRUE(c.Restart(1));
    EXPECT_EQ(c.CurrentMode(), TvWallCycle::Mode::Restarted);
    EXPECT_FALSE(c.Restart(7)) << "a second right click changes nothing";
    EXPECT_EQ(c.NextChannel(), 1);
    // The cycle goes on into the chosen cell with the current channel, then onwards.
    EXPECT_EQ(c.Tick(), 1);
    EXPECT_EQ(c.LiveCell(), 1);
    EXPECT_EQ(c.Tick(), 2);
    EXPECT_EQ(c.LiveCell(), 2);
}
