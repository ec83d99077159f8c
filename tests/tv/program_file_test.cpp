// Tests of the channel list file's text: the exact lines written, and the reader's rules for
// comments, key case, missing lines, inherited values, empty names and over-long lines.
#include "tv/program_file.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

using namespace tunaro;

namespace {

ChannelRecord Rec(const std::string& name, int32_t freq, int32_t chan, int32_t enabled, int32_t audio) {
    ChannelRecord r;
    r.m_strName = name;
    r.m_nFrequency = freq;
    r.m_nChannel = chan;
    r.m_nEnabled = enabled;
    r.m_nAudioMode = audio;
    return r;
}

// The records of a text the reader takes.
std::vector<ChannelRecord> Parsed(std::string_view text) {
    std::vector<ChannelRecord> records;
    EXPECT_TRUE(ParseProgramText(text, records));
    return records;
}

void ExpectRecord(const ChannelRecord& r, const std::string& name, int32_t freq, int32_t chan,
                  int32_t enabled, int32_t audio) {
    EXPECT_EQ(r.m_strName, name);
    EXPECT_EQ(r.m_nFrequency, freq) << name;
    EXPECT_EQ(r.m_nChannel, chan) << name;
    EXPECT_EQ(r.m_nEnabled, enabled) << name;
    EXPECT_EQ(r.m_nAudioMode, audio) << name;
}

} // namespace

TEST(ProgramWriter, WritesOneFiveLineBlockPerRecord) {
    ChannelList list;
    list.Append(Rec("CCTV-1", 49750000, 1, 1, 1));
    list.Append(Rec("Local", 168250000, 6, 0, 0));
    EXPECT_EQ(FormatProgramText(list, 2),
              "Name: CCTV-1\nFreq: 49750000\nChan: 1\nAudioChannels:1\nCheck:1\n"
              "Name: Local\nFreq: 168250000\nChan: 6\nAudioChannels:0\nCheck:0\n");
    // The audio value written is the one the card family uses.
    EXPECT_NE(FormatProgramText(list, 4).find("Name: CCTV-1\nFreq: 49750000\nChan: 1\nAudioChannels:0\n"),
              std::string::npos);
    EXPECT_NE(FormatProgramText(list, 3).find("Name: Local\nFreq: 168250000\nChan: 6\nAudioChannels:1\n"),
              std::string::npos);
    EXPECT_EQ(FormatProgramText(ChannelList(), 2), "");
}

TEST(ProgramWriter, NamesAreCutToWhatOneLineReadsBack) {
    // A name set behind the list's back is still written as one line the reader takes whole.
    ChannelList list;
    list.Append(Rec("x", 1, 1, 1, 0));
    list.At(0)->m_strName = std::string(300, 'n');
    std::string text = FormatProgramText(list, 2);
    EXPECT_EQ(text.substr(0, 6 + kChannelNameMax + 1), "Name: " + std::string(kChannelNameMax, 'n') + "\n");
    std::vector<ChannelRecord> back = Parsed(text);
    ASSERT_EQ(back.size(), 1u);
    EXPECT_EQ(back[0].m_strName, std::string(kChannelNameMax, 'n'));
}

TEST(ProgramRoundTrip, ALongNameNeitherShrinksNorTurnsIntoAChannel) {
    // 249 characters used to come back as 248 with the last one read as a line of its own; a
    // name whose tail looked like a key turned into an extra channel on the next start.
    for (const std::string& name : {std::string(249, 'a'), std::string(240, 'b') + "Name:Evil",
                                    std::string(250, 'c') + "\nName: Evil\nFreq: 5"}) {
        ChannelList list;
        list.Append(Rec(name, 55250000, 7, 1, 0));
        list.Append(Rec("Next", 62250000, 8, 1, 0));
        list.At(1)->m_strName = name; // also when set behind the list's back
        std::vector<ChannelRecord> back = Parsed(FormatProgramText(list, 2));
        ASSERT_EQ(back.size(), 2u) << name;
        ExpectRecord(back[0], list.Name(0), 55250000, 7, 1, 0);
        ExpectRecord(back[1], StoredChannelName(name), 62250000, 8, 1, 0);
        EXPECT_LE(back[0].m_strName.size(), kChannelNameMax);
    }
    // A name read at the full width of a line ("Name:" without a blank) is cut to what the
    // writer can give back, so a second round trip changes nothing.
    std::vector<ChannelRecord> wide = Parsed("Name:" + std::string(249, 'w') + "\nFreq: 1\n");
    ASSERT_EQ(wide.size(), 1u);
    EXPECT_EQ(wide[0].m_strName, std::string(kChannelNameMax, 'w'));
}

