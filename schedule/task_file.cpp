// Task file images: the fixed key and the enciphered log-on fields, conversion between
// records and images, and the date and status rules applied on load.
#include "schedule/task_file.h"
#include "schedule/task_record_layout.h"

#include <cstring>

namespace tunaro {

namespace {

// Seven key bytes, no terminating zero.
const std::uint8_t kTaskFileKey[] = {'g', 'u', 'l', 'p', 'e', 'e', 'l'};

constexpr std::size_t kUserNameOffset = offsetof(TaskRecord, userName);
constexpr std::size_t kPasswordOffset = offsetof(TaskRecord, password);

static_assert(kTaskCipheredBytes % Blowfish::kBlockSize == 0, "ciphered fields are whole blocks");
static_assert(kTaskCipheredBytes <= TaskRecord::kTextSize, "ciphered part lies inside the field");

} // namespace

TaskFileCipher::TaskFileCipher() {
    m_cipher.SetKey(kTaskFileKey, sizeof(kTaskFileKey));
}

void TaskFileCipher::EncipherImage(std::uint8_t* image) const {
    m_cipher.EncryptLittleEndian(image + kUserNameOffset, kTaskCipheredBytes);
    m_cipher.EncryptLittleEndian(image + kPasswordOffset, kTaskCipheredBytes);
}

void TaskFileCipher::DecipherImage(std::uint8_t* image) const {
    m_cipher.DecryptLittleEndian(image + kUserNameOffset, kTaskCipheredBytes);
    m_cipher.DecryptLittleEndian(image + kPasswordOffset, kTaskCipheredBytes);
}

void TaskRecordToImage(const TaskRecord& record, const TaskFileCipher& cipher, std::uint8_t* image) {
    std::memcpy(image, &record, TaskRecord::kImageSize);
    cipher.EncipherImage(image);
}

TaskRecord TaskRecordFromImage(const std::uint8_t* image, const TaskFileCipher& cipher) {
    std::uint8_t plain[TaskRecord::kImageSize];
    std::memcpy(plain, image, sizeof(plain));
    cipher.DecipherImage(plain);
    TaskRecord record;
    std::memcpy(&record, plain, sizeof(record));
    return record;
}

bool TaskRunOut(const TaskRecord& record, const TaskDateTime& now) {
    // Only a task that has begun can have run out: a start a few seconds ahead would otherwise
    // count as zero elapsed minutes and expire a two-minute task before it ran.
    const std::int64_t nowSerial = TaskSerialSeconds(now);
    const std::int64_t startSerial = record.StartSerial();
    return nowSerial >= startSerial &&
           std::int64_t(record.duration) - 2 <= TaskWholeMinutes(startSerial, nowSerial);
}

bool DateWeeklyTask(TaskRecord& record, const TaskDateTime& now) {
    if (!record.RepeatsWeekly() || (record.repeat & 0xFE) == 0) {
        return false;
    }
    const int today = TaskWeekday(now.year, now.month, now.day);
    for (int ahead = 0; ahead <= 7; ++ahead) {
        const int weekday = (today - 1 + ahead) % 7 + 1;
        if ((record.repeat & RepeatDayBit(weekday)) == 0) {
            continue;
        }
        TaskRecord candidate = record;
        TaskDateTime day = now;
        day.day += ahead; // carried into the next month or year by the calendar
        day = TaskDateTimeFromSerial(TaskSerialSeconds(day));
        candidate.year = std::int16_t(day.year);
        candidate.month = std::uint8_t(day.month);
        candidate.day = std::uint8_t(day.day);
        if (ahead == 0 && TaskRunOut(candidate, now)) {
            continue;
        }
        record.year = candidate.year;
        record.month = candidate.month;
        record.day = candidate.day;
        return true;
    }
    return false;
}

void AdjustTaskOnLoad(TaskRecord& record, const TaskDateTime& now) {
    record.TerminateTexts();
    DateWeeklyTask(record, now);
    if (record.status != kTaskFinished && TaskRunOut(record, now)) {
        record.status = kTaskExpired;
    }
}

} // namespace tunaro
