// The history lines: their fields, reading them back, keeping the file to its last lines, and
// the texts of the history view with their Chinese twins.
#include "schedule/task_history.h"

#include "framework/file_replace.h"

#include <cstdio>
#include <cstdlib>

namespace tunaro {
namespace {

constexpr int kFieldCount = 12;

struct Word {
    TaskRunReason reason;
    const char* word;
};
const Word kReasonWords[] = {
    {TaskRunReason::None, ""},
    {TaskRunReason::TvNotStarted, "tv-not-started"},
    {TaskRunReason::NoCard, "no-card"},
    {TaskRunReason::DiskFull, "disk-full"},
    {TaskRunReason::CardRemoved, "card-removed"},
    {TaskRunReason::TvEnded, "tv-ended"},
    {TaskRunReason::ComputerOff, "computer-off"},
    {TaskRunReason::AnotherTask, "another-task"},
    {TaskRunReason::TvSlowToStart, "tv-slow"},
    {TaskRunReason::StoppedInTv, "stopped-in-tv"},
};
const char* const kOutcomeWords[] = {"recorded", "watched", "cut-short", "missed"};

const char* ReasonWord(TaskRunReason reason) {
    for (const Word& w : kReasonWords) {
        if (w.reason == reason) {
            return w.word;
        }
    }
    return "";
}

bool ReasonOfWord(const std::string& word, TaskRunReason& reason) {
    for (const Word& w : kReasonWords) {
        if (word == w.word) {
            reason = w.reason;
            return true;
        }
    }
    return false;
}

std::string Clean(const std::string& text) {
    std::string out = text;
    for (char& c : out) {
        if (c == '\t' || c == '\r' || c == '\n') {
            c = ' ';
        }
    }
    return out;
}

std::string TimeField(const TaskDateTime& t) {
    char text[32];
    std::snprintf(text, sizeof(text), "%04d-%02d-%02d %02d:%02d:%02d", t.year, t.month, t.day, t.hour,
                  t.minute, t.second);
    return text;
}

bool ParseTime(const std::string& text, TaskDateTime& t) {
    int fields[6] = {0};
    char tail = 0;
    if (text.size() != 19 || std::sscanf(text.c_str(), "%4d-%2d-%2d %2d:%2d:%2d%c", &fields[0], &fields[1],
                                         &fields[2], &fields[3], &fields[4], &fields[5], &tail) != 6) {
        return false;
    }
    if (fields[1] < 1 || fields[1] > 12 || fields[2] < 1 || fields[2] > 31 || fields[3] > 23 ||
        fields[4] > 59 || fields[5] > 59) {
        return false;
    }
    t = TaskDateTime{fields[0], fields[1], fields[2], fields[3], fields[4], fields[5]};
    return true;
}

bool ParseCount(const std::string& text, int& value) {
    if (text.empty() || text.size() > 9) {
        return false;
    }
    for (char c : text) {
        if (c < '0' || c > '9') {
            return false;
        }
    }
    value = std::atoi(text.c_str());
    return true;
}

std::string LengthText(int seconds) {
    char text[32];
    if (seconds >= 3600) {
        std::snprintf(text, sizeof(text), "%d:%02d:%02d", seconds / 3600, seconds / 60 % 60, seconds % 60);
    } else {
        std::snprintf(text, sizeof(text), "%d:%02d", seconds / 60, seconds % 60);
    }
    return text;
}

std::string ClockText(const TaskDateTime& t) {
    char text[16];
    std::snprintf(text, sizeof(text), "%02d:%02d:%02d", t.hour, t.minute, t.second);
    return text;
}

} // namespace

std::string FormatTaskHistoryLine(const TaskHistoryEntry& e) {
    char numbers[96];
    std::string line = TimeField(e.when) + '\t' + Clean(e.name) + '\t';
    std::snprintf(numbers, sizeof(numbers), "%ld", static_cast<long>(e.channel));
    line += numbers;
    line += '\t';
    line += kOutcomeWords[static_cast<int>(e.outcome)];
    line += '\t';
    line += ReasonWord(e.reason);
    std::snprintf(numbers, sizeof(numbers), "\t%d\t", e.lateSeconds < 0 ? 0 : e.lateSeconds);
    line += numbers;
    line += ReasonWord(e.lateReason);
    line += '\t' + Clean(e.file) + '\t' + TimeField(e.start) + '\t' + TimeField(e.end);
    std::snprintf(numbers, sizeof(numbers), "\t%d\t%d", e.lengthSeconds < 0 ? 0 : e.lengthSeconds,
                  e.picturesDropped < 0 ? 0 : e.picturesDropped);
    line += numbers;
    return line;
}

bool ParseTaskHistoryLine(const std::string& line, TaskHistoryEntry& e) {
    std::vector<std::string> f;
    std::size_t from = 0;
    for (;;) {
        const std::size_t tab = line.find('\t', from);
        f.push_back(line.substr(from, tab == std::string::npos ? std::string::npos : tab - from));
        if (tab == std::string::npos) {
            break;
        }
        from = tab + 1;
    }
    if (f.size() != std::size_t(kFieldCount)) {
        return false;
    }
    TaskHistoryEntry out;
    int channel = 0;
    if (!ParseTime(f[0], out.when) || !ParseCount(f[2], channel) || !ReasonOfWord(f[4], out.reason) ||
        !ParseCount(f[5], out.lateSeconds) || !ReasonOfWord(f[6], out.lateReason) ||
        !ParseTime(f[8], out.start) || !ParseTime(f[9], out.end) || !ParseCount(f[10], out.lengthSeconds) ||
        !ParseCount(f[11], out.picturesDropped)) {
        return false;
    }
    bool outcomeKnown = false;
    for (int i = 0; i < 4; ++i) {
        if (f[3] == kOutcomeWords[i]) {
            out.outcome = static_cast<TaskOutcome>(i);
            outcomeKnown = true;
        }
    }
    if (!outcomeKnown) {
        return false;
    }
    out.name = f[1];
    out.channel = channel;
    out.file = f[7];
    e = out;
    return true;
}

std::string AppendTaskHistoryLine(const std::string& text, const std::string& line, std::size_t maxLines) {
    // The complete lines (a last line without its end was cut off while written elsewhere).
    std::vector<std::size_t> starts;
    std::size_t complete = 0;
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t end = text.find('\n', at);
        if (end == std::string::npos) {
            break;
        }
        starts.push_back(at);
        at = end + 1;
        complete = at;
    }
    if (maxLines == 0) {
        return std::string();
    }
    // The last maxLines - 1 of them, and the new one.
    const std::size_t keep = maxLines - 1;
    std::size_t keepFrom = 0;
    if (starts.size() > keep) {
        keepFrom = keep == 0 ? complete : starts[starts.size() - keep];
    }
    std::string out = text.substr(keepFrom, complete - keepFrom);
    for (char c : line) {
        out += c == '\r' || c == '\n' ? ' ' : c;
    }
    out += "\r\n";
    return out;
}

