// Tests of the channel list: ownership and editing by index, the effective audio mode by card
// family, and the rule that selects a channel and remembers the previous one.
#include "tv/channel_list.h"

#include <gtest/gtest.h>

#include <vector>

using namespace tunaro;

namespace {

ChannelRecord Rec(const char* name, int32_t freq, int32_t enabled = 1, int32_t audio = 0) {
    ChannelRecord r;
    r.m_strName = name;
    r.m_nFrequency = freq;
    r.m_nChannel = 0;
    r.m_nEnabled = enabled;
    r.m_nAudioMode = audio;
    return r;
}

// Builds a list with the given enabled flags; names "c0", "c1", ...
void Fill(ChannelList& list, std::vector<int> enabled) {
    for (std::size_t i = 0; i < enabled.size(); ++i)
        list.Append(Rec(("c" + std::to_string(i)).c_str(), 100000000 + static_cast<int32_t>(i), enabled[i]));
}

struct TuneLog {
    std::vector<long> tuned;
    std::function<void(long)> Fn() {
        return [this](long i) { tuned.push_back(i); };
    }
};

} // namespace

TEST(EffectiveAudio, OnlyFamilyTwoUsesTheRecordsOwnMode) {
    EXPECT_EQ(EffectiveAudioMode(kAudioMono, 2), kAudioMono);
    EXPECT_EQ(EffectiveAudioMode(kAudioStereo, 2), kAudioStereo);
    EXPECT_EQ(EffectiveAudioMode(kAudioMono, 4), kAudioStereo);
    EXPECT_EQ(EffectiveAudioMode(kAudioStereo, 4), kAudioStereo);
    for (long family : {0L, 1L, 3L, 5L, 6L, -8L}) {
        EXPECT_EQ(EffectiveAudioMode(kAudioStereo, family), kAudioMono) << family;
        EXPECT_EQ(EffectiveAudioMode(kAudioMono, family), kAudioMono) << family;
    }
}

TEST(ChannelList, EditsByIndexKeepRecordsOwnedAndInOrder) {
    ChannelList list;
    EXPECT_TRUE(list.Empty());
    EXPECT_EQ(list.At(0), nullptr);
    Fill(list, {1, 1, 1});
    ChannelRecord* second = list.At(1);
    ASSERT_NE(second, nullptr);
    // Records stay where they are while the list grows.
    for (int i = 0; i < 100; ++i)
        list.Append(Rec("more", 1));
    EXPECT_EQ(list.At(1), second);
    EXPECT_EQ(list.Count(), 103);

    EXPECT_TRUE(list.DeleteAt(0));
    EXPECT_EQ(list.Name(0), "c1");
    EXPECT_FALSE(list.DeleteAt(102));
    EXPECT_FALSE(list.DeleteAt(-1));

    EXPECT_TRUE(list.Swap(0, 1));
    EXPECT_EQ(list.Name(0), "c2");
    EXPECT_EQ(list.Name(1), "c1");
    EXPECT_FALSE(list.Swap(0, 102));

    EXPECT_TRUE(list.Replace(1, Rec("renamed", 55250000, 0, 1)));
    EXPECT_EQ(list.Name(1), "renamed");
    EXPECT_EQ(list.Frequency(1), 55250000);
    EXPECT_EQ(list.Enabled(1), 0);
    EXPECT_EQ(list.AudioMode(1), 1);

    EXPECT_TRUE(list.Insert(0, Rec("first", 1)));
    EXPECT_TRUE(list.Insert(list.Count(), Rec("last", 2)));
    EXPECT_FALSE(list.Insert(list.Count() + 1, Rec("beyond", 3)));
    EXPECT_EQ(list.Name(0), "first");
    EXPECT_EQ(list.Name(list.Count() - 1), "last");

    EXPECT_TRUE(list.SetFrequency(0, 471250000));
    EXPECT_EQ(list.At(0)->m_nFrequency, 471250000);
    EXPECT_FALSE(list.SetFrequency(list.Count(), 1));
    EXPECT_EQ(list.Name(-1), "");
    EXPECT_EQ(list.Frequency(list.Count()), 0);

    list.SetCurrentIndex(3);
    list.Clear();
    EXPECT_TRUE(list.Empty());
    EXPECT_EQ(list.CurrentIndex(), 3); // the selection belongs to the settings, not the records
}

