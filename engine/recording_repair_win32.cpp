// The repair's file on Windows: positional reads and writes on a handle opened for both.
#include "engine/recording_repair.h"

#include <windows.h>

#include "framework/raii.h"

namespace tunaro {

namespace {

class HandleFile : public RepairFile {
public:
    explicit HandleFile(HANDLE file) : m_file(file) {}
    std::uint64_t Size() override {
        LARGE_INTEGER size = {};
        return GetFileSizeEx(m_file, &size) ? std::uint64_t(size.QuadPart) : 0;
    }
    bool Read(std::uint64_t offset, void* data, std::size_t length) override {
        DWORD done = 0;
        return Seek(offset) && ReadFile(m_file, data, DWORD(length), &done, nullptr) && done == length;
    }
    bool Write(std::uint64_t offset, const void* data, std::size_t length) override {
        DWORD done = 0;
        return Seek(offset) && WriteFile(m_file, data, DWORD(length), &done, nullptr) && done == length;
    }
    bool Resize(std::uint64_t size) override { return Seek(size) && SetEndOfFile(m_file); }

private:
    bool Seek(std::uint64_t offset) {
        LARGE_INTEGER at;
        at.QuadPart = LONGLONG(offset);
        return SetFilePointerEx(m_file, at, nullptr, FILE_BEGIN) != FALSE;
    }
    HANDLE m_file;
};

} // namespace

RecordingRepairReport RepairRecording(const std::string& path) {
    FileHandle file(CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.valid()) {
        RecordingRepairReport report;
        report.result = RecordingRepair::Failed;
        return report;
    }
    HandleFile handle(file.get());
    return RepairRecording(handle);
}

} // namespace tunaro
