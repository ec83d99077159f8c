// The recording report's text: four tab-separated fields, read without trusting the sender.
#include "framework/recording_report.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace tunaro {
namespace {

const char* const kEndWords[] = {"order", "in-tv", "disk-full", "card-removed", "failed", "interrupted"};
constexpr std::size_t kMaxReportBytes = 4096;

bool ParseCount(const std::string& text, long& value) {
    if (text.empty() || text.size() > 9 || text.find_first_not_of("0123456789") != std::string::npos) {
        return false;
    }
    value = std::atol(text.c_str());
    return true;
}

} // namespace

std::string EncodeRecordingReport(const RecordingReport& report) {
    std::string out = report.file;
    for (char& c : out) {
        if (c == '\t' || c == '\r' || c == '\n') {
            c = ' ';
        }
    }
    char numbers[64];
    std::snprintf(numbers, sizeof(numbers), "\t%ld\t%ld\t",
                  report.lengthSeconds < 0 ? 0L : report.lengthSeconds,
                  report.picturesDropped < 0 ? 0L : report.picturesDropped);
    out += numbers;
    out += kEndWords[static_cast<int>(report.end)];
    return out;
}

bool DecodeRecordingReport(const void* text, std::size_t byteCount, RecordingReport& report) {
    if (text == nullptr || byteCount == 0 || byteCount > kMaxReportBytes) {
        return false;
    }
    const char* chars = static_cast<const char*>(text);
    const void* zero = std::memchr(chars, 0, byteCount);
    const std::string all(chars, zero != nullptr ? static_cast<const char*>(zero) - chars : byteCount);
    std::vector<std::string> fields;
    std::size_t from = 0;
    for (;;) {
        const std::size_t tab = all.find('\t', from);
        fields.push_back(all.substr(from, tab == std::string::npos ? std::string::npos : tab - from));
        if (tab == std::string::npos) {
            break;
        }
        from = tab + 1;
    }
    RecordingReport out;
    if (fields.size() != 4 || fields[0].empty() || !ParseCount(fields[1], out.lengthSeconds) ||
        !ParseCount(fields[2], out.picturesDropped)) {
        return false;
    }
    bool known = false;
    for (int i = 0; i < int(sizeof(kEndWords) / sizeof(kEndWords[0])); ++i) {
        if (fields[3] == kEndWords[i]) {
            out.end = static_cast<RecordingEnd>(i);
            known = true;
        }
    }
    if (!known) {
        return false;
    }
    out.file = fields[0];
    report = out;
    return true;
}

} // namespace tunaro
