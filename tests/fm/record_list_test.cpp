// The timed-recording list: its file both ways, the name rule, the plan check and the
// once-a-second start and stop, with entries missed while the program was away.
#include "fm/record_list.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace {

using tunaro::fm::CivilTime;
using tunaro::fm::TimedAction;
using tunaro::fm::TimedRecording;
using tunaro::fm::ToSeconds;

std::int64_t At(int y, int mo, int d, int h, int mi, int s) {
    return ToSeconds(CivilTime{y, mo, d, h, mi, s});
}

TimedRecording Entry(std::int64_t start, std::int32_t length, std::int32_t channel, const char* name) {
    TimedRecording e;
    e.start = start;
    e.length = length;
    e.channel = channel;
    e.fileName = name;
    return e;
}

TEST(CivilTimeTest, SecondsAndDatesAgreeAcrossMonthsYearsAndLeapDays) {
    EXPECT_EQ(ToSeconds(CivilTime{1970, 1, 1, 0, 0, 0}), 0);
    EXPECT_EQ(ToSeconds(CivilTime{2000, 3, 1, 0, 0, 0}) - ToSeconds(CivilTime{2000, 2, 28, 0, 0, 0}),
              2 * 86400);
    EXPECT_EQ(ToSeconds(CivilTime{2100, 3, 1, 0, 0, 0}) - ToSeconds(CivilTime{2100, 2, 28, 0, 0, 0}), 86400);
    // 2026-12-08 20:00:00 is 1,796,760,000 s after the epoch.
    EXPECT_EQ(ToSeconds(CivilTime{2026, 12, 8, 20, 0, 0}), 1796760000);
    // Overflowing fields carry: month 13 is next January, second 60 the next minute.
    EXPECT_EQ(ToSeconds(CivilTime{2025, 13, 1, 0, 0, 0}), ToSeconds(CivilTime{2026, 1, 1, 0, 0, 0}));
    EXPECT_EQ(ToSeconds(CivilTime{2026, 1, 1, 23, 59, 60}), ToSeconds(CivilTime{2026, 1, 2, 0, 0, 0}));
    for (std::int64_t s : {std::int64_t{0}, std::int64_t{951782399}, std::int64_t{1796760000} + 86399,
                           std::int64_t{-1}, std::int64_t{4102444800}}) {
        const CivilTime t = tunaro::fm::FromSeconds(s);
        EXPECT_EQ(ToSeconds(t), s) << s;
        EXPECT_GE(t.month, 1);
        EXPECT_LE(t.month, 12);
    }
    // The lowest month and day a "StartTime:" line can give carry as far as they say.
    // (INT32_MIN - 1) months from 2026-01 are 178956971 years back, to April.
    EXPECT_EQ(ToSeconds(CivilTime{2026, INT32_MIN, 1, 0, 0, 0}), At(2026 - 178956971, 4, 1, 0, 0, 0));
    EXPECT_EQ(ToSeconds(CivilTime{1970, 1, INT32_MIN, 0, 0, 0}), (std::int64_t{INT32_MIN} - 1) * 86400);
    const CivilTime leap = tunaro::fm::FromSeconds(At(2024, 2, 29, 13, 14, 15));
    EXPECT_EQ(leap.year, 2024);
    EXPECT_EQ(leap.month, 2);
    EXPECT_EQ(leap.day, 29);
    EXPECT_EQ(leap.hour, 13);
    EXPECT_EQ(leap.minute, 14);
    EXPECT_EQ(leap.second, 15);
}