TEST(ProgramReader, ChannelNumbersStopAtTheTopInsteadOfWrapping) {
    std::vector<ChannelRecord> r = Parsed("Name: A\nFreq: 1\nChan: 2147483647\n"
                                          "Name: B\nFreq: 2\n"
                                          "Name: C\nFreq: 3\nChan: 99999999999\n"
                                          "Name: D\nFreq: 4\n");
    ASSERT_EQ(r.size(), 4u);
    EXPECT_EQ(r[1].m_nChannel, 2147483647);
    EXPECT_EQ(r[2].m_nChannel, 2147483647);
    EXPECT_EQ(r[3].m_nChannel, 2147483647);
}

TEST(ProgramReader, AFileWithMoreChannelsThanAListHoldsIsRefusedWhole) {
    std::string text;
    for (long i = 0; i < kChannelListMax; ++i)
        text += "Name: c" + std::to_string(i) + "\nFreq: " + std::to_string(48000000 + i) + "\n";
    std::vector<ChannelRecord> records;
    EXPECT_TRUE(ParseProgramText(text, records));
    EXPECT_EQ(records.size(), static_cast<std::size_t>(kChannelListMax));
    // One more, even one that only a block without Freq would have dropped before it: refused.
    EXPECT_TRUE(ParseProgramText(text + "Name: no frequency\n", records));
    EXPECT_FALSE(ParseProgramText(text + "Name: one too many\nFreq: 1\n", records));
    EXPECT_TRUE(records.empty());
    // Reading stops at the limit: megabytes of blocks cost no more than the limit's worth.
    std::string huge;
    for (int i = 0; i < 200000; ++i)
        huge += "Name:\nFreq:1\n";
    EXPECT_FALSE(ParseProgramText(huge, records));
    EXPECT_TRUE(records.empty());
}

TEST(ProgramReader, SavedListReadsBackTheSameButForTheEffectiveAudio) {
    ChannelList list;
    list.Append(Rec("CCTV-1", 49750000, 1, 1, 1));
    list.Append(Rec("E21 Local", 471250000, 21, 0, 0));
    list.Append(Rec("Pay TV", 855250000, 69, 1, 1));
    list.Append(Rec("Negative", -5, -3, 1, 0));

    std::vector<ChannelRecord> same = Parsed(FormatProgramText(list, 2));
    ASSERT_EQ(same.size(), 4u);
    for (long i = 0; i < list.Count(); ++i) {
        const ChannelRecord& a = *list.At(i);
        ExpectRecord(same[static_cast<std::size_t>(i)], a.m_strName, a.m_nFrequency, a.m_nChannel,
                     a.m_nEnabled, a.m_nAudioMode);
    }
    // Another family: everything the same except the audio mode, which is that family's.
    std::vector<ChannelRecord> mono = Parsed(FormatProgramText(list, 5));
    ASSERT_EQ(mono.size(), 4u);
    ExpectRecord(mono[1], "E21 Local", 471250000, 21, 0, 1);
    std::vector<ChannelRecord> stereo = Parsed(FormatProgramText(list, 4));
    ASSERT_EQ(stereo.size(), 4u);
    ExpectRecord(stereo[0], "CCTV-1", 49750000, 1, 1, 0);
}

TEST(ProgramReader, CheckIsInheritedByABlockWithoutIt) {
    std::vector<ChannelRecord> r = Parsed("Name: One\nFreq: 1000\nCheck:0\n"
                                          "Name: Two\nFreq: 2000\n");
    ASSERT_EQ(r.size(), 2u);
    EXPECT_EQ(r[0].m_nEnabled, 0);
    EXPECT_EQ(r[1].m_nEnabled, 0);
    // AudioChannels carries over the same way.
    r = Parsed("Name: A\nFreq: 1\nAudioChannels:1\nName: B\nFreq: 2\n");
    ASSERT_EQ(r.size(), 2u);
    EXPECT_EQ(r[1].m_nAudioMode, 1);
}

TEST(ProgramReader, ChannelNumbersCountUpAndBlocksWithoutFreqAreDropped) {
    std::vector<ChannelRecord> r = Parsed("Name: First\nFreq: 100\n"            // no Chan: 2
                                          "Name: Second\nFreq: 200\nChan: 10\n" // 10
                                          "Name: NoFreq\nChan: 40\n"            // dropped
                                          "Name: Third\nFreq: 300\n");          // 41
    ASSERT_EQ(r.size(), 3u);
    ExpectRecord(r[0], "First", 100, 2, 1, 0);
    ExpectRecord(r[1], "Second", 200, 10, 1, 0);
    ExpectRecord(r[2], "Third", 300, 41, 1, 0);
    // A Freq of -1 is "none yet" as well.
    EXPECT_TRUE(Parsed("Name: X\nFreq: -1\n").empty());
}

