// The receiver's key queue as it lies in shared memory: key presses waiting to be read, each
// reported on as many reads as the key is held, forgotten when no one reads it in time, and
// what became of each press for the program that made it. Free of Win32; times are tick counts.
#pragma once

#include <cstdint>

namespace tunaro::irrecv {

// What a read returns when no key is pending.
constexpr uint32_t kNoKey = 255;
constexpr uint32_t kRingMagic = 0x52497254; // "TrIR"
constexpr uint32_t kRingVersion = 1;
constexpr uint32_t kRingCapacity = 32;
constexpr uint32_t kOutcomeSlots = 64;

enum class PressOutcome : uint32_t {
    Pending = 0, // still waiting to be read
    Taken = 1,   // read as often as it was held
    Lost = 2,    // nobody read it in time
    Unknown = 3, // too old: its record has been reused
};

struct KeyPress {
    uint32_t serial;
    uint32_t code;
    uint32_t readsLeft;  // reads that still report this key (a held key repeats)
    uint32_t lifetimeMs; // how long it waits for its next read
    uint32_t since;      // tick of the press or of its last read
};

struct PressRecord {
    uint32_t serial;
    uint32_t outcome; // PressOutcome
};

// Fixed-width fields only: 32-bit and 64-bit programs share it.
struct KeyRing {
    uint32_t magic;
    uint32_t version;
    uint32_t listeners; // receivers opened (programs between Start and Stop)
    uint32_t nextSerial;
    uint32_t head;
    uint32_t count;
    uint32_t reads; // reads answered since the ring was made
    uint32_t reserved;
    KeyPress presses[kRingCapacity];
    PressRecord records[kOutcomeSlots];
};
static_assert(sizeof(KeyRing) == 32 + kRingCapacity * 20 + kOutcomeSlots * 8,
              "the shared layout has no padding");

// Makes a fresh ring unless it already is one.
void InitRing(KeyRing& ring);
// Queues a press of code, reported on `reads` consecutive reads (at least one). Returns its
// serial, or 0 when the queue is full or the code is the no-key value.
uint32_t PressKey(KeyRing& ring, uint32_t code, uint32_t reads, uint32_t lifetimeMs, uint32_t now);
// One read of the receiver: the first pending key's code, or kNoKey.
uint32_t ReadKey(KeyRing& ring, uint32_t now);
// Forgets the first key when it waited longer than its lifetime (reads do this themselves).
void ExpireKeys(KeyRing& ring, uint32_t now);
PressOutcome OutcomeOf(const KeyRing& ring, uint32_t serial);

} // namespace tunaro::irrecv
