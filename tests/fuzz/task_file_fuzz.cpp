// Fuzz target of the scheduler's task file "SCHTASK.stf" and its cipher: any bytes load as a
// sorted list without a memory or arithmetic fault, every record image comes back byte for byte
// through the cipher, the load adjustment is stable, and a saved list loads back the same.
#include "tests/fuzz/fuzz_check.h"

#include "schedule/blowfish.h"
#include "schedule/task_file.h"
#include "schedule/task_list.h"
#include "schedule/task_record.h"

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include <unistd.h>

using namespace tunaro;

namespace {

// Where the inputs are put for the list to load them: memory-backed when the host has it.
std::string ScratchPath(const char* name) {
    const char* dir = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
    return std::string(dir) + "/tunaro-fuzz-" + std::to_string(getpid()) + "-" + name;
}

bool WriteFile(const std::string& path, const uint8_t* data, size_t size) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        return false;
    const bool ok = std::fwrite(data, 1, size, f) == size;
    return std::fclose(f) == 0 && ok;
}

bool SameBytes(const TaskRecord& a, const TaskRecord& b) {
    return std::memcmp(&a, &b, sizeof(TaskRecord)) == 0;
}

// The cipher alone: a key from the input's first bytes, the rest enciphered and deciphered in
// both byte orders.
void CheckCipher(const uint8_t* data, size_t size) {
    if (size == 0)
        return;
    const size_t keyLength = 1 + data[0] % Blowfish::kMaxKeyBytes;
    if (size < 1 + keyLength)
        return;
    Blowfish cipher;
    FUZZ_CHECK(cipher.SetKey(data + 1, keyLength));
    std::vector<uint8_t> plain(data + 1 + keyLength, data + size);
    std::vector<uint8_t> work = plain;
    const size_t whole = plain.size() - plain.size() % Blowfish::kBlockSize;
    FUZZ_CHECK(cipher.EncryptLittleEndian(work.data(), work.size()) == whole);
    FUZZ_CHECK(std::equal(work.begin() + long(whole), work.end(), plain.begin() + long(whole)));
    FUZZ_CHECK(cipher.DecryptLittleEndian(work.data(), work.size()) == whole);
    FUZZ_CHECK(work == plain);
    FUZZ_CHECK(cipher.EncryptBigEndian(work.data(), work.size()) == whole);
    FUZZ_CHECK(cipher.DecryptBigEndian(work.data(), work.size()) == whole);
    FUZZ_CHECK(work == plain);
}

void CheckList(const TaskList& list, const TaskDateTime& now) {
    const TaskRecord* current = list.CurrentTask();
    for (int i = 0; i < list.Count(); ++i) {
        const TaskRecord& r = *list.At(i);
        if (i > 0)
            FUZZ_CHECK(list.At(i - 1)->StartSerial() <= r.StartSerial());
        // Loading again changes nothing more.
        TaskRecord again = r;
        AdjustTaskOnLoad(again, now);
        FUZZ_CHECK(SameBytes(again, r));
        FUZZ_CHECK(r.NameText().size() < TaskRecord::kTextSize);
        FUZZ_CHECK(r.RecordFileNameText().size() < TaskRecord::kTextSize);
        (void)r.EndSerial();
        (void)list.Conflicts(r);
        FUZZ_CHECK(!r.IsReadyOrRunning() || current != nullptr);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    CheckCipher(data, size);

    // Record images through the file's cipher, byte for byte.
    const TaskFileCipher cipher;
    const size_t images = size / TaskRecord::kImageSize;
    for (size_t i = 0; i < images && i < 8; ++i) {
        const uint8_t* image = data + i * TaskRecord::kImageSize;
        const TaskRecord record = TaskRecordFromImage(image, cipher);
        uint8_t back[TaskRecord::kImageSize];
        TaskRecordToImage(record, cipher, back);
        FUZZ_CHECK(std::memcmp(back, image, sizeof back) == 0);
    }

    // The whole file through the list, on two days of the week and two sides of midnight.
    static const std::string file = ScratchPath("SCHTASK.stf");
    static const std::string saved = ScratchPath("saved.stf");
    FUZZ_CHECK(WriteFile(file, data, size));
    const TaskDateTime nows[] = {{2009, 3, 1, 0, 0, 0}, {2024, 12, 31, 23, 59, 59}};
    for (const TaskDateTime& now : nows) {
        const ManualTaskClock clock(now, 0);
        TaskList list;
        const bool loaded = list.Load(file, clock);
        FUZZ_CHECK(list.LoadRefused() == !loaded);
        if (loaded)
            FUZZ_CHECK(size_t(list.Count()) == images);
        else
            FUZZ_CHECK(list.Count() == 0 && images > kTaskFileMaxTasks);
        CheckList(list, now);
        if (!loaded) {
            // A file that was not taken is never written over.
            FUZZ_CHECK(!list.Save(file));
            continue;
        }

        FUZZ_CHECK(list.Save(saved));
        TaskList back;
        FUZZ_CHECK(back.Load(saved, clock));
        FUZZ_CHECK(back.Count() == list.Count());
        for (int i = 0; i < list.Count(); ++i)
            FUZZ_CHECK(back.IndexOf(back.At(i)) == i && SameBytes(*back.At(i), *list.At(i)));
    }
    return 0;
}