TEST(RecordListFileTest, ReadsWhatItWritesAndTheFileFormatsRules) {
    std::vector<TimedRecording> list = {Entry(At(2026, 12, 8, 21, 5, 0), 600, 3, "evening news"),
                                        Entry(At(2027, 1, 2, 7, 0, 9), 10, 0, "261208-210500-10")};
    const std::string text = tunaro::fm::FormatRecordList(list);
    EXPECT_EQ(text, "StartTime: 2026-12-08 21:05:00\nRecLen: 600\nChan: 3\nFile: evening news\n"
                    "StartTime: 2027-01-02 07:00:09\nRecLen: 10\nChan: 0\nFile: 261208-210500-10\n");
    const tunaro::fm::RecordListFile back = tunaro::fm::ParseRecordList(text);
    ASSERT_EQ(back.entries.size(), 2u);
    EXPECT_TRUE(back.refusedNames.empty());
    for (std::size_t i = 0; i < 2; ++i) {
        EXPECT_EQ(back.entries[i].start, list[i].start);
        EXPECT_EQ(back.entries[i].length, list[i].length);
        EXPECT_EQ(back.entries[i].channel, list[i].channel);
        EXPECT_EQ(back.entries[i].fileName, list[i].fileName);
    }

    // Keys in any case, comments after ";", CRLF line ends, blanks before the name, unknown
    // lines ignored, and an entry still pending at the end of the file kept.
    const tunaro::fm::RecordListFile loose = tunaro::fm::ParseRecordList(
        "; planned by hand\r\nstarttime: 2026-12-8 9:3:1 ; morning\r\nRECLEN: 45\r\nchan: 2\r\n"
        "remark: nothing\r\nfile:   \tmorning show ; a comment\r\n"
        "StartTime: 2026-12-09 10:00:00\nFile: last");
    ASSERT_EQ(loose.entries.size(), 2u);
    EXPECT_EQ(loose.entries[0].start, At(2026, 12, 8, 9, 3, 1));
    EXPECT_EQ(loose.entries[0].length, 45);
    EXPECT_EQ(loose.entries[0].channel, 2);
    EXPECT_EQ(loose.entries[0].fileName, "morning show");
    EXPECT_EQ(loose.entries[1].start, At(2026, 12, 9, 10, 0, 0));
    EXPECT_EQ(loose.entries[1].length, 0);
    EXPECT_EQ(loose.entries[1].fileName, "last");

    // An over-long line is read in pieces of 254 characters: its tail is not taken for a key.
    const std::string longName(300, 'x');
    const tunaro::fm::RecordListFile cut =
        tunaro::fm::ParseRecordList("StartTime: 2026-12-08 21:00:00\nFile: " + longName + "\n");
    ASSERT_EQ(cut.entries.size(), 1u);
    EXPECT_EQ(cut.entries[0].fileName, std::string(254 - 6, 'x'));
    // The longest name a line holds (no blank after the key) is written so that it reads back
    // whole; shorter ones keep the usual blank.
    const tunaro::fm::RecordListFile full =
        tunaro::fm::ParseRecordList("StartTime: 2026-12-08 21:00:00\nFile:" + longName + "\n");
    ASSERT_EQ(full.entries.size(), 1u);
    ASSERT_EQ(full.entries[0].fileName, std::string(254 - 5, 'x'));
    const std::string rewritten = tunaro::fm::FormatRecordList(full.entries);
    EXPECT_EQ(tunaro::fm::ParseRecordList(rewritten).entries.at(0).fileName, full.entries[0].fileName);
    EXPECT_NE(tunaro::fm::FormatRecordList(cut.entries).find("\nFile: x"), std::string::npos);

    EXPECT_TRUE(tunaro::fm::ParseRecordList("").entries.empty());
}

TEST(RecordListFileTest, NamesThatLeaveTheRecordingDirectoryAreRefused) {
    for (const char* bad : {"..\\..\\windows\\system32\\evil", "sub/name", "C:name", "c:\\x", "..", "a..b",
                            "\\\\server\\share\\x", "", "tab\tname"})
        EXPECT_FALSE(tunaro::fm::IsSafeRecordingName(bad)) << bad;
    for (const char* good : {"261208-210500-10", "news at nine", "a.b", "中文"})
        EXPECT_TRUE(tunaro::fm::IsSafeRecordingName(good)) << good;

    const tunaro::fm::RecordListFile file =
        tunaro::fm::ParseRecordList("StartTime: 2026-12-08 21:00:00\nRecLen: 60\nFile: ..\\Tunaro.exe\n"
                                    "StartTime: 2026-12-08 22:00:00\nRecLen: 60\nFile: fine\n"
                                    "StartTime: 2026-12-08 23:00:00\nRecLen: 60\nFile: D:\\elsewhere\n"
                                    "StartTime: 2026-12-09 00:00:00\nRecLen: 60\n");
    ASSERT_EQ(file.entries.size(), 1u);
    EXPECT_EQ(file.entries[0].fileName, "fine");
    ASSERT_EQ(file.refusedNames.size(), 3u);
    EXPECT_EQ(file.refusedNames[0], "..\\Tunaro.exe");
    EXPECT_EQ(file.refusedNames[1], "D:\\elsewhere");
    EXPECT_EQ(file.refusedNames[2], "");
}

