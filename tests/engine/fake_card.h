// Stand-in card filters for the engine's unit tests: COM classes registered in this process and
// listed in test device categories, recording what the engine does to the "hardware".
#pragma once

#include <windows.h>
#include <dshow.h>

#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "platform/include/ks_tuner.h"

namespace enginetest {

// Roles a stand-in filter can play; each has its own class identifier.
enum class Role { Capture, Tuner, TunerB, Crossbar, Generic, Optimiser, Grabber };
const GUID& ClassOf(Role role);

struct CrossbarPin {
    long physicalType;
    long related;
};

// What the engine did to the stand-in card, and how the card answers.
struct FakeCard {
    // Tuner.
    std::vector<tunaro::TunerFrequencyProperty> frequencySets; // every frequency property written
    DWORD lastFrequencyInstanceSize = 0;
    uint32_t frequency = 0, country = 0;
    uint32_t minFrequency = 48250000, maxFrequency = 863250000;
    std::set<uint32_t> lockedFrequencies;
    long tunerMode = AMTUNER_MODE_TV;
    std::vector<long> countryCodes; // put_CountryCode calls
    // Capture filter.
    long standard = AnalogVideo_PAL_D;
    std::vector<std::vector<uint8_t>> audioModeSets; // whole property buffers written
    DWORD lastAudioModeInstanceSize = 0;
    struct Amp {
        long minimum, maximum, defaultValue, value, flags;
    };
    std::map<long, Amp> amp;
    // Crossbar.
    std::vector<CrossbarPin> crossbarOutputs, crossbarInputs;
    std::map<long, long> routes; // output -> input (-1 disconnected)
    std::vector<std::pair<long, long>> routeLog;
    // Display optimiser.
    std::vector<uint8_t> optimiserImage; // packed bitmap; empty: size 0
    std::vector<long> optimiserModes;
    // Frame grabber: the frame it holds and the size its input pin reports.
    std::vector<uint8_t> grabberFrame;
    long grabberWidth = 0, grabberHeight = 0;
    std::vector<long> grabberLengths; // length asked for by each copy

    // Filter states: the last state each role was put in, how often it left the stopped state,
    // and a role that cannot leave the stopped state (as a driver that cannot start streaming).
    std::map<Role, FILTER_STATE> states;
    std::map<Role, int> starts;
    bool hasFailingRun = false;
    Role failingRun = Role::Grabber;

    FakeCard();
    // The SAA7134 layout: outputs video decoder, audio decoder; inputs composite, tuner, S-video,
    // audio tuner, audio line.
    void UseSaa7134Crossbar();
};

FakeCard& Card();
void ResetCard();

// Registers the class objects of every role in this process (once per COM initialisation) and
// revokes them.
void RegisterFakeClasses();
void RevokeFakeClasses();

// A filter of the role, created directly.
IBaseFilter* CreateFakeFilter(Role role);

// Test device categories in the registry.
struct TestCategories {
    GUID videoInput, audioInput, tvTuner, crossbar, audioRenderer, encoder, videoCompressor, audioCompressor;
};
const TestCategories& Categories();
void ClearCategories();
// Lists a device in a category: its friendly name (null: none) and the class it binds to.
void AddDevice(const GUID& category, const char* friendlyName, Role role);

} // namespace enginetest
