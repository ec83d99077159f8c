// The scheduler's recording order as the panel takes it apart: the two halves of the data word,
// the video-source digit at the end of the text, and records that are short, empty, without a
// pointer or with an unknown record format.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <string>

#include "tv/app/scheduled_recording.h"

namespace {

using tunaro::DecodeScheduledRecording;
using tunaro::ScheduledRecording;
using tunaro::ScheduledSource;

uint64_t Word(long format, long channel) {
    return (static_cast<uint64_t>(format) << 16) | static_cast<uint64_t>(channel);
}

ScheduledSource SourceOf(const std::string& text) {
    ScheduledRecording order;
    EXPECT_TRUE(DecodeScheduledRecording(Word(0, 3), text.data(), text.size(), &order)) << text;
    return order.source;
}

// Memory whose last readable byte is followed by a page nothing may read: a decoder reading one
// byte too far crashes the test.
class GuardedText {
public:
    GuardedText() {
        SYSTEM_INFO info;
        GetSystemInfo(&info);
        m_page = info.dwPageSize;
        m_base =
            static_cast<char*>(VirtualAlloc(nullptr, m_page * 2, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
        DWORD old = 0;
        if (m_base)
            VirtualProtect(m_base + m_page, m_page, PAGE_NOACCESS, &old);
    }
    ~GuardedText() {
        if (m_base)
            VirtualFree(m_base, 0, MEM_RELEASE);
    }
    // The text copied so that it ends right at the guard page.
    const char* Place(const std::string& text) {
        char* at = m_base + m_page - text.size();
        std::memcpy(at, text.data(), text.size());
        return at;
    }
    const char* End() const { return m_base + m_page; }
    bool Ready() const { return m_base != nullptr; }

private:
    char* m_base = nullptr;
    std::size_t m_page = 0;
};

TEST(ScheduledRecordingOrder, TheDataWordGivesChannelAndFormatAndTheLastDigitTheInput) {
    ScheduledRecording order;
    const std::string text = "Record_02";
    // The upper half of a 64-bit data field is not part of the order.
    ASSERT_TRUE(
        DecodeScheduledRecording((uint64_t{0xABCD} << 32) | Word(5, 300), text.data(), text.size(), &order));
    EXPECT_EQ(order.channelIndex, 300);
    EXPECT_EQ(order.recordFormat, 5);
    EXPECT_EQ(order.source, ScheduledSource::SVideo);

    ASSERT_TRUE(DecodeScheduledRecording(Word(7, 0xFFFF), text.data(), text.size(), &order));
    EXPECT_EQ(order.channelIndex, 0xFFFF);
    EXPECT_EQ(order.recordFormat, 7);

    // The tuner's digit records the task's channel too.
    EXPECT_EQ(SourceOf("Record_00"), ScheduledSource::TunerAndChannel);
    EXPECT_EQ(SourceOf("Record_01"), ScheduledSource::CompositeAndChannel);
    EXPECT_EQ(SourceOf("x2"), ScheduledSource::SVideo);
    // Only the last character counts: "12" is S-Video, not twelve.
    EXPECT_EQ(SourceOf("Record_12"), ScheduledSource::SVideo);
    EXPECT_EQ(SourceOf("Record_03"), ScheduledSource::TunerAndChannel);
    EXPECT_EQ(SourceOf("Record_9"), ScheduledSource::TunerAndChannel);
    EXPECT_EQ(SourceOf("1"), ScheduledSource::CompositeAndChannel);
}

TEST(ScheduledRecordingOrder, TheTextEndsAtTheByteCountOrAtAZeroByte) {
    // The count cuts the text: the last digit inside it counts, not the one after.
    const std::string longer = "Record_021";
    ScheduledRecording order;
    ASSERT_TRUE(DecodeScheduledRecording(Word(1, 4), longer.data(), 9, &order));
    EXPECT_EQ(order.source, ScheduledSource::SVideo);
    // A zero byte ends the text before the count does.
    const std::string zeroed("Rec_1\0"
                             "2",
                             7);
    ASSERT_TRUE(DecodeScheduledRecording(Word(1, 4), zeroed.data(), zeroed.size(), &order));
    EXPECT_EQ(order.source, ScheduledSource::CompositeAndChannel);
    // A text that is only a zero byte has no last character.
    const std::string onlyZero(1, '\0');
    ASSERT_TRUE(DecodeScheduledRecording(Word(1, 4), onlyZero.data(), 1, &order));
    EXPECT_EQ(order.source, ScheduledSource::TunerAndChannel);
}

TEST(ScheduledRecordingOrder, EmptyMissingOrNonDigitTextsRecordFromTheTunerWithTheChannel) {
    GuardedText guarded;
    ASSERT_TRUE(guarded.Ready());
    ScheduledRecording order;
    // The text ends at the guard page, without a terminating zero.
    const char* text = guarded.Place("Record_02");
    ASSERT_TRUE(DecodeScheduledRecording(Word(2, 6), text, 9, &order));
    EXPECT_EQ(order.source, ScheduledSource::SVideo);
    // A zero count with a pointer to memory nothing may read: nothing is read.
    order = ScheduledRecording();
    order.source = ScheduledSource::SVideo;
    ASSERT_TRUE(DecodeScheduledRecording(Word(2, 6), guarded.End(), 0, &order));
    EXPECT_EQ(order.source, ScheduledSource::TunerAndChannel);
    EXPECT_EQ(order.channelIndex, 6);
    EXPECT_EQ(order.recordFormat, 2);
    // A null pointer with a count.
    order.source = ScheduledSource::SVideo;
    ASSERT_TRUE(DecodeScheduledRecording(Word(3, 8), nullptr, 12, &order));
    EXPECT_EQ(order.source, ScheduledSource::TunerAndChannel);
    EXPECT_EQ(order.channelIndex, 8);
    // No digit at the end.
    text = guarded.Place("Record_");
    ASSERT_TRUE(DecodeScheduledRecording(Word(0, 1), text, 7, &order));
    EXPECT_EQ(order.source, ScheduledSource::TunerAndChannel);
    EXPECT_EQ(SourceOf("Record_2 "), ScheduledSource::TunerAndChannel);
}

TEST(ScheduledRecordingOrder, AnUnknownRecordFormatIsRefusedAndLeavesTheOrderAlone) {
    const std::string text = "Record_02";
    for (long format : {8L, 9L, 0x7FFFL, 0xFFFFL}) {
        ScheduledRecording order;
        order.channelIndex = 42;
        order.recordFormat = 3;
        order.source = ScheduledSource::CompositeAndChannel;
        EXPECT_FALSE(DecodeScheduledRecording(Word(format, 1), text.data(), text.size(), &order)) << format;
        EXPECT_EQ(order.channelIndex, 42) << format;
        EXPECT_EQ(order.recordFormat, 3) << format;
        EXPECT_EQ(order.source, ScheduledSource::CompositeAndChannel) << format;
    }
    ScheduledRecording order;
    EXPECT_TRUE(DecodeScheduledRecording(Word(0, 1), text.data(), text.size(), &order));
    EXPECT_FALSE(DecodeScheduledRecording(Word(0, 1), text.data(), text.size(), nullptr));
}

} // namespace