TEST(ProgramRoundTrip, TheListStoresNoFrequencyItsFileCannotGiveBack) {
    ChannelList list;
    EXPECT_FALSE(list.Append(Rec("minus", -1, 1, 1, 0)));
    EXPECT_FALSE(list.Insert(0, Rec("minus", -1, 1, 1, 0)));
    ASSERT_TRUE(list.Append(Rec("low", INT32_MIN, 1, 1, 0)));
    ASSERT_TRUE(list.Append(Rec("high", INT32_MAX, 2, 0, 1)));
    ASSERT_TRUE(list.Append(Rec("zero", 0, 3, 1, 1)));
    EXPECT_FALSE(list.Replace(2, Rec("minus", -1, 3, 1, 0)));
    EXPECT_FALSE(list.SetFrequency(1, -1));
    EXPECT_EQ(list.Frequency(1), INT32_MAX);
    EXPECT_TRUE(list.SetFrequency(2, -2));
    // Every record the list holds comes back from its file as it is.
    const std::vector<ChannelRecord> back = Parsed(FormatProgramText(list, 2));
    ASSERT_EQ(back.size(), 3u);
    ExpectRecord(back[0], "low", INT32_MIN, 1, 1, 0);
    ExpectRecord(back[1], "high", INT32_MAX, 2, 0, 1);
    ExpectRecord(back[2], "zero", -2, 3, 1, 1);
}

TEST(ProgramReader, CommentsCaseBlanksAndForeignKeys) {
    std::vector<ChannelRecord> r = Parsed("; channel list\n"
                                          "\n"
                                          "NAME:   Sports One  ; the sports channel\n"
                                          "freq:55250000;in Hz\n"
                                          "Freq2: 99\n"
                                          "Form: 3\n"
                                          " Chan: 77\n" // not at the start of the line
                                          "CHECK:0\n"
                                          "audiochannels:1\n"
                                          "Name:\t \n"
                                          "Freq: 62250000"); // no line feed at the end
    ASSERT_EQ(r.size(), 2u);
    ExpectRecord(r[0], "Sports One", 55250000, 2, 0, 1);
    ExpectRecord(r[1], kEmptyChannelName, 62250000, 3, 0, 1);
}

TEST(ProgramReader, AFrequencyBeforeAnyNameMakesAnEmptyNamedRecord) {
    std::vector<ChannelRecord> r = Parsed("Freq: 5000\nName: Next\nFreq: 6000\n");
    ASSERT_EQ(r.size(), 2u);
    ExpectRecord(r[0], kEmptyChannelName, 5000, 1, 1, 0);
    ExpectRecord(r[1], "Next", 6000, 2, 1, 0);
}

TEST(ProgramReader, LongLinesAreReadInPiecesEachTakenAsALine) {
    // A comment line of exactly one piece, followed on the same line by a key: the key starts
    // the second piece and counts.
    std::string text = "Name: A\n;" + std::string(kProgramLineMax - 1, 'x') + "Freq: 777\n";
    std::vector<ChannelRecord> r = Parsed(text);
    ASSERT_EQ(r.size(), 1u);
    EXPECT_EQ(r[0].m_nFrequency, 777);

    // A name longer than a piece keeps what fits in the first piece; the rest is no key.
    std::string longName(300, 'k');
    r = Parsed("Name: " + longName + "\nFreq: 1\n");
    ASSERT_EQ(r.size(), 1u);
    EXPECT_EQ(r[0].m_strName, std::string(kProgramLineMax - 6, 'k'));
}

TEST(ProgramReader, AbsurdNumbersSaturateInsteadOfWrapping) {
    std::vector<ChannelRecord> r = Parsed("Name: Big\nFreq: 99999999999999999999\nChan: -99999999999\n");
    ASSERT_EQ(r.size(), 1u);
    EXPECT_EQ(r[0].m_nFrequency, 2147483647);
    EXPECT_EQ(r[0].m_nChannel, -2147483647 - 1);
    r = Parsed("Name: Words\nFreq: abc\n");
    ASSERT_EQ(r.size(), 1u);
    EXPECT_EQ(r[0].m_nFrequency, 0);
}
