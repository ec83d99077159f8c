// The rules behind the task wizard's pages, apart from the windows: the proposals of a new task,
// what each page accepts, and how the pages' values become a task and come back from one.
#pragma once

#include "schedule/task_record.h"
#include "schedule/task_time.h"

#include <cstdint>
#include <string>

namespace tunaro {

// Recording file name proposed for a new task.
constexpr const char kProposedRecordFileName[] = "Record_0";
// Minutes a task may last when entered through the wizard.
constexpr long kMinTaskMinutes = 2;
constexpr long kMaxTaskMinutes = 600;

struct HourMinute {
    int hour = 0;
    int minute = 0;
};

// The next half hour: minutes below 30 give hour:30, otherwise the next hour at :00 (23 wraps
// to 0 on the same date).
HourMinute StartProposal(const TaskDateTime& now);
// "ST_%04d%02d%02d_%02d%02d": today's date and the start proposal.
std::string ProposedTaskName(const TaskDateTime& now);

bool TaskNameAccepted(const std::string& name);
bool TaskDurationAccepted(long minutes);
// A recording file name may not hold \ / : * ? " < > |.
bool HasForbiddenFileNameChar(const std::string& name);

// The time page's choice, in the order of its radio buttons.
enum class TaskRepeatChoice { Once = 0, Weekly = 1, Daily = 2 };

// Every value the wizard's pages hold.
struct TaskWizardValues {
    // Task page.
    std::string name;
    std::int16_t mode = kTaskModeRecord;
    std::int32_t videoInput = kInputTuner;
    std::int32_t channel = 0; // position in the channel list
    long duration = 30;
    // Record format page (used for Record tasks only).
    std::int16_t recordFormat = 0;
    std::string recordFileName = kProposedRecordFileName;
    // Time page: the date picker, the "Only once" time picker and the repeating one.
    TaskRepeatChoice repeatChoice = TaskRepeatChoice::Once;
    std::uint8_t dayBits = 0; // RepeatDayBit(1..7) of the checked day boxes
    TaskDateTime date;
    TaskDateTime onceTime;
    TaskDateTime repeatTime;
    // After-finish page.
    std::uint8_t afterFinish = kAfterFinishContinue;
};

// A new task: the proposed name, Record, the first channel, the tuner, 30 minutes, "Record_0",
// once today at the start proposal, "Continue" afterwards.
TaskWizardValues NewTaskWizardValues(const TaskDateTime& now);
// The pages opened on an existing task.
TaskWizardValues TaskWizardValuesOf(const TaskRecord& task);
// Finish: the task takes the pages' values and is Ready again. A Watch task keeps no record
// format or file name; automatic power-on and log-on are off.
void ApplyTaskWizardValues(const TaskWizardValues& values, TaskRecord& task);

} // namespace tunaro
