// Compile-time checks that TaskRecord has the byte layout of the task file on every target:
// its size and the offset and width of each field.
#pragma once

#include "schedule/task_record.h"

#include <cstddef>
#include <type_traits>

namespace tunaro {

static_assert(std::is_standard_layout<TaskRecord>::value, "TaskRecord must be standard layout");
static_assert(std::is_trivially_copyable<TaskRecord>::value, "TaskRecord is copied as bytes");
static_assert(sizeof(TaskRecord) == TaskRecord::kImageSize, "TaskRecord must be 1076 bytes");

#define TASK_RECORD_FIELD(field, offset, width)                                                              \
    static_assert(offsetof(TaskRecord, field) == (offset), "TaskRecord::" #field " offset");                 \
    static_assert(sizeof(TaskRecord::field) == (width), "TaskRecord::" #field " width")

TASK_RECORD_FIELD(created, 0, 4);
TASK_RECORD_FIELD(mode, 4, 2);
TASK_RECORD_FIELD(recordFormat, 6, 2);
TASK_RECORD_FIELD(autoPowerOn, 8, 1);
TASK_RECORD_FIELD(autoLogOn, 9, 1);
TASK_RECORD_FIELD(afterFinish, 10, 1);
TASK_RECORD_FIELD(repeat, 11, 1);
TASK_RECORD_FIELD(channel, 12, 4);
TASK_RECORD_FIELD(year, 16, 2);
TASK_RECORD_FIELD(month, 18, 1);
TASK_RECORD_FIELD(day, 19, 1);
TASK_RECORD_FIELD(weekday, 20, 1);
TASK_RECORD_FIELD(hour, 21, 1);
TASK_RECORD_FIELD(minute, 22, 1);
TASK_RECORD_FIELD(second, 23, 1);
TASK_RECORD_FIELD(duration, 24, 4);
TASK_RECORD_FIELD(status, 28, 4);
TASK_RECORD_FIELD(name, 32, 260);
TASK_RECORD_FIELD(userName, 292, 260);
TASK_RECORD_FIELD(password, 552, 260);
TASK_RECORD_FIELD(recordFileName, 812, 260);
TASK_RECORD_FIELD(videoInput, 1072, 4);

#undef TASK_RECORD_FIELD

} // namespace tunaro
