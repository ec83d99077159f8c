// Proposals, page checks and the conversion between the wizard's values and a task.
#include "schedule/task_wizard_rules.h"

#include <cstdio>

namespace tunaro {

HourMinute StartProposal(const TaskDateTime& now) {
    HourMinute p;
    if (now.minute < 30) {
        p.hour = now.hour;
        p.minute = 30;
    } else {
        p.hour = now.hour == 23 ? 0 : now.hour + 1;
        p.minute = 0;
    }
    return p;
}

std::string ProposedTaskName(const TaskDateTime& now) {
    const HourMinute p = StartProposal(now);
    char text[64];
    std::snprintf(text, sizeof(text), "ST_%04d%02d%02d_%02d%02d", now.year, now.month, now.day, p.hour,
                  p.minute);
    return text;
}

bool TaskNameAccepted(const std::string& name) {
    return !name.empty();
}

bool TaskDurationAccepted(long minutes) {
    return minutes >= kMinTaskMinutes && minutes <= kMaxTaskMinutes;
}

bool HasForbiddenFileNameChar(const std::string& name) {
    return name.find_first_of("\\/:*?\"<>|") != std::string::npos;
}

TaskWizardValues NewTaskWizardValues(const TaskDateTime& now) {
    TaskWizardValues v;
    v.name = ProposedTaskName(now);
    v.date = now;
    const HourMinute p = StartProposal(now);
    v.onceTime = now;
    v.onceTime.hour = p.hour;
    v.onceTime.minute = p.minute;
    v.onceTime.second = 0;
    v.repeatTime = v.onceTime;
    return v;
}

TaskWizardValues TaskWizardValuesOf(const TaskRecord& task) {
    TaskWizardValues v;
    v.name = task.NameText();
    v.mode = task.mode == kTaskModeWatch ? std::int16_t(kTaskModeWatch) : std::int16_t(kTaskModeRecord);
    v.videoInput = task.videoInput;
    v.channel = task.channel;
    v.duration = task.duration;
    v.recordFormat = task.recordFormat;
    v.recordFileName = task.RecordFileNameText();
    v.date = task.Start();
    v.onceTime = task.Start();
    v.onceTime.second = 0;
    v.repeatTime = v.onceTime;
    const std::uint8_t allDays = 0xFE;
    if (task.RepeatsWeekly()) {
        v.repeatChoice =
            (task.repeat & allDays) == allDays ? TaskRepeatChoice::Daily : TaskRepeatChoice::Weekly;
    }
    v.dayBits = std::uint8_t(task.repeat & allDays);
    v.afterFinish = task.afterFinish == kAfterFinishShutdown || task.afterFinish == kAfterFinishCloseTv
                        ? task.afterFinish
                        : std::uint8_t(kAfterFinishContinue);
    return v;
}

void ApplyTaskWizardValues(const TaskWizardValues& v, TaskRecord& task) {
    task.mode = v.mode;
    task.channel = v.channel < 0 ? 0 : v.channel;
    task.videoInput = v.videoInput;
    task.duration = std::int32_t(v.duration);
    task.SetName(v.name);
    if (v.mode == kTaskModeRecord) {
        task.recordFormat = v.recordFormat;
        task.SetRecordFileName(v.recordFileName);
    } else {
        task.recordFormat = 0;
        task.SetRecordFileName(std::string());
    }
    const TaskDateTime& time = v.repeatChoice == TaskRepeatChoice::Once ? v.onceTime : v.repeatTime;
    TaskDateTime start = v.date;
    start.hour = time.hour;
    start.minute = time.minute;
    start.second = time.second;
    task.SetStart(start);
    task.weekday = std::uint8_t(TaskWeekday(v.date.year, v.date.month, v.date.day));
    task.repeat =
        std::uint8_t((v.repeatChoice == TaskRepeatChoice::Once ? 0 : kRepeatWeekly) | (v.dayBits & 0xFE));
    task.afterFinish = v.afterFinish;
    task.autoPowerOn = 0;
    task.autoLogOn = 0;
    task.SetUserName(std::string());
    task.SetPassword(std::string());
    task.status = kTaskReady;
}

} // namespace tunaro
