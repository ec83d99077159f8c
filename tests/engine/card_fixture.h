// What the engine tests against the simulated card of the prefix share: the fixture with an owner
// window and a recording reporter, a message pump, and switching the card to another family.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/CaptureEngine.h"

namespace enginetest {

class TextReporter : public tunaro::EngineReporter {
public:
    void Report(tunaro::ReportKind, const std::string& text) override { texts.push_back(text); }
    std::vector<std::string> texts;
};

// Whether a device of the video input category holds namePart in its friendly name.
bool VideoDeviceListed(const char* namePart);
// Dispatches this thread's messages for ms milliseconds.
void Pump(DWORD ms);

// The simulated card's driver DLL, loaded for the life of the object.
class SimCardDriver {
public:
    SimCardDriver();
    ~SimCardDriver();
    SimCardDriver(const SimCardDriver&) = delete;
    SimCardDriver& operator=(const SimCardDriver&) = delete;
    // Calls one of its entry points that take nothing (DllRegisterServer, SimCardReset); false when
    // it is missing or fails.
    bool Call(const char* entry) const;

private:
    HMODULE m_dll = nullptr;
};

// The simulated card turned into another family for the life of the object, the way its driver
// does it: [Config] Family written, the devices registered again; the old family comes back.
class SimCardFamily {
public:
    explicit SimCardFamily(const char* family);
    ~SimCardFamily();
    SimCardFamily(const SimCardFamily&) = delete;
    SimCardFamily& operator=(const SimCardFamily&) = delete;
    bool Switched() const { return m_switched; }

private:
    bool Apply(const std::string& family);

    SimCardDriver m_driver;
    std::string m_ini, m_previous;
    bool m_switched = false;
};

// The simulated card's sound clock set `ppm` off its picture's, with sync marks in both, for
// the life of the object (read by the card afresh: make it before the engine).
class SimCardSoundClock {
public:
    explicit SimCardSoundClock(int ppm);
    ~SimCardSoundClock();
    SimCardSoundClock(const SimCardSoundClock&) = delete;
    SimCardSoundClock& operator=(const SimCardSoundClock&) = delete;
    bool Applied() const { return m_applied; }

private:
    SimCardDriver m_driver;
    std::string m_ini;
    bool m_applied = false;
};

// Fails the test unless the sound stays within 40 ms of the picture at every sync mark of the
// file (and there are at least `marks` of them).
void ExpectInSync(const std::string& file, size_t marks);

// An owner window and the engine's reports collected; skipped when the prefix has no simulated
// SAA7134 card.
class CardTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    tunaro::ComInit m_com;
    TextReporter m_reporter;
    tunaro::EngineReporter* m_previous = nullptr;
    HWND m_owner = nullptr;
};

} // namespace enginetest
