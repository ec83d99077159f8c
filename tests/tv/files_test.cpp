// Tests on real files under Wine: the channel list saved and loaded, a failed or refused save
// leaving the previous file intact, directory creation with parents, and the program paths.
#include "tv/channel_files.h"
#include "tv/directories.h"
#include "framework/file_replace.h"
#include "tv/profile_ini.h"
#include "tv/tv_paths.h"

#include "tests/tv/test_support.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <vector>

using namespace tunaro;

namespace {

ChannelList& TwoChannels(ChannelList& list) {
    ChannelRecord a;
    a.m_strName = "CCTV-1";
    a.m_nFrequency = 49750000;
    a.m_nChannel = 1;
    a.m_nAudioMode = 1;
    list.Append(a);
    ChannelRecord b;
    b.m_strName = "Local";
    b.m_nFrequency = 168250000;
    b.m_nChannel = 6;
    b.m_nEnabled = 0;
    list.Append(b);
    return list;
}

} // namespace

TEST(ChannelFiles, SaveThenLoadOnDisk) {
    tvtest::ScratchDir dir;
    std::string path = dir.File("program.txt");
    ChannelList list;
    TwoChannels(list);
    ASSERT_EQ(SaveChannelList(list, path, 2), 1);
    // Text mode on the disk: CRLF line ends.
    EXPECT_EQ(tvtest::ReadAll(path),
              "Name: CCTV-1\r\nFreq: 49750000\r\nChan: 1\r\nAudioChannels:1\r\nCheck:1\r\n"
              "Name: Local\r\nFreq: 168250000\r\nChan: 6\r\nAudioChannels:0\r\nCheck:0\r\n");
    ChannelList back;
    back.Append(ChannelRecord()); // whatever was there goes
    back.SetCurrentIndex(1);
    ASSERT_EQ(LoadChannelList(back, path), 1);
    ASSERT_EQ(back.Count(), 2);
    EXPECT_EQ(back.Name(0), "CCTV-1");
    EXPECT_EQ(back.AudioMode(0), 1);
    EXPECT_EQ(back.Enabled(1), 0);
    EXPECT_EQ(back.Frequency(1), 168250000);
    EXPECT_EQ(back.CurrentIndex(), 1);
    EXPECT_EQ(dir.EntryCount(), 1);
}

TEST(ChannelFiles, MissingFilesGiveEmptyLists) {
    tvtest::ScratchDir dir;
    ChannelList list;
    TwoChannels(list);
    EXPECT_EQ(LoadChannelList(list, dir.File("program.txt")), -1);
    EXPECT_TRUE(list.Empty());
    CountryTable table;
    table.Append(CountryEntry());
    EXPECT_FALSE(LoadCountryTable(table, dir.File("CHANNEL.TXT")));
    EXPECT_TRUE(table.Empty());
    EXPECT_EQ(table.Current(), nullptr);
}

TEST(ChannelFiles, AListThatWasNeverLoadedIsNeverSavedOverTheFile) {
    tvtest::ScratchDir dir;
    std::string path = dir.File("program.txt");
    const std::string users = "Name: Mine\r\nFreq: 49750000\r\nChan: 1\r\nAudioChannels:0\r\nCheck:1\r\n";
    tvtest::WriteAll(path, users);

    // Another program holds the file while the session starts: nothing can be read.
    HANDLE held = CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    ChannelList list;
    CountryTable table;
    std::string message = LoadChannelFiles(list, table, path, dir.File("CHANNEL.TXT"));
    std::string chinese = LoadChannelFiles(list, table, path, dir.File("CHANNEL.TXT"), true);
    CloseHandle(held);
    EXPECT_TRUE(list.Empty());
    EXPECT_TRUE(list.LoadRefused());
    EXPECT_NE(message.find(path), std::string::npos) << message;
    EXPECT_EQ(message.find("CHANNEL.TXT"), std::string::npos) << "a missing table is no news";
    EXPECT_NE(chinese.find(path), std::string::npos);
    EXPECT_NE(chinese, message);

    // The end of the session saves the (empty) list: the user's file stays as it was.
    held = CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_EQ(LoadChannelList(list, path), -1);
    CloseHandle(held);
    list.Append(ChannelRecord()); // even with a channel added by hand since
    EXPECT_EQ(SaveChannelList(list, path, 2), 0);
    EXPECT_EQ(tvtest::ReadAll(path), users);

    // A file over the list's limit is refused and kept the same way.
    std::string many;
    for (long i = 0; i <= kChannelListMax; ++i)
        many += "Name: c\r\nFreq: " + std::to_string(48000000 + i) + "\r\n";
    tvtest::WriteAll(path, many);
    EXPECT_EQ(LoadChannelList(list, path), -1);
    EXPECT_TRUE(list.LoadRefused());
    EXPECT_EQ(SaveChannelList(list, path, 2), 0);
    EXPECT_EQ(tvtest::ReadAll(path), many);

    // A scan replaces the channels on purpose (it empties the list first): that list is saved.
    list.Clear();
    TwoChannels(list);
    EXPECT_EQ(SaveChannelList(list, path, 2), 1);
    EXPECT_EQ(LoadChannelList(list, path), 1);
    EXPECT_EQ(list.Count(), 2);

    // No file at all is no refusal: the first save makes one.
    std::string fresh = dir.File("fresh.txt");
    EXPECT_EQ(LoadChannelFiles(list, table, fresh, dir.File("CHANNEL.TXT")), "");
    EXPECT_FALSE(list.LoadRefused());
    TwoChannels(list);
    EXPECT_EQ(SaveChannelList(list, fresh, 2), 1);
}

