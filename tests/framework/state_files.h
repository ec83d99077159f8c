// The files the suite's programs keep between runs, each written by its program's own save
// code in two versions of different sizes: what the kill-while-writing test writes and expects.
// A file that two programs write (Tunaro.ini) is here once for each of them.
#pragma once

#include <string>
#include <vector>

namespace statefiles {

struct StateFile {
    const char* name; // which save this is: the file's name, or the program's and the file's
    const char* file; // the file's name, as the programs spell it
    // Saves version 0 or 1 to path the way the program does; false when the save failed.
    bool (*save)(const std::string& path, int version);
};

const std::vector<StateFile>& All();
// The save of that name, or null.
const StateFile* Find(const std::string& name);

} // namespace statefiles