std::vector<TaskHistoryEntry> ReadTaskHistory(const std::string& text) {
    std::vector<TaskHistoryEntry> entries;
    std::size_t at = 0;
    while (at < text.size()) {
        std::size_t end = text.find('\n', at);
        std::string line = text.substr(at, end == std::string::npos ? std::string::npos : end - at);
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        TaskHistoryEntry e;
        if (ParseTaskHistoryLine(line, e)) {
            entries.push_back(e);
        }
        if (end == std::string::npos) {
            break;
        }
        at = end + 1;
    }
    return std::vector<TaskHistoryEntry>(entries.rbegin(), entries.rend());
}

bool AppendTaskHistory(const std::string& path, const TaskHistoryEntry& entry) {
    std::string text;
    if (FileExists(path) && !ReadFileBytes(path, text)) {
        // There but unreadable: not replaced by a history that lacks its lines.
        return false;
    }
    return WriteFileReplacing(path, AppendTaskHistoryLine(text, FormatTaskHistoryLine(entry)));
}

const char* TaskHistoryColumnTitle(int column, bool chinese) {
    switch (column) {
    case 0:
        return chinese ? "时间" : "Time";
    case 1:
        return chinese ? "任务" : "Task";
    case 2:
        return chinese ? "频道" : "Channel";
    case 3:
        return chinese ? "结果" : "Outcome";
    default:
        return "";
    }
}

