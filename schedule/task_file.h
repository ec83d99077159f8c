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

// The first weekday of a weekly task that is selected and not earlier in the week than today,
// or 0 when every selected weekday lies earlier in the week (or none is selected).
int FirstWeekdayFromToday(std::uint8_t repeat, int todayWeekday);

// What happens to a task as it is read from the file, "now" being the local wall-clock time:
// a weekly task selected for today or a later day of this week is dated today; then a task
// that has started and whose duration - 2 minutes have passed is Expired unless Finished.
void AdjustTaskOnLoad(TaskRecord& record, const TaskDateTime& now);

} // namespace tunaro