TEST(ChannelFiles, AnUnreadableCountryTableIsReported) {
    tvtest::ScratchDir dir;
    std::string table = dir.File("CHANNEL.TXT");
    std::string countries;
    for (std::size_t i = 0; i <= kCountryTableMax; ++i)
        countries += "[C" + std::to_string(i) + "]\r\n";
    tvtest::WriteAll(table, countries);
    ChannelList list;
    CountryTable countryTable;
    std::string message = LoadChannelFiles(list, countryTable, dir.File("program.txt"), table);
    EXPECT_TRUE(countryTable.Empty());
    EXPECT_NE(message.find(table), std::string::npos) << message;
    EXPECT_FALSE(list.LoadRefused());
}

TEST(ChannelFiles, CountryTableLoadReplacesRatherThanAppends) {
    tvtest::ScratchDir dir;
    std::string path = dir.File("CHANNEL.TXT");
    tvtest::WriteAll(path, "[A]\r\nCountryCode=86\r\nChannelLow=1\r\n49750000\r\n[B]\r\nCountryCode=44\r\n");
    CountryTable table;
    ASSERT_TRUE(LoadCountryTable(table, path));
    table.SetCurrentIndex(1);
    ASSERT_TRUE(LoadCountryTable(table, path)); // preview starts again after playback
    EXPECT_EQ(table.Count(), 2);
    EXPECT_EQ(table.CurrentIndex(), 0);
    EXPECT_EQ(table.At(0)->m_frequencies.at(0).m_nFrequency, 49750000);
}

TEST(ReplacingWrites, AFileHeldOpenByAnotherProgramIsNotDamaged) {
    tvtest::ScratchDir dir;
    std::string path = dir.File("program.txt");
    const std::string before = "Name: Old\r\nFreq: 1\r\n";
    tvtest::WriteAll(path, before);
    HANDLE held = CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    ChannelList list;
    TwoChannels(list);
    EXPECT_EQ(SaveChannelList(list, path, 2), 0);
    CloseHandle(held);
    EXPECT_EQ(tvtest::ReadAll(path), before);
    EXPECT_EQ(dir.EntryCount(), 1);
}

TEST(ReplacingWrites, AMissingDirectoryFailsWithoutCreatingAnything) {
    tvtest::ScratchDir dir;
    ChannelList list;
    TwoChannels(list);
    EXPECT_EQ(SaveChannelList(list, dir.File("nowhere\\program.txt"), 2), 0);
    EXPECT_FALSE(WriteProfileValues(dir.File("nowhere\\Tunaro.ini"), {CloseComputerFlagWrite()}));
    EXPECT_EQ(dir.EntryCount(), 0);
}

TEST(Directories, ParentsFirstAndStopsAtDriveRootsAndDenials) {
    std::vector<std::string> calls;
    std::vector<std::string> existing = {"C:\\a"};
    auto fake = [&](const std::string& p) {
        calls.push_back(p);
        for (const std::string& e : existing) {
            if (e == p)
                return MakeDirResult::Exists;
        }
        std::string parent = ParentOfPath(p);
        bool parentThere = parent.size() == 2;
        for (const std::string& e : existing)
            parentThere = parentThere || e == parent;
        if (!parentThere)
            return MakeDirResult::ParentMissing;
        existing.push_back(p);
        return MakeDirResult::Created;
    };
    EXPECT_TRUE(CreateDirectoryTree("C:\\a\\b\\c\\d", fake));
    EXPECT_EQ(calls, (std::vector<std::string>{"C:\\a\\b\\c\\d", "C:\\a\\b\\c", "C:\\a\\b", "C:\\a\\b\\c",
                                               "C:\\a\\b\\c\\d"}));

    // A drive that does not exist: the rule stops at "Q:" without trying to make it.
    calls.clear();
    auto noDrive = [&](const std::string& p) {
        calls.push_back(p);
        return MakeDirResult::ParentMissing;
    };
    EXPECT_FALSE(CreateDirectoryTree("Q:\\x\\y", noDrive));
    EXPECT_EQ(calls, (std::vector<std::string>{"Q:\\x\\y", "Q:\\x"}));

    calls.clear();
    auto denied = [&](const std::string& p) {
        calls.push_back(p);
        return MakeDirResult::AccessDenied;
    };
    EXPECT_FALSE(CreateDirectoryTree("C:\\locked\\sub", denied));
    EXPECT_EQ(calls.size(), 1u);
    EXPECT_FALSE(CreateDirectoryTree("", denied));
}

