// The scheduler's ordered list of tasks: ownership of the records, order by start, the current
// task, the collision test for a new task, and loading and saving the task file.
#pragma once

#include "schedule/task_record.h"
#include "schedule/task_time.h"

#include <memory>
#include <string>
#include <vector>

namespace tunaro {

class TaskList {
public:
    TaskList() = default;
    TaskList(const TaskList&) = delete;
    TaskList& operator=(const TaskList&) = delete;

    int Count() const { return int(m_records.size()); }
    // The record at a position, or null when the index is out of range.
    TaskRecord* At(int index) const;
    // Position of a record of this list, or -1.
    int IndexOf(const TaskRecord* record) const;

    // Appends a record and takes ownership; false (and nothing kept) only for a null record.
    bool Add(std::unique_ptr<TaskRecord> record);
    bool Add(const TaskRecord& record) { return Add(std::make_unique<TaskRecord>(record)); }
    // Destroys the record at a position and closes the gap; false for an index out of range.
    bool RemoveAt(int index);
    void Clear() { m_records.clear(); }

    // Earliest start first; records keep their addresses.
    void SortByStart();
    // The first record in list order that is Ready or Running, or null.
    TaskRecord* CurrentTask() const;
    // True if the new task's time overlaps the time of a Ready or Running task of the list: a
    // task's time runs from its start to the minute it ends, so a task starting at the minute
    // another ends (or ending at the minute another starts) does not conflict. Weekly tasks are
    // compared on their stored dates.
    bool Conflicts(const TaskRecord& newRecord) const;

    // Appends the tasks of a task file, adjusted for the clock's current time (see
    // adjustTaskOnLoad), then sorts the list. A trailing partial record is ignored. Returns
    // false, and leaves the list as it was, if the file cannot be opened or holds more than
    // kTaskFileMaxTasks records; false also if it could not be read to the end, keeping the
    // records read before the error.
    bool Load(const std::string& path, const TaskClock& clock = SystemTaskClock());
    // Writes every task in list order. The previous file is replaced only once the new one has
    // been written completely, so a failed save leaves it as it was. The list is not changed.
    // False without writing anything once a load was refused (see LoadRefused).
    bool Save(const std::string& path) const;

    // True once Load met a task file that is there but could not be taken whole (it could not
    // be opened, read to the end, or held too many tasks). Such a list lacks the file's tasks,
    // so it is never saved over the file: the user's tasks stay as they are on the disk.
    bool LoadRefused() const { return m_loadRefused; }
    // The runs the loads found missed: tasks that were waiting for their start when the file was
    // written and whose time passed before it was read (as stored, before any adjustment).
    const std::vector<TaskRecord>& MissedOnLoad() const { return m_missedOnLoad; }

private:
    std::vector<std::unique_ptr<TaskRecord>> m_records;
    bool m_loadRefused = false;
    std::vector<TaskRecord> m_missedOnLoad;
};

// "SCHTASK.stf" in the directory of the running program.
std::string DefaultTaskFilePath();

} // namespace tunaro
