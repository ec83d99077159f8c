// The history file's lines: every outcome read back as written, foreign lines refused, the
// file kept to its last lines, newest first in the view, and the view's texts.
#include "schedule/task_history.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/schedule/schedule_test_util.h"

using namespace tunaro;

namespace {

TaskHistoryEntry Recorded() {
    TaskHistoryEntry e;
    e.when = At(2026, 3, 2, 20, 30, 5);
    e.name = "news\tat eight";
    e.channel = 12;
    e.outcome = TaskOutcome::Recorded;
    e.lateSeconds = 17;
    e.lateReason = TaskRunReason::ComputerOff;
    e.file = "Record_0.mpg";
    e.start = At(2026, 3, 2, 20, 0, 17);
    e.end = At(2026, 3, 2, 20, 30, 5);
    e.lengthSeconds = 1788;
    e.picturesDropped = 3;
    return e;
}

TEST(TaskHistory, EveryOutcomeReadsBackAsWritten) {
    TaskHistoryEntry cut = Recorded();
    cut.outcome = TaskOutcome::CutShort;
    cut.reason = TaskRunReason::DiskFull;
    TaskHistoryEntry missed;
    missed.when = At(2026, 12, 31, 23, 59, 59);
    missed.name = "film";
    missed.outcome = TaskOutcome::Missed;
    missed.reason = TaskRunReason::TvNotStarted;
    TaskHistoryEntry watched = missed;
    watched.outcome = TaskOutcome::Watched;
    watched.reason = TaskRunReason::None;
    for (const TaskHistoryEntry& e : {Recorded(), cut, missed, watched}) {
        const std::string line = FormatTaskHistoryLine(e);
        EXPECT_EQ(line.find_first_of("\r\n"), std::string::npos) << line;
        TaskHistoryEntry back;
        ASSERT_TRUE(ParseTaskHistoryLine(line, back)) << line;
        EXPECT_EQ(FormatTaskHistoryLine(back), line);
        EXPECT_EQ(back.outcome, e.outcome);
        EXPECT_EQ(back.reason, e.reason);
    }
    TaskHistoryEntry back;
    ASSERT_TRUE(ParseTaskHistoryLine(FormatTaskHistoryLine(Recorded()), back));
    EXPECT_EQ(back.name, "news at eight"); // the tab would have split the line
    EXPECT_EQ(back.lateSeconds, 17);
    EXPECT_EQ(back.picturesDropped, 3);
    EXPECT_EQ(back.start.second, 17);

    std::string line = FormatTaskHistoryLine(Recorded());
    EXPECT_FALSE(ParseTaskHistoryLine(line + "\textra", back));
    EXPECT_FALSE(ParseTaskHistoryLine(std::string(line).replace(line.find("recorded"), 8, "recorder"), back));
    EXPECT_FALSE(ParseTaskHistoryLine(std::string(line).replace(5, 2, "13"), back)); // month 13
    EXPECT_FALSE(ParseTaskHistoryLine("", back));
}

TEST(TaskHistory, TheFileKeepsItsLastLinesAndTheViewShowsTheNewestFirst) {
    std::string text;
    for (int i = 0; i < 5; ++i) {
        TaskHistoryEntry e = Recorded();
        e.channel = i;
        text = AppendTaskHistoryLine(text, FormatTaskHistoryLine(e), 3);
    }
    std::vector<TaskHistoryEntry> shown = ReadTaskHistory(text);
    ASSERT_EQ(shown.size(), 3u);
    EXPECT_EQ(shown[0].channel, 4);
    EXPECT_EQ(shown[2].channel, 2);
    // A line cut off while written is dropped with the next line; a foreign line is not shown.
    text = AppendTaskHistoryLine(text + "2026-03-02 20:", FormatTaskHistoryLine(Recorded()), 10);
    text = "not a line of ours\r\n" + text;
    shown = ReadTaskHistory(text);
    ASSERT_EQ(shown.size(), 4u);
    EXPECT_EQ(shown[0].channel, 12);
    EXPECT_EQ(AppendTaskHistoryLine(text, "x", 1), "x\r\n");

    TempDir dir;
    const std::string path = dir.Path(kTaskHistoryFileName);
    ASSERT_TRUE(AppendTaskHistory(path, Recorded()));
    TaskHistoryEntry missed = Recorded();
    missed.outcome = TaskOutcome::Missed;
    missed.reason = TaskRunReason::CardRemoved;
    ASSERT_TRUE(AppendTaskHistory(path, missed));
    std::string file;
    ASSERT_TRUE(ReadFileBytes(path, file));
    shown = ReadTaskHistory(file);
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[0].reason, TaskRunReason::CardRemoved);
    EXPECT_EQ(dir.EntryCount(), 1); // no temporary file left beside it
}

TEST(TaskHistory, TheViewSaysWhatWasRecordedAndWhy) {
    EXPECT_EQ(TaskHistoryWhenText(Recorded()), "2026/03/02 20:30");
    EXPECT_EQ(TaskHistoryOutcomeText(Recorded(), false),
              "Started late by 17 s (the computer was off at the start time); "
              "Recorded Record_0.mpg, 20:00:17 to 20:30:05, 29:48, 3 pictures dropped");
    TaskHistoryEntry e = Recorded();
    e.outcome = TaskOutcome::Missed;
    e.reason = TaskRunReason::TvEnded;
    EXPECT_EQ(TaskHistoryOutcomeText(e, false), "Missed: the TV program ended unexpectedly");
    e.outcome = TaskOutcome::CutShort;
    e.lateSeconds = 0;
    e.lengthSeconds = 3725;
    EXPECT_EQ(TaskHistoryOutcomeText(e, false),
              "Cut short (the TV program ended unexpectedly); Recorded Record_0.mpg, 20:00:17 to 20:30:05, "
              "1:02:05, 3 pictures dropped");
    const std::string chinese = TaskHistoryOutcomeText(e, true);
    EXPECT_NE(chinese, TaskHistoryOutcomeText(e, false));
    EXPECT_NE(chinese.find("Record_0.mpg"), std::string::npos);
}

} // namespace
