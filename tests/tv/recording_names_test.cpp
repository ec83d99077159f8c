// Recording file names: the extensions of each record format at start, after the name dialog
// and when named automatically; the directory joint; the automatic name's stop time and whole
// minutes; and the names the dialog must refuse.
#include <gtest/gtest.h>

#include <ctime>
#include <string>

#include "tv/recording_names.h"

namespace {

using namespace tunaro;

time_t LocalTime(int year, int month, int day, int hour, int minute, int second) {
    struct tm parts = {};
    parts.tm_year = year - 1900;
    parts.tm_mon = month - 1;
    parts.tm_mday = day;
    parts.tm_hour = hour;
    parts.tm_min = minute;
    parts.tm_sec = second;
    parts.tm_isdst = -1;
    return mktime(&parts);
}

TEST(RecordingNames, EachFormatHasItsExtensionsAndEngineNames) {
    const char* start[] = {".mpg", ".mpg", ".avi", ".avi", ".MP3", ".wmv", ".mpg", ".wma"};
    const char* named[] = {".MPG", ".MPG", ".avi", ".avi", ".MP3", ".WMV", ".MPG", ".wma"};
    const char* automatic[] = {".mpg", ".mpg", ".avi", ".avi", ".mp3", ".wmv", ".mpg", ".wma"};
    for (long code = 0; code < kRecordFormatCount; ++code) {
        EXPECT_TRUE(IsRecordFormat(code));
        EXPECT_STREQ(StartExtension(code), start[code]) << code;
        EXPECT_STREQ(NamedExtension(code), named[code]) << code;
        EXPECT_STREQ(AutoNameExtension(code), automatic[code]) << code;
    }
    EXPECT_FALSE(IsRecordFormat(-1));
    EXPECT_FALSE(IsRecordFormat(8));
    // A code from a damaged INI file still gives a name (the DVD one).
    EXPECT_STREQ(StartExtension(99), ".mpg");
}

TEST(RecordingNames, StartDialogAndAutomaticNamesJoinTheDirectoryOnce) {
    const time_t start = LocalTime(2026, 3, 4, 5, 6, 7);
    EXPECT_EQ(TimeName(start), "20260304-050607");
    EXPECT_EQ(StartFileName("C:\\Video", start, kRecordVcd), "C:\\Video\\20260304-050607.mpg");
    EXPECT_EQ(StartFileName("C:\\Video\\", start, kRecordMp3), "C:\\Video\\20260304-050607.MP3");
    EXPECT_EQ(NamedFileName("C:\\Video", "news", kRecordVcd), "C:\\Video\\news.MPG");
    EXPECT_EQ(NamedFileName("D:\\", "news", kRecordWmv), "D:\\news.WMV");

    // Ninety seconds make one whole minute; the name gives the stop time.
    const time_t stop = LocalTime(2026, 12, 31, 23, 59, 58);
    EXPECT_EQ(AutoFileName("C:\\Video", stop, 90, kRecordMp3), "C:\\Video\\20261231-235958-1.mp3");
    EXPECT_EQ(AutoFileName("C:\\Video\\", stop, 59, kRecordWmv), "C:\\Video\\20261231-235958-0.wmv");
    EXPECT_EQ(AutoFileName("C:\\V", stop, 3600 * 2 + 59, kRecordSvcd), "C:\\V\\20261231-235958-120.mpg");
    EXPECT_EQ(AutoFileName("C:\\V", stop, -5, kRecordAvi), "C:\\V\\20261231-235958-0.avi");

    // The rest of a cut-off recording goes beside it; a dot in a folder's name is not its extension.
    EXPECT_EQ(ContinuedFileName("C:\\Video\\20261231-235958-3.mpg", kRecordDvd),
              "C:\\Video\\20261231-235958-3-2.mpg");
    EXPECT_EQ(ContinuedFileName("C:\\v.1\\news", kRecordMpeg4Avi), "C:\\v.1\\news-2.avi");
}

TEST(RecordingNames, NamesAFileCannotTakeAreRefused) {
    EXPECT_EQ(CheckRecordingName("Evening news 2"), NameProblem::None);
    EXPECT_EQ(CheckRecordingName("a.b"), NameProblem::None);
    EXPECT_EQ(CheckRecordingName(""), NameProblem::Empty);
    for (const char* bad : {"a\\b", "a/b", "c:x", "a*", "why?", "<x", "x>", "a|b", "say \"hi\""})
        EXPECT_EQ(CheckRecordingName(bad), NameProblem::Reserved) << bad;
    for (const char* bad : {".", "..", "name.", "name ", "tab\there"})
        EXPECT_EQ(CheckRecordingName(bad), NameProblem::Unusable) << bad;
    EXPECT_TRUE(HasReservedCharacter("..\\up"));
    EXPECT_FALSE(HasReservedCharacter("plain"));
}

} // namespace