std::string TaskHistoryWhenText(const TaskHistoryEntry& e) {
    char text[32];
    std::snprintf(text, sizeof(text), "%04d/%02d/%02d %02d:%02d", e.when.year, e.when.month, e.when.day,
                  e.when.hour, e.when.minute);
    return text;
}

const char* TaskRunReasonText(TaskRunReason reason, bool chinese) {
    switch (reason) {
    case TaskRunReason::TvNotStarted:
        return chinese ? "无法启动电视程序" : "the TV program could not be started";
    case TaskRunReason::NoCard:
        return chinese ? "没有采集卡" : "no capture card";
    case TaskRunReason::DiskFull:
        return chinese ? "磁盘已满" : "the disk is full";
    case TaskRunReason::CardRemoved:
        return chinese ? "采集卡已被移除" : "the card was removed";
    case TaskRunReason::TvEnded:
        return chinese ? "电视程序意外结束" : "the TV program ended unexpectedly";
    case TaskRunReason::ComputerOff:
        return chinese ? "开始时间计算机未开机" : "the computer was off at the start time";
    case TaskRunReason::AnotherTask:
        return chinese ? "另一个任务正在运行" : "another task was running";
    case TaskRunReason::TvSlowToStart:
        return chinese ? "电视程序启动较慢" : "the TV program was slow to start";
    case TaskRunReason::StoppedInTv:
        return chinese ? "录像在电视程序中被停止" : "the recording was stopped in the TV program";
    case TaskRunReason::None:
        break;
    }
    return "";
}

std::string TaskHistoryOutcomeText(const TaskHistoryEntry& e, bool chinese) {
    char text[600];
    std::string out;
    if (e.lateSeconds > 0 && e.outcome != TaskOutcome::Missed) {
        std::snprintf(text, sizeof(text), chinese ? "迟开始 %d 秒（%s）；" : "Started late by %d s (%s); ",
                      e.lateSeconds, TaskRunReasonText(e.lateReason, chinese));
        out += text;
    }
    const bool recording = !e.file.empty();
    if (recording) {
        std::snprintf(text, sizeof(text),
                      chinese ? "已录制 %s，%s 至 %s，%s，丢帧 %d"
                              : "Recorded %s, %s to %s, %s, %d pictures dropped",
                      e.file.c_str(), ClockText(e.start).c_str(), ClockText(e.end).c_str(),
                      LengthText(e.lengthSeconds).c_str(), e.picturesDropped);
    }
    switch (e.outcome) {
    case TaskOutcome::Recorded:
        out += recording ? text : (chinese ? "已录制" : "Recorded");
        break;
    case TaskOutcome::Watched:
        out += chinese ? "已收看" : "Watched";
        break;
    case TaskOutcome::CutShort:
        out += chinese ? "提前中断（" : "Cut short (";
        out += TaskRunReasonText(e.reason, chinese);
        out += chinese ? "）" : ")";
        if (recording) {
            out += chinese ? "；" : "; ";
            out += text;
        }
        break;
    case TaskOutcome::Missed:
        out += chinese ? "错过：" : "Missed: ";
        out += TaskRunReasonText(e.reason, chinese);
        break;
    }
    return out;
}

} // namespace tunaro