TEST(RecordPlanTest, PlanCheckNameAndOrder) {
    const std::int64_t now = At(2026, 12, 8, 20, 0, 0);
    std::vector<TimedRecording> list = {Entry(now + 600, 300, 1, "a")}; // 20:10 to 20:15
    EXPECT_TRUE(tunaro::fm::PlanFits(list, now + 60, now + 70, now));
    EXPECT_FALSE(tunaro::fm::PlanFits(list, now, now + 70, now));            // starts now
    EXPECT_FALSE(tunaro::fm::PlanFits(list, now - 5, now + 70, now));        // in the past
    EXPECT_FALSE(tunaro::fm::PlanFits(list, now + 60, now + 69, now));       // 9 s
    EXPECT_FALSE(tunaro::fm::PlanFits(list, now + 60, now + 60, now));       // no length
    EXPECT_FALSE(tunaro::fm::PlanFits(list, now + 60, now + 30, now));       // ends before it starts
    EXPECT_TRUE(tunaro::fm::PlanFits({}, now + 60, now + 60 + 86400, now));  // exactly 24 h
    EXPECT_FALSE(tunaro::fm::PlanFits({}, now + 60, now + 61 + 86400, now)); // longer
    EXPECT_FALSE(tunaro::fm::PlanFits(list, now + 500, now + 601, now));     // runs into "a"
    EXPECT_FALSE(tunaro::fm::PlanFits(list, now + 899, now + 1000, now));    // starts within "a"
    EXPECT_FALSE(tunaro::fm::PlanFits(list, now + 650, now + 700, now));     // inside "a"
    EXPECT_FALSE(tunaro::fm::PlanFits(list, now + 500, now + 1000, now));    // around "a"
    EXPECT_TRUE(tunaro::fm::PlanFits(list, now + 500, now + 600, now));      // ends as "a" starts
    EXPECT_TRUE(tunaro::fm::PlanFits(list, now + 900, now + 1000, now));     // starts as "a" ends

    // Start as "%y%m%d-%H%M%S-" and the minutes part of the length.
    EXPECT_EQ(tunaro::fm::PlannedRecordingName(At(2026, 12, 8, 21, 5, 7), At(2026, 12, 8, 21, 35, 7)),
              "261208-210507-30");
    EXPECT_EQ(tunaro::fm::PlannedRecordingName(At(2026, 1, 2, 3, 4, 5), At(2026, 1, 2, 5, 9, 50)),
              "260102-030405-5");

    std::vector<TimedRecording> unsorted = {Entry(30, 10, 0, "c"), Entry(10, 10, 0, "a"),
                                            Entry(20, 10, 0, "b"), Entry(10, 5, 0, "a2")};
    tunaro::fm::SortByStart(unsorted);
    EXPECT_EQ(unsorted[0].fileName, "a");
    EXPECT_EQ(unsorted[1].fileName, "a2");
    EXPECT_EQ(unsorted[2].fileName, "b");
    EXPECT_EQ(unsorted[3].fileName, "c");
}

