// Fuzz target of the FM program's timed-recording list "Recordlst.txt": any bytes read as the
// file must load without a memory or arithmetic fault, every entry taken must carry a name that
// stays in the recording directory, what was read must survive being written and read again,
// and the once-a-second check must keep its promises on what was read.
#include "tests/fuzz/fuzz_check.h"

#include "fm/record_list.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

using namespace tunaro::fm;

namespace {

bool Same(const TimedRecording& a, const TimedRecording& b) {
    return a.start == b.start && a.length == b.length && a.channel == b.channel && a.fileName == b.fileName;
}

// Years the file's four-digit field writes and reads back as they are.
bool Writable(const TimedRecording& e) {
    const CivilTime t = FromSeconds(e.start);
    return t.year >= 1 && t.year <= 9999;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    RecordListFile file = ParseRecordList(text);
    bool writable = true;
    for (const TimedRecording& e : file.entries) {
        FUZZ_CHECK(IsSafeRecordingName(e.fileName));
        FUZZ_CHECK(e.fileName.find("..") == std::string::npos);
        FUZZ_CHECK(e.fileName.find_first_of("\\/:;\n") == std::string::npos);
        writable = writable && Writable(e);
    }
    for (const std::string& name : file.refusedNames)
        FUZZ_CHECK(!IsSafeRecordingName(name));

    if (writable) {
        const RecordListFile again = ParseRecordList(FormatRecordList(file.entries));
        FUZZ_CHECK(again.refusedNames.empty());
        FUZZ_CHECK(again.entries.size() == file.entries.size());
        for (std::size_t i = 0; i < file.entries.size(); ++i)
            FUZZ_CHECK(Same(again.entries[i], file.entries[i]));
    }

    // The check over a sorted list at a moment taken from the input: it never grows the list,
    // starts only an entry due within 3 s, and stops only at or after the first entry's end.
    SortByStart(file.entries);
    std::int64_t now = 0;
    for (std::size_t i = 0; i < size && i < 8; ++i)
        now = (now << 8) | data[i];
    now %= std::int64_t{1} << 40;
    for (const bool recording : {false, true}) {
        std::vector<TimedRecording> list = file.entries;
        const std::size_t before = list.size();
        const TimedDecision d = CheckTimedRecordings(list, now, recording);
        FUZZ_CHECK(list.size() <= before);
        FUZZ_CHECK(before - list.size() ==
                   static_cast<std::size_t>(d.dropped) + (d.action == TimedAction::Stop ? 1 : 0));
        if (d.action == TimedAction::Start) {
            FUZZ_CHECK(!recording);
            FUZZ_CHECK(d.entry.start - kStartLeadSeconds <= now && now <= d.entry.start);
        }
        if (d.action == TimedAction::Stop) {
            FUZZ_CHECK(recording);
            FUZZ_CHECK(now >= d.entry.End());
        }
        if (!recording)
            for (const TimedRecording& e : list)
                FUZZ_CHECK(e.End() > now);
    }
    return 0;
}
