// Two versions of each state file, saved through the programs' own code: the channel list
// ("program.txt"), the TV application's state ("Tunaro.ini"), the scheduler's setting in the same
// file, the scheduler's tasks ("SCHTASK.stf"), the capture engine's section of the per-user
// profile ("win.ini"), and the FM program's state ("FMSETTING.ini") and timed recordings
// ("Recordlst.txt"). Version 1 is much larger (or, for the scheduler's one setting, a
// different value), so a save takes long enough to be cut short.
#include "tests/framework/state_files.h"

#include "engine/engine_settings.h"
#include "fm/app/fm_settings.h"
#include "framework/file_replace.h"
#include "schedule/app/schedule_settings.h"
#include "schedule/task_list.h"
#include "tv/channel_files.h"
#include "tv/profile_ini.h"

namespace statefiles {

namespace {

using namespace tunaro;

bool SaveProgramTxt(const std::string& path, int version) {
    ChannelList list;
    const int count = version ? 600 : 3;
    for (int i = 0; i < count; ++i) {
        ChannelRecord r;
        r.m_strName = "Channel " + std::to_string(i) + (version ? " of the long list" : "");
        r.m_nFrequency = 48250000 + i * 8000000;
        r.m_nChannel = i + 1;
        r.m_nEnabled = (i + version) % 3 ? 1 : 0;
        r.m_nAudioMode = i % 2;
        list.Append(r);
    }
    return SaveChannelList(list, path, 2) == 1;
}

bool SaveTunaroIni(const std::string& path, int version) {
    TvSettings s;
    s.lVideoStandard = version ? 8192 : 32;
    s.lRecordType = version ? 7 : 0;
    s.lVideoSource = version;
    s.lCurrentIndex = version ? 41 : 2;
    s.lPreChannelIndex = version ? 40 : 1;
    s.strImagePath = version ? "D:\\" + std::string(200, 'i') : "C:\\Program Files\\Tunaro\\Image";
    s.strVideoPath = version ? "E:\\" + std::string(250, 'v') : "C:\\Program Files\\Tunaro\\Video";
    s.lDisplayMode = version ? 2 : 1;
    return SaveTvSettings(path, s);
}

// The scheduler sets its one key in the TV application's file, keeping everything else in it.
bool SaveScheduleSetting(const std::string& path, int version) {
    if (!FileExists(path) && !SaveTunaroIni(path, 1))
        return false;
    return WriteAheadMinutes(path, version ? 30 : kDefaultAheadMinutes);
}

bool SaveSchtask(const std::string& path, int version) {
    ManualTaskClock clock(TaskDateTime{2026, 12, 9, 10, 0, 0}, 1796810400);
    TaskList list;
    const int count = version ? 300 : 2;
    for (int i = 0; i < count; ++i) {
        TaskRecord r = TaskRecord::MakeNew(clock);
        r.mode = kTaskModeRecord;
        r.recordFormat = std::int16_t(i % 8);
        r.channel = i;
        r.SetStart(TaskDateTime{2027, 1 + i % 12, 1 + i % 28, i % 24, 0, 0});
        r.duration = 30 + i;
        r.SetName("Task " + std::to_string(i));
        r.SetUserName("viewer");
        r.SetPassword("secret " + std::to_string(version));
        r.SetRecordFileName("Record_" + std::to_string(i));
        list.Add(r);
    }
    return list.Save(path);
}

// The capture engine's section of the per-user profile, saved at its shut-down. The file holds
// other programs' sections too, which every save keeps.
bool SaveEngineProfile(const std::string& path, int version) {
    if (!FileExists(path) &&
        !WriteFileReplacing(path, "[windows]\r\nload=\r\nrun=\r\n[Desktop]\r\nWallpaper=(None)\r\n"))
        return false;
    EngineSettings s;
    s.masterStream = version ? 0 : 1;
    s.captureAudio = version;
    s.useTimeLimit = version;
    s.timeLimit = version ? 7200 : 0;
    s.frameRate = version ? 29.97 : 25.0;
    s.captureFile = version ? "D:\\Recordings\\" + std::string(200, 'r') + ".avi" : "C:\\Capture.avi";
    const std::string device =
        "@device:pnp:\\\\?\\pci#ven_1131&dev_7134#" + std::string(version ? 120 : 8, '0');
    return WriteEngineSettingsTo(path, s, device + "#video", device + "#audio");
}

// The FM program's state, written over whatever else the file holds, as the program does.
bool SaveFmSettingIni(const std::string& path, int version) {
    if (!FileExists(path) && !WriteFileReplacing(path, "[AutoScan]\r\nSense=3\r\n"))
        return false;
    fm::FmSettings s;
    s.strRecordPath = version ? "D:\\Radio\\" + std::string(200, 'r') : "C:\\Program Files\\Tunaro\\Record";
    s.lCurrentIndex = version ? 27 : 1;
    s.lPreChannelIndex = version ? 26 : 0;
    return fm::SaveFmSettings(path, s);
}

bool SaveRecordLst(const std::string& path, int version) {
    std::vector<fm::TimedRecording> list;
    const int count = version ? 400 : 2;
    for (int i = 0; i < count; ++i) {
        fm::TimedRecording r;
        r.start = fm::ToSeconds(fm::CivilTime{2027, 1 + i % 12, 1 + i % 28, i % 24, i % 60, 0});
        r.length = 60 + i;
        r.channel = i % 10;
        r.fileName = "Morning show " + std::to_string(i);
        list.push_back(r);
    }
    return fm::SaveRecordList(path, list);
}

} // namespace

const std::vector<StateFile>& All() {
    static const std::vector<StateFile> kFiles = {
        {"program.txt", "program.txt", &SaveProgramTxt},
        {"Tunaro.ini", "Tunaro.ini", &SaveTunaroIni},
        {"Schedule:Tunaro.ini", "Tunaro.ini", &SaveScheduleSetting},
        {"SCHTASK.stf", "SCHTASK.stf", &SaveSchtask},
        {"Engine:win.ini", "win.ini", &SaveEngineProfile},
        {"FMSETTING.ini", "FMSETTING.ini", &SaveFmSettingIni},
        {"Recordlst.txt", "Recordlst.txt", &SaveRecordLst},
    };
    return kFiles;
}

const StateFile* Find(const std::string& name) {
    for (const StateFile& f : All()) {
        if (name == f.name)
            return &f;
    }
    return nullptr;
}

} // namespace statefiles
