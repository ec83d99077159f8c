// The list's texts of a task: English literals with their Chinese twins beside them.
#include "schedule/task_texts.h"

#include <cstdio>

namespace tunaro {
namespace {

const char* Pick(bool chinese, const char* english, const char* chineseText) {
    return chinese ? chineseText : english;
}

} // namespace

const char* TaskColumnTitle(int column, bool chinese) {
    switch (column) {
    case 0:
        return Pick(chinese, "Name", "任务名称");
    case 1:
        return Pick(chinese, "Mode", "模式");
    case 2:
        return Pick(chinese, "Channel", "频道");
    case 3:
        return Pick(chinese, "Start Time", "开始时间");
    case 4:
        return Pick(chinese, "Duration", "时长");
    case 5:
        return Pick(chinese, "Status", "状态");
    default:
        return "";
    }
}

std::string TaskStartText(const TaskRecord& task, bool chinese) {
    char text[64];
    if (task.RepeatsWeekly()) {
        std::snprintf(text, sizeof(text), chinese ? "(每周)%02d:%02d" : "(week)%02d:%02d", task.hour,
                      task.minute);
    } else {
        std::snprintf(text, sizeof(text), "%04d/%02d/%02d %02d:%02d", task.year, task.month, task.day,
                      task.hour, task.minute);
    }
    return text;
}

const char* TaskModeText(std::int32_t mode, bool chinese) {
    return mode == kTaskModeRecord ? Pick(chinese, "Record", "录像") : Pick(chinese, "Watch", "观看");
}

const char* TaskStatusText(std::int32_t status, bool chinese) {
    switch (status) {
    case kTaskReady:
        return Pick(chinese, "Ready", "就绪");
    case kTaskRunning:
        return Pick(chinese, "Running", "运行中");
    case kTaskFinished:
        return Pick(chinese, "Finished", "已完成");
    case kTaskExpired:
        return Pick(chinese, "Expired", "已过期");
    default:
        return "";
    }
}

std::string TaskChannelText(const TaskRecord& task, const std::vector<ScheduleChannel>& channels,
                            bool chinese) {
    switch (task.videoInput) {
    case kInputComposite:
        return Pick(chinese, "Composite", "复合视频");
    case kInputSVideo:
        return "S-VIDEO";
    default:
        if (task.channel >= 0 && std::size_t(task.channel) < channels.size()) {
            return channels[std::size_t(task.channel)].name;
        }
        return std::string();
    }
}

TaskRowTexts TaskRow(const TaskRecord& task, const std::vector<ScheduleChannel>& channels, bool chinese) {
    TaskRowTexts row;
    row.cells[0] = task.NameText();
    row.cells[1] = TaskModeText(task.mode, chinese);
    row.cells[2] = TaskChannelText(task, channels, chinese);
    row.cells[3] = TaskStartText(task, chinese);
    char duration[32];
    std::snprintf(duration, sizeof(duration), chinese ? "%ld 分钟" : "%ld mins", long(task.duration));
    row.cells[4] = duration;
    row.cells[5] = TaskStatusText(task.status, chinese);
    return row;
}

} // namespace tunaro