TEST(Directories, RealTreesAndTheSettingsDirectories) {
    tvtest::ScratchDir dir;
    std::string deep = dir.File("one\\two\\three");
    EXPECT_TRUE(CreateDirectoryTree(deep));
    EXPECT_TRUE(DirectoryExists(deep));
    EXPECT_TRUE(CreateDirectoryTree(deep)); // already there
    EXPECT_TRUE(CreateDirectoryTree(dir.File("four\\five\\")));
    EXPECT_TRUE(DirectoryExists(dir.File("four\\five")));
    // A file in the way is not a directory.
    tvtest::WriteAll(dir.File("plain"), "x");
    EXPECT_FALSE(CreateDirectoryTree(dir.File("plain")));

    TvSettings s;
    s.strImagePath = dir.File("Tunaro\\Image");
    s.strVideoPath = dir.File("Media\\Rec\\Video");
    CreateSettingsDirectories(s);
    EXPECT_TRUE(DirectoryExists(s.strImagePath));
    EXPECT_TRUE(DirectoryExists(s.strVideoPath));
}

TEST(TvPaths, TheRunningProgramsDirectories) {
    TvPaths p = MakeTvPaths("C:\\WINDOWS\\system32", "C:\\Program Files\\Tunaro");
    EXPECT_EQ(p.strTunaroIni, "C:\\Program Files\\Tunaro\\Tunaro.ini");
    EXPECT_EQ(p.strProgramTxt, "C:\\WINDOWS\\system32\\program.txt");

    TvPaths here = CurrentTvPaths();
    char system[MAX_PATH + 1] = {};
    GetSystemDirectoryA(system, sizeof system);
    EXPECT_EQ(here.strSystemDir, system);
    char module[MAX_PATH + 1] = {};
    GetModuleFileNameA(nullptr, module, sizeof module);
    EXPECT_EQ(here.strProgramDir + "\\tv_core_test.exe", module);
}

TEST(PreviewStart, ARestartComesBackOnTheSameCountryAndChannel) {
    tvtest::ScratchDir dir;
    TvPaths paths = MakeTvPaths(dir.Path(), dir.Path());
    tvtest::WriteAll(paths.strChannelTxt, "[A]\r\nCountryCode=86\r\n[B]\r\nCountryCode=44\r\n");
    ASSERT_TRUE(WriteProfileValues(paths.strTunaroIni, {CountryIndexWrite(1)}));

    // First run: three channels, the third current; the end of the run stores everything.
    ChannelList list;
    for (int i = 0; i < 3; ++i) {
        ChannelRecord r;
        r.m_strName = "ch" + std::to_string(i);
        r.m_nFrequency = 471250000 + i * 8000000;
        list.Append(r);
    }
    TvSettings s = LoadTvSettings(ProfileIni(paths.strTunaroIni), paths.strProgramDir);
    list.SetCurrentIndex(2);
    s.lCurrentIndex = list.CurrentIndex();
    s.lPreChannelIndex = 1;
    ASSERT_EQ(SaveChannelList(list, paths.strProgramTxt, 2), 1);
    ASSERT_TRUE(SaveTvSettings(paths.strTunaroIni, s));
    ASSERT_TRUE(WriteCloseComputerFlag(paths.strTunaroIni));

    // Second run.
    ProfileIni ini(paths.strTunaroIni);
    TvSettings again = LoadTvSettings(ini, paths.strProgramDir);
    ChannelList list2;
    CountryTable table;
    list2.SetCurrentIndex(again.lCurrentIndex);
    list2.SetPreviousIndex(again.lPreChannelIndex);
    LoadChannelFiles(list2, table, paths.strProgramTxt, paths.strChannelTxt);
    std::vector<long> codes, tuned;
    SelectStoredCountryAndChannel(
        list2, table, ini, [&](long c) { codes.push_back(c); }, [&](long i) { tuned.push_back(i); });
    EXPECT_EQ(codes, std::vector<long>{44});
    EXPECT_EQ(table.CurrentIndex(), 1);
    EXPECT_EQ(tuned, std::vector<long>{2});
    EXPECT_EQ(list2.Name(2), "ch2");
    EXPECT_EQ(ini.ReadInt("CloseComputer", "Flag", -1), 0);

    // A stored index beyond a shorter list starts on the first channel; an empty list and an
    // empty table tune nothing.
    list2.DeleteAt(2);
    tuned.clear();
    SelectStoredCountryAndChannel(list2, table, ini, nullptr, [&](long i) { tuned.push_back(i); });
    EXPECT_EQ(tuned, std::vector<long>{0});
    ChannelList none;
    CountryTable noTable;
    codes.clear();
    tuned.clear();
    SelectStoredCountryAndChannel(
        none, noTable, ini, [&](long c) { codes.push_back(c); }, [&](long i) { tuned.push_back(i); });
    EXPECT_TRUE(codes.empty());
    EXPECT_TRUE(tuned.empty());
}