TEST(TimedRecordingCheckTest, StartsOnTimeStopsOnTimeAndHandsOnToTheNext) {
    const std::int64_t t0 = At(2026, 12, 8, 20, 0, 0);
    std::vector<TimedRecording> list = {Entry(t0 + 60, 20, 4, "first"), Entry(t0 + 120, 15, 2, "second")};
    bool recording = false;
    std::vector<std::pair<std::int64_t, TimedAction>> seen;
    std::vector<std::string> names;
    for (std::int64_t now = t0; now <= t0 + 200; ++now) {
        const tunaro::fm::TimedDecision d = tunaro::fm::CheckTimedRecordings(list, now, recording);
        EXPECT_EQ(d.dropped, 0) << now - t0;
        if (d.action == TimedAction::None)
            continue;
        seen.emplace_back(now - t0, d.action);
        names.push_back(d.entry.fileName);
        if (d.action == TimedAction::Start) {
            recording = true;
            EXPECT_EQ(d.entry.channel, d.entry.fileName == "first" ? 4 : 2);
        } else {
            recording = false;
        }
    }
    // Each begins at most 3 s early, and each stops at its start + length.
    ASSERT_EQ(seen.size(), 4u);
    EXPECT_EQ(seen[0], std::make_pair(std::int64_t{57}, TimedAction::Start));
    EXPECT_EQ(seen[1], std::make_pair(std::int64_t{80}, TimedAction::Stop));
    EXPECT_EQ(seen[2], std::make_pair(std::int64_t{117}, TimedAction::Start));
    EXPECT_EQ(seen[3], std::make_pair(std::int64_t{135}, TimedAction::Stop));
    EXPECT_EQ(names, (std::vector<std::string>{"first", "first", "second", "second"}));
    EXPECT_TRUE(list.empty());
}

TEST(TimedRecordingCheckTest, EntriesMissedWhileAwayNeitherStartLateNorBlockTheRest) {
    const std::int64_t t0 = At(2026, 12, 8, 20, 0, 0);
    // The program starts at t0: the first entry ended an hour ago, the second began 10 s ago
    // and still runs for a while, the third lies ahead.
    std::vector<TimedRecording> list = {Entry(t0 - 7200, 3600, 0, "gone"), Entry(t0 - 10, 40, 1, "missed"),
                                        Entry(t0 + 60, 10, 2, "ahead")};
    tunaro::fm::TimedDecision d = tunaro::fm::CheckTimedRecordings(list, t0, false);
    EXPECT_EQ(d.action, TimedAction::None);
    EXPECT_EQ(d.dropped, 1);
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[0].fileName, "missed");
    // Its start lies more than 3 s back: it is not begun late, and leaves once its end passed.
    std::int64_t started = -1;
    bool recording = false;
    for (std::int64_t now = t0 + 1; now <= t0 + 80 && started < 0; ++now) {
        d = tunaro::fm::CheckTimedRecordings(list, now, recording);
        if (now == t0 + 30) {
            EXPECT_EQ(d.dropped, 1);
            ASSERT_EQ(list.size(), 1u);
            EXPECT_EQ(list[0].fileName, "ahead");
        }
        if (d.action == TimedAction::Start) {
            started = now - t0;
            EXPECT_EQ(d.entry.fileName, "ahead");
        }
    }
    EXPECT_EQ(started, 57);

    // While a recording runs, its entry stays until its end; others that passed go.
    list = {Entry(t0, 100, 0, "running"), Entry(t0 + 10, 5, 0, "overlapping, passed")};
    d = tunaro::fm::CheckTimedRecordings(list, t0 + 50, true);
    EXPECT_EQ(d.action, TimedAction::None);
    EXPECT_EQ(d.dropped, 1);
    ASSERT_EQ(list.size(), 1u);
    d = tunaro::fm::CheckTimedRecordings(list, t0 + 100, true);
    EXPECT_EQ(d.action, TimedAction::Stop);
    EXPECT_EQ(d.entry.fileName, "running");
    EXPECT_TRUE(list.empty());

    // A length the file gives as negative is over before it starts: it goes, unstarted, even
    // while it would be due.
    list = {Entry(t0 + 2, -10, 0, "negative"), Entry(t0 + 60, 10, 0, "next")};
    d = tunaro::fm::CheckTimedRecordings(list, t0, false);
    EXPECT_EQ(d.action, TimedAction::None);
    EXPECT_EQ(d.dropped, 1);
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list[0].fileName, "next");

    // A due entry waits while another recording runs, then passes unrecorded.
    list = {Entry(t0 + 2, 20, 0, "busy")};
    d = tunaro::fm::CheckTimedRecordings(list, t0, true);
    EXPECT_EQ(d.action, TimedAction::None);
    EXPECT_EQ(list.size(), 1u);
    d = tunaro::fm::CheckTimedRecordings(list, t0 + 22, false);
    EXPECT_EQ(d.action, TimedAction::None);
    EXPECT_EQ(d.dropped, 1);
    EXPECT_TRUE(list.empty());
}

} // namespace
