// The scheduler's one setting in the TV application's settings file: how many minutes ahead of
// a task the wake-up alarm goes off (Tunaro.ini, [Schedule] AheadTurnOn).
#pragma once

#include <string>

namespace tunaro {

constexpr int kDefaultAheadMinutes = 5;
// What the wizard writes on every Finish.
constexpr int kWizardAheadMinutes = 10;

int ReadAheadMinutes(const std::string& tunaroIni);
// Writes the value into a copy of the file that then replaces it, so the TV application's
// settings are never left half written. False when the file could not be replaced.
bool WriteAheadMinutes(const std::string& tunaroIni, int minutes);

} // namespace tunaro
