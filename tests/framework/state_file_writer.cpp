// Saves one state file over and over, version 1 and version 0 in turn, until it is killed:
//   state_file_writer NAME PATH COUNTER
// NAME is a file of state_files.h, COUNTER the name of a shared counter of finished saves
// that the kill-while-writing test watches. Exits 3 when a save fails.
#include "tests/framework/state_files.h"

#include <windows.h>

#include <cstdio>
#include <string>

int main(int argc, char** argv) {
    if (argc != 4)
        return 2;
    const statefiles::StateFile* file = statefiles::Find(argv[1]);
    HANDLE mapping = OpenFileMappingA(FILE_MAP_WRITE, FALSE, argv[3]);
    if (!file || !mapping)
        return 2;
    auto* saves = static_cast<volatile LONG*>(MapViewOfFile(mapping, FILE_MAP_WRITE, 0, 0, sizeof(LONG)));
    if (!saves)
        return 2;
    const std::string path = argv[2];
    for (int version = 1;; version ^= 1) {
        if (!file->save(path, version)) {
            std::fprintf(stderr, "saving %s failed\n", path.c_str());
            return 3;
        }
        InterlockedIncrement(saves);
    }
}
