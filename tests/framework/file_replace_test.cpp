// Tests of the replace-when-complete write on real files under Wine: a failed or refused write
// leaves the previous file whole and no temporary file behind, and those of writes that never
// finished are cleared; whole-file reads; path parts.
#include "framework/file_replace.h"

#include <windows.h>

#include <gtest/gtest.h>

#include "tests/support/e2e.h"

#include <string>

using namespace tunaro;

namespace {

class FileReplace : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(m_dir.Made()) << m_dir.Path(); }
    e2e::ScratchDir m_dir{"filereplace"};
};

TEST_F(FileReplace, AFailedWriteLeavesThePreviousFileIntact) {
    std::string path = m_dir.File("program.txt");
    const std::string before = "Name: Old\r\nFreq: 1\r\n";
    ASSERT_TRUE(e2e::WriteFile(path, before));

    // The disk fills up half way: the new contents are cut short and the write reports it.
    bool filled = false;
    EXPECT_FALSE(ReplaceFileWith(path, [&](const std::string& temp) {
        filled = true;
        EXPECT_NE(temp, path);
        EXPECT_EQ(ParentOfPath(temp), m_dir.Path());
        EXPECT_TRUE(WriteFileBytes(temp, "Name: New\r\nFre"));
        return false;
    }));
    EXPECT_TRUE(filled);
    EXPECT_EQ(e2e::ReadFile(path), before);
    EXPECT_EQ(m_dir.EntryCount(), 1); // the half-written temporary file is gone

    // And a write that goes well replaces it.
    EXPECT_TRUE(WriteFileReplacing(path, "new"));
    EXPECT_EQ(e2e::ReadFile(path), "new");
    EXPECT_EQ(m_dir.EntryCount(), 1);
}

TEST_F(FileReplace, BinaryRecordsAndEmptyFilesAreWrittenExactly) {
    std::string path = m_dir.File("SCHTASK.stf");
    const char records[] = {'\x01', '\0', '\xff', '\0', 'x'};
    EXPECT_TRUE(WriteFileReplacing(path, records, sizeof records));
    std::string back;
    ASSERT_TRUE(ReadFileBytes(path, back));
    EXPECT_EQ(back, std::string(records, sizeof records));
    // No records at all: the file stays, empty.
    EXPECT_TRUE(WriteFileReplacing(path, nullptr, 0));
    ASSERT_TRUE(ReadFileBytes(path, back));
    EXPECT_TRUE(back.empty());
    EXPECT_TRUE(FileExists(path));
    EXPECT_EQ(m_dir.EntryCount(), 1);
}

