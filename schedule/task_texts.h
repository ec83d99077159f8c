// What the scheduler window's list shows of a task, in English or Chinese: the six cells of a
// row, and the column headings.
#pragma once

#include "schedule/channel_reader.h"
#include "schedule/task_record.h"

#include <string>
#include <vector>

namespace tunaro {

constexpr int kTaskColumnCount = 6;

struct TaskRowTexts {
    std::string cells[kTaskColumnCount]; // name, mode, channel, start time, duration, status
};

// "Name", "Mode", "Channel", "Start Time", "Duration", "Status" (or their Chinese twins).
const char* TaskColumnTitle(int column, bool chinese);

// Weekly tasks "(week)%02d:%02d", others "%04d/%02d/%02d %02d:%02d".
std::string TaskStartText(const TaskRecord& task, bool chinese);
// "Record" or "Watch".
const char* TaskModeText(std::int32_t mode, bool chinese);
// "Ready", "Running", "Finished", "Expired"; "" for a status the file should never hold.
const char* TaskStatusText(std::int32_t status, bool chinese);
// The tuner's channel at the task's position in the channel list ("" when there is none),
// "Composite" or "S-VIDEO".
std::string TaskChannelText(const TaskRecord& task, const std::vector<ScheduleChannel>& channels,
                            bool chinese);

TaskRowTexts TaskRow(const TaskRecord& task, const std::vector<ScheduleChannel>& channels, bool chinese);

} // namespace tunaro
