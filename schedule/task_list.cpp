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
    const std::int64_t s = newRecord.StartSerial();
    const std::int64_t e = newRecord.EndSerial();
    for (const auto& r : m_records) {
        if (!r->IsReadyOrRunning()) {
            continue;
        }
        const std::int64_t a = r->StartSerial();
        const std::int64_t b = r->EndSerial();
        // Either end of the new task inside the other, or the new task enclosing it.
        if ((a <= s && s <= b) || (a <= e && e <= b) || (s <= a && b <= e)) {
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
        AdjustTaskOnLoad(*record, now);
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