TEST_F(FileReplace, RefusedTargetsFailWithoutLeavingAnything) {
    EXPECT_FALSE(WriteFileReplacing("", "x"));
    EXPECT_FALSE(WriteFileReplacing(m_dir.File("nowhere\\list.txt"), "x"));
    // A directory in the file's place is not replaced.
    ASSERT_TRUE(CreateDirectoryA(m_dir.File("taken").c_str(), nullptr));
    EXPECT_FALSE(WriteFileReplacing(m_dir.File("taken"), "x"));
    EXPECT_TRUE(DirectoryExists(m_dir.File("taken")));
    EXPECT_FALSE(FileExists(m_dir.File("taken")));
    EXPECT_EQ(m_dir.EntryCount(), 1);

    // A file another program holds open without sharing keeps its contents.
    std::string held = m_dir.File("held.ini");
    ASSERT_TRUE(e2e::WriteFile(held, "old"));
    HANDLE h = CreateFileA(held.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    EXPECT_FALSE(WriteFileReplacing(held, "new"));
    CloseHandle(h);
    EXPECT_EQ(e2e::ReadFile(held), "old");
    EXPECT_EQ(m_dir.EntryCount(), 2);
}

DWORD WINAPI CloseAfterAWhile(void* handle) {
    Sleep(300);
    CloseHandle(static_cast<HANDLE>(handle));
    return 0;
}

TEST_F(FileReplace, AReaderThatLetsGoSoonDoesNotMakeTheWriteFail) {
    // Another program reads the file (the way fopen opens it) just as it is replaced, and
    // closes it a moment later: the write waits for it instead of failing.
    std::string path = m_dir.File("SCHTASK.stf");
    ASSERT_TRUE(e2e::WriteFile(path, "old"));
    HANDLE reader = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(reader, INVALID_HANDLE_VALUE);
    HANDLE closer = CreateThread(nullptr, 0, CloseAfterAWhile, reader, 0, nullptr);
    ASSERT_NE(closer, nullptr);
    EXPECT_TRUE(WriteFileReplacing(path, "new"));
    WaitForSingleObject(closer, INFINITE);
    CloseHandle(closer);
    EXPECT_EQ(e2e::ReadFile(path), "new");
    EXPECT_EQ(m_dir.EntryCount(), 1);
}

// A file of these contents last written that many hours ago.
bool LeaveFile(const std::string& path, int hoursAgo) {
    if (!e2e::WriteFile(path, "left"))
        return false;
    HANDLE h = CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return false;
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    ULARGE_INTEGER t;
    t.LowPart = now.dwLowDateTime;
    t.HighPart = now.dwHighDateTime;
    t.QuadPart -= static_cast<ULONGLONG>(hoursAgo) * 3600 * 10000000;
    FILETIME then = {t.LowPart, t.HighPart};
    const bool ok = SetFileTime(h, nullptr, nullptr, &then) != FALSE;
    CloseHandle(h);
    return ok;
}

TEST_F(FileReplace, TemporariesOfWritesThatNeverFinishedAreClearedByTheNextWrite) {
    // Programs killed between making their temporary file and the swap left these behind.
    ASSERT_TRUE(LeaveFile(m_dir.File("~tu1A2B.tmp"), 2));
    ASSERT_TRUE(LeaveFile(m_dir.File("~TU9.TMP"), 30));
    // A write going on now: its temporary is young, or old but still held open.
    ASSERT_TRUE(LeaveFile(m_dir.File("~tu3C4D.tmp"), 0));
    ASSERT_TRUE(LeaveFile(m_dir.File("~tu5E6F.tmp"), 2));
    HANDLE writer =
        CreateFileA(m_dir.File("~tu5E6F.tmp").c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(writer, INVALID_HANDLE_VALUE);
    // Other people's files that only look like ours.
    ASSERT_TRUE(LeaveFile(m_dir.File("~tuner.tmp"), 2));
    ASSERT_TRUE(LeaveFile(m_dir.File("~tu12345.tmp"), 2));
    ASSERT_TRUE(LeaveFile(m_dir.File("~tu1A2B.txt"), 2));

    EXPECT_TRUE(WriteFileReplacing(m_dir.File("program.txt"), "new"));
    CloseHandle(writer);

    EXPECT_FALSE(FileExists(m_dir.File("~tu1A2B.tmp")));
    EXPECT_FALSE(FileExists(m_dir.File("~TU9.TMP")));
    for (const char* kept : {"~tu3C4D.tmp", "~tu5E6F.tmp", "~tuner.tmp", "~tu12345.tmp", "~tu1A2B.txt"})
        EXPECT_TRUE(FileExists(m_dir.File(kept))) << kept;
    EXPECT_EQ(e2e::ReadFile(m_dir.File("program.txt")), "new");
    EXPECT_EQ(m_dir.EntryCount(), 6);
}

TEST_F(FileReplace, ReadsWholeFilesAndReportsMissingOnes) {
    std::string path = m_dir.File("big.txt");
    std::string big(300000, 'a');
    big[299999] = 'z';
    ASSERT_TRUE(WriteFileBytes(path, big));
    std::string back = "stale";
    ASSERT_TRUE(ReadFileBytes(path, back));
    EXPECT_EQ(back, big);
    EXPECT_FALSE(ReadFileBytes(m_dir.File("missing.txt"), back));
    EXPECT_TRUE(back.empty());
}

TEST(PathParts, ParentOfPath) {
    EXPECT_EQ(ParentOfPath("C:\\Program Files\\Tunaro\\Tunaro.ini"), "C:\\Program Files\\Tunaro");
    EXPECT_EQ(ParentOfPath("C:\\Tunaro.ini"), "C:");
    EXPECT_EQ(ParentOfPath("dir/file"), "dir");
    EXPECT_EQ(ParentOfPath("file"), "");
}

} // namespace
