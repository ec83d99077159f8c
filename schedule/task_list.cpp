// TaskList: records in start order, the current task, the collision test and the task file's
// load and save.
#include "task_list.h"

#include "task_file.h"
#include "task_store.h"

#include <algorithm>
#include <cstdio>

TaskRecord* TaskList::at(int index) const {
    if (index < 0 || index >= count()) {
        return nullptr;
    }
    return m_records[std::size_t(index)].get();
}

int TaskList::indexOf(const TaskRecord* record) const {
    for (int i = 0; i < count(); ++i) {
        if (m_records[std::size_t(i)].get() == record) {
            return i;
        }
    }
    return -1;
}

bool TaskList::add(std::unique_ptr<TaskRecord> record) {
    if (!record) {
        return false;
    }
    m_records.push_back(std::move(record));
    return true;
}

bool TaskList::removeAt(int index) {
    if (index < 0 || index >= count()) {
        return false;
    }
    m_records.erase(m_records.begin() + index);
    return true;
}

void TaskList::sortByStart() {
    std::stable_sort(m_records.begin(), m_records.end(),
                     [](const std::unique_ptr<TaskRecord>& a, const std::unique_ptr<TaskRecord>& b) {
                         return a->startSerial() < b->startSerial();
                     });
}

TaskRecord* TaskList::currentTask() const {
    for (const auto& r : m_records) {
        if (r->isReadyOrRunning()) {
            return r.get();
        }
    }
    return nullptr;
}

bool TaskList::conflicts(const TaskRecord& newRecord) const {
    const std::int64_t s = newRecord.startSerial();
    const std::int64_t e = newRecord.endSerial();
    for (const auto& r : m_records) {
        if (!r->isReadyOrRunning()) {
            continue;
        }
        const std::int64_t a = r->startSerial();
        const std::int64_t b = r->endSerial();
        // Either end of the new task inside the other, or the new task enclosing it.
        if ((a <= s && s <= b) || (a <= e && e <= b) || (s <= a && b <= e)) {
            return true;
        }
    }
    return false;
}

bool TaskList::load(const std::string& path, const TaskClock& clock) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) {
        return false;
    }
    const TaskFileCipher cipher;
    const TaskDateTime now = clock.localNow();
    std::uint8_t image[TaskRecord::kImageSize];
    while (std::fread(image, 1, sizeof(image), file) == sizeof(image)) {
        auto record = std::make_unique<TaskRecord>(taskRecordFromImage(image, cipher));
        adjustTaskOnLoad(*record, now);
        m_records.push_back(std::move(record));
    }
    const bool readFailed = std::ferror(file) != 0;
    const bool closeFailed = std::fclose(file) != 0;
    sortByStart();
    return !readFailed && !closeFailed;
}

bool TaskList::save(const std::string& path) const {
    const TaskFileCipher cipher;
    std::vector<std::uint8_t> bytes(m_records.size() * TaskRecord::kImageSize);
    std::size_t at = 0;
    for (const auto& r : m_records) {
        taskRecordToImage(*r, cipher, bytes.data() + at);
        at += TaskRecord::kImageSize;
    }
    return replaceFileContents(path, bytes.data(), bytes.size());
}

std::string defaultTaskFilePath() {
    return programDirectory() + kTaskFileName;
}