TEST(ChannelNames, AreStoredTheWayTheChannelFileGivesThemBack) {
    EXPECT_EQ(StoredChannelName("  CCTV-5 \t"), "CCTV-5");
    EXPECT_EQ(StoredChannelName("News; late edition"), "News"); // the file reads ";" as a comment
    EXPECT_EQ(StoredChannelName("Two\nlines"), "Two");
    EXPECT_EQ(StoredChannelName(std::string("Nul\0after", 9)), "Nul");
    EXPECT_EQ(StoredChannelName(""), kEmptyChannelName);
    EXPECT_EQ(StoredChannelName(" ;all comment"), kEmptyChannelName);
    EXPECT_EQ(StoredChannelName(std::string(300, 'x')), std::string(kChannelNameMax, 'x'));
    // A cut that ends on blanks loses them too.
    EXPECT_EQ(StoredChannelName("  " + std::string(kChannelNameMax - 3, 'y') + "     z"),
              std::string(kChannelNameMax - 3, 'y'));

    // Every way a name enters the list stores it so.
    ChannelList list;
    list.Append(Rec(" Appended ", 1));
    list.Insert(0, Rec("Inserted;x", 2));
    list.Replace(1, Rec("", 3));
    list.Append(Rec("later", 4));
    list.SetName(2, std::string(260, 's'));
    EXPECT_EQ(list.Name(0), "Inserted");
    EXPECT_EQ(list.Name(1), kEmptyChannelName);
    EXPECT_EQ(list.Name(2), std::string(kChannelNameMax, 's'));
}

TEST(ChannelList, HoldsNoMoreThanItsLimit) {
    ChannelList list;
    for (long i = 0; i < kChannelListMax; ++i)
        ASSERT_TRUE(list.Append(Rec("c", static_cast<int32_t>(i))));
    EXPECT_FALSE(list.Append(Rec("over", 1)));
    EXPECT_FALSE(list.Insert(0, Rec("over", 1)));
    EXPECT_EQ(list.Count(), kChannelListMax);
    EXPECT_EQ(list.Frequency(0), 0);
    // Replacing within the list still works, and a deleted place can be filled again.
    EXPECT_TRUE(list.Replace(0, Rec("swapped", 7)));
    EXPECT_TRUE(list.DeleteAt(1));
    EXPECT_TRUE(list.Append(Rec("again", 8)));
}

TEST(ChannelList, AnEmptiedListMayBeSavedAgain) {
    ChannelList list;
    EXPECT_FALSE(list.LoadRefused());
    list.SetLoadRefused(true);
    list.Append(Rec("added after a refused load", 1));
    EXPECT_TRUE(list.LoadRefused());
    // The automatic scan empties the list first: the user replaces the channels on purpose.
    list.Clear();
    EXPECT_FALSE(list.LoadRefused());
}

TEST(SelectChannel, TakesTheFirstEnabledFromTheIndexAndRemembersThePrevious) {
    ChannelList list;
    Fill(list, {1, 0, 0, 1, 1});
    TuneLog log;
    list.SetCurrentIndex(4);
    EXPECT_EQ(list.SelectChannel(1, log.Fn()), 1);
    EXPECT_EQ(list.CurrentIndex(), 3); // 1 and 2 are disabled
    EXPECT_EQ(list.PreviousIndex(), 4);
    ASSERT_EQ(log.tuned.size(), 1u);
    EXPECT_EQ(log.tuned[0], 3);

    // Selecting the previous index swaps the two.
    EXPECT_EQ(list.SelectChannel(list.PreviousIndex(), log.Fn()), 1);
    EXPECT_EQ(list.CurrentIndex(), 4);
    EXPECT_EQ(list.PreviousIndex(), 3);
}

TEST(SelectChannel, AllLaterRecordsDisabledKeepsTheChannelButSetsThePrevious) {
    ChannelList list;
    Fill(list, {1, 1, 0, 0});
    list.SetCurrentIndex(1);
    list.SetPreviousIndex(0);
    TuneLog log;
    EXPECT_EQ(list.SelectChannel(2, log.Fn()), 1);
    EXPECT_EQ(list.CurrentIndex(), 1);
    EXPECT_EQ(list.PreviousIndex(), 1);
    // The engine is told the (unchanged) current channel again.
    ASSERT_EQ(log.tuned.size(), 1u);
    EXPECT_EQ(log.tuned[0], 1);
}

TEST(SelectChannel, OutOfRangeFailsAndCountItselfPasses) {
    ChannelList list;
    Fill(list, {1, 1, 1});
    list.SetCurrentIndex(2);
    list.SetPreviousIndex(0);
    TuneLog log;
    EXPECT_EQ(list.SelectChannel(-1, log.Fn()), -1);
    EXPECT_EQ(list.SelectChannel(4, log.Fn()), -1);
    EXPECT_EQ(list.PreviousIndex(), 0);
    EXPECT_TRUE(log.tuned.empty());

    EXPECT_EQ(list.SelectChannel(3, log.Fn()), 1);
    EXPECT_EQ(list.CurrentIndex(), 2);
    EXPECT_EQ(list.PreviousIndex(), 2);
}

TEST(SelectChannel, NeverTunesAnIndexThatNamesNoRecord) {
    ChannelList list;
    TuneLog log;
    list.SetCurrentIndex(7); // left from a longer list
    EXPECT_EQ(list.SelectChannel(0, log.Fn()), 1);
    EXPECT_EQ(list.CurrentIndex(), 7);
    EXPECT_EQ(list.PreviousIndex(), 7);
    EXPECT_TRUE(log.tuned.empty());
    // No tuner at all is fine too.
    Fill(list, {1});
    EXPECT_EQ(list.SelectChannel(0, nullptr), 1);
    EXPECT_EQ(list.CurrentIndex(), 0);
}
