// TaskList: records in start order, the current task, the collision test and the task file's
// load and save.
#include "schedule/task_list.h"

#include "schedule/task_file.h"

#include "framework/file_replace.h"
#include "framework/program_dir.h"

#include <algorithm>
#include <cstdio>

namespace tunaro {

TaskRecord* TaskList::At(int index) const {
    if (index < 0 || index >= Count()) {
        return nullptr;
    }
    return m_records[std::size_t(index)].get();
}

int TaskList::IndexOf(const TaskRecord* record) const {
    for (int i = 0; i < Count(); ++i) {
        if (m_records[std::size_t(i)].get() == record) {
            return i;
        }
    }
    return -1;
}

bool TaskList::Add(std::unique_ptr<TaskRecord> record) {
    if (!record) {
        return false;
    }
    m_records.push_back(std::move(record));
    return true;
}

bool TaskList::RemoveAt(int index) {
    if (index < 0 || index >= Count()) {
        return false;
    }
    m_records.erase(m_records.begin() + index);
    return true;
}

void TaskList::SortByStart() {
    std::stable_sort(m_records.begin(), m_records.end(),
                     [](const std::unique_ptr<TaskRecord>& a, const std::unique_ptr<TaskRecord>& b) {
                         return a->StartSerial() < b->StartSerial();
                     });
}

TaskRecord* TaskList::CurrentTask() const {
    for (const auto& r : m_records) {
        if (r->IsReadyOrRunning()) {
            return r.get();
        }
    }
    return nullptr;
}

bool TaskList::Conflicts(const TaskRecord& newRecord) const {
    // A task holds the card from its start to the minute it ends (the runner ends it a few
    // seconds into that minute, seconds of the start dropped), so the next one may start at
    // that minute: back-to-back tasks are no conflict.
    auto endMinute = [](const TaskRecord& r) { return r.EndSerial() - r.second; };
    const std::int64_t s = newRecord.StartSerial();
    const std::int64_t e = endMinute(newRecord);
    for (const auto& r : m_records) {
        if (!r->IsReadyOrRunning()) {
            continue;
        }
        // Any time both would hold the card, either end inside the other or one around it.
        if (s < endMinute(*r) && r->StartSerial() < e) {
            return true;
        }
    }
    return false;
}

bool TaskList::Load(const std::string& path, const TaskClock& clock) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) {
        // Locked by another program or unreadable: there, but not ours to replace.
        m_loadRefused = m_loadRefused || FileExists(path);
        return false;
    }
    const TaskFileCipher cipher;
    const TaskDateTime now = clock.LocalNow();
    std::uint8_t image[TaskRecord::kImageSize];
    const std::size_t before = m_records.size();
    bool tooMany = false;
    while (std::fread(image, 1, sizeof(image), file) == sizeof(image)) {
        tooMany = m_records.size() - before >= kTaskFileMaxTasks;
        if (tooMany) {
            m_records.resize(before);
            break;
        }
        auto record = std::make_unique<TaskRecord>(TaskRecordFromImage(image, cipher));
        const TaskRecord stored = *record;
        AdjustTaskOnLoad(*record, now);
        // A run that was still to come when the file was written and whose time has passed
        // since: the computer (or at least the scheduler) was off.
        const bool waiting = stored.status == kTaskReady || stored.status == kTaskRunning;
        const bool passed = record->status == kTaskExpired ||
                            (record->RepeatsWeekly() && record->StartSerial() != stored.StartSerial() &&
                             stored.StartSerial() < TaskSerialSeconds(now));
        if (waiting && passed) {
            m_missedOnLoad.push_back(stored);
        }
        m_records.push_back(std::move(record));
    }
    const bool readFailed = std::ferror(file) != 0;
    const bool closeFailed = std::fclose(file) != 0;
    SortByStart();
    const bool whole = !readFailed && !closeFailed && !tooMany;
    m_loadRefused = m_loadRefused || !whole;
    return whole;
}

bool TaskList::Save(const std::string& path) const {
    if (m_loadRefused) {
        return false;
    }
    const TaskFileCipher cipher;
    std::vector<std::uint8_t> bytes(m_records.size() * TaskRecord::kImageSize);
    std::size_t at = 0;
    for (const auto& r : m_records) {
        TaskRecordToImage(*r, cipher, bytes.data() + at);
        at += TaskRecord::kImageSize;
    }
    return WriteFileReplacing(path, bytes.data(), bytes.size());
}

std::string DefaultTaskFilePath() {
    return ProgramDirectory() + "\\" + kTaskFileName;
}

} // namespace tunaro
