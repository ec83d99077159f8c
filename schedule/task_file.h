// The task file's record images: the enciphered log-on fields, turning records into file
// images and back, and the adjustment a task gets when it is read from the file.
#pragma once

#include "schedule/blowfish.h"
#include "schedule/task_record.h"
#include "schedule/task_time.h"

#include <cstddef>
#include <cstdint>

namespace tunaro {

// Name of the task file, kept in the scheduler's own directory.
constexpr const char kTaskFileName[] = "SCHTASK.stf";

// Most tasks a task file holds (a weekly task is one record however often it runs); a longer
// file is not a task file this program wrote and is not loaded.
constexpr std::size_t kTaskFileMaxTasks = 10000;

// The first 32 bytes of userName and of password are enciphered in the file.
constexpr std::size_t kTaskCipheredBytes = 32;

class TaskFileCipher {
public:
    // Keyed with the task file's fixed key.
    TaskFileCipher();
    // In place on a 1076-byte record image.
    void EncipherImage(std::uint8_t* image) const;
    void DecipherImage(std::uint8_t* image) const;

private:
    Blowfish m_cipher;
};

// The file image of a record: its bytes with the log-on fields enciphered. The record itself
// is not touched.
void TaskRecordToImage(const TaskRecord& record, const TaskFileCipher& cipher, std::uint8_t* image);
// A record from a file image (any bytes at all make a record; nothing is validated here).
TaskRecord TaskRecordFromImage(const std::uint8_t* image, const TaskFileCipher& cipher);

// Whether a task has run out at "now": it has started and at most two minutes of it are left
// (duration - 2 or more whole minutes have passed).
bool TaskRunOut(const TaskRecord& record, const TaskDateTime& now);

// Dates a weekly task to its next run seen from "now": today when today's weekday is selected
// and today's run has not run out yet, otherwise the next selected weekday (at most a week
// ahead, so today's weekday again when it is the only one). The time of day is kept. False,
// and the date left as it is, when the task is not weekly or selects no weekday.
bool DateWeeklyTask(TaskRecord& record, const TaskDateTime& now);

// What happens to a task as it is read from the file, "now" being the local wall-clock time:
// its texts end inside their fields; a weekly task is dated to its next run; then a task that has run out is
// Expired unless it is Finished.
void AdjustTaskOnLoad(TaskRecord& record, const TaskDateTime& now);

} // namespace tunaro
