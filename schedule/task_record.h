// One scheduler task as a fixed 1076-byte record, kept in the task file exactly as it lies in
// memory; its defaults, its start and end, and bounded access to its text fields.
#pragma once

#include "schedule/task_time.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace tunaro {

enum TaskMode : std::int16_t { kTaskModeRecord = 0, kTaskModeWatch = 1 };

enum TaskStatus : std::int32_t {
    kTaskReady = 0,
    kTaskRunning = 1,
    kTaskFinished = 2,
    kTaskExpired = 3,
};

enum TaskAfterFinish : std::uint8_t {
    kAfterFinishNothing = 0,
    kAfterFinishShutdown = 1,
    kAfterFinishCloseTv = 2,
    kAfterFinishContinue = 3,
};

enum TaskVideoInput : std::int32_t { kInputTuner = 0, kInputComposite = 1, kInputSVideo = 2 };

// Bit 0 of repeat: the task repeats weekly; bit n (1..7): weekday n, 1 = Sunday ... 7 = Saturday.
constexpr std::uint8_t kRepeatWeekly = 0x01;
constexpr std::uint8_t RepeatDayBit(int weekday) {
    return std::uint8_t(1u << weekday);
}

struct TaskRecord {
    static constexpr std::size_t kTextSize = 260;
    static constexpr std::size_t kImageSize = 1076;

    std::int32_t created;      // seconds since 1970-01-01 UTC when the record was made
    std::int16_t mode;         // TaskMode
    std::int16_t recordFormat; // 0 DVD, 1 VCD, 2 MPEG4, 3 AVI, 4 MP3, 5 WMV, 6 SVCD, 7 WMA
    std::uint8_t autoPowerOn;
    std::uint8_t autoLogOn;
    std::uint8_t afterFinish; // TaskAfterFinish
    std::uint8_t repeat;      // kRepeatWeekly | RepeatDayBit(...)
    std::int32_t channel;     // channel index
    std::int16_t year;        // start date and time, local
    std::uint8_t month;
    std::uint8_t day;
    std::uint8_t weekday; // weekday of the start date when it was entered, 1 = Sunday
    std::uint8_t hour;
    std::uint8_t minute;
    std::uint8_t second;
    std::int32_t duration; // minutes
    std::int32_t status;   // TaskStatus
    char name[kTextSize];
    char userName[kTextSize]; // Windows log-on, first 32 bytes enciphered in the file
    char password[kTextSize];
    char recordFileName[kTextSize]; // recording file name without directory
    std::int32_t videoInput;        // TaskVideoInput

    // A new record with the defaults of a task not yet filled in, stamped with the clock's time.
    static TaskRecord MakeNew(const TaskClock& clock = SystemTaskClock());

    TaskDateTime Start() const;
    std::int64_t StartSerial() const; // TaskSerialSeconds(Start())
    std::int64_t EndSerial() const;   // start plus duration minutes

    bool RepeatsWeekly() const { return (repeat & kRepeatWeekly) != 0; }
    bool IsReadyOrRunning() const { return status == kTaskReady || status == kTaskRunning; }
    void SetStart(const TaskDateTime& t);

    // Text fields read up to their first zero and never beyond the buffer; setters cut at
    // kTextSize - 1 characters and always terminate.
    std::string NameText() const { return Text(name); }
    std::string UserNameText() const { return Text(userName); }
    std::string PasswordText() const { return Text(password); }
    std::string RecordFileNameText() const { return Text(recordFileName); }
    void SetName(const std::string& s) { SetText(name, s); }
    void SetUserName(const std::string& s) { SetText(userName, s); }
    void SetPassword(const std::string& s) { SetText(password, s); }
    void SetRecordFileName(const std::string& s) { SetText(recordFileName, s); }
    // Ends each text field at its last byte at the latest, so a record read from a file whose
    // texts fill their fields reads back as what a setter would have stored.
    void TerminateTexts();

private:
    static std::string Text(const char (&field)[kTextSize]);
    static void SetText(char (&field)[kTextSize], const std::string& s);
};

} // namespace tunaro
