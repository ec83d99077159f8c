// The TV application's report of a stopped recording as the scheduler reads it: what was
// written reads back, and a report that is not one is refused whole.
#include "framework/recording_report.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

using namespace tunaro;

namespace {

TEST(RecordingReport, WhatTheTvWritesTheSchedulerReadsAndNothingElse) {
    RecordingReport sent;
    sent.file = "C:\\Video\\20260302_2000\tnews.mpg";
    sent.lengthSeconds = 1805;
    sent.picturesDropped = 12;
    sent.end = RecordingEnd::CardRemoved;
    const std::string text = EncodeRecordingReport(sent);
    RecordingReport got;
    // As sent: no terminating zero counted, or a zero inside the count.
    ASSERT_TRUE(DecodeRecordingReport(text.data(), text.size(), got));
    EXPECT_EQ(got.file, "C:\\Video\\20260302_2000 news.mpg");
    EXPECT_EQ(got.lengthSeconds, 1805);
    EXPECT_EQ(got.picturesDropped, 12);
    EXPECT_EQ(got.end, RecordingEnd::CardRemoved);
    ASSERT_TRUE(DecodeRecordingReport(text.c_str(), text.size() + 1, got));
    for (RecordingEnd end : {RecordingEnd::Order, RecordingEnd::InTv, RecordingEnd::DiskFull,
                             RecordingEnd::Failed, RecordingEnd::Interrupted}) {
        sent.end = end;
        const std::string each = EncodeRecordingReport(sent);
        ASSERT_TRUE(DecodeRecordingReport(each.data(), each.size(), got)) << each;
        EXPECT_EQ(got.end, end) << each;
    }

    const std::string refused[] = {
        "",
        "file.mpg\t10\t0",                 // a field missing
        "file.mpg\t10\t0\torder\textra",   // one too many
        "\t10\t0\torder",                  // no file
        "file.mpg\t-1\t0\torder",          // a negative length
        "file.mpg\t10\t0x1\torder",        // not a count
        "file.mpg\t10\t0\tsomething-else", // an end this program does not know
    };
    for (const std::string& bad : refused) {
        RecordingReport untouched;
        untouched.file = "kept";
        EXPECT_FALSE(DecodeRecordingReport(bad.data(), bad.size(), untouched)) << bad;
        EXPECT_EQ(untouched.file, "kept") << bad;
    }
    // Only the bytes counted are read.
    const std::string cut = text.substr(0, text.size() - 2);
    EXPECT_FALSE(DecodeRecordingReport(cut.data(), cut.size(), got));
    EXPECT_FALSE(DecodeRecordingReport(nullptr, 10, got));
}

} // namespace
