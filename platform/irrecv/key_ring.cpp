// The receiver's key queue: pressing, reading (with held keys), forgetting and the outcomes.
#include "platform/irrecv/key_ring.h"

#include <cstring>

namespace tunaro::irrecv {

namespace {

void Record(KeyRing& ring, uint32_t serial, PressOutcome outcome) {
    PressRecord& record = ring.records[serial % kOutcomeSlots];
    record.serial = serial;
    record.outcome = static_cast<uint32_t>(outcome);
}

// Takes the first key off the queue; the next one's wait starts now.
void PopHead(KeyRing& ring, PressOutcome outcome, uint32_t now) {
    Record(ring, ring.presses[ring.head].serial, outcome);
    ring.head = (ring.head + 1) % kRingCapacity;
    --ring.count;
    if (ring.count > 0)
        ring.presses[ring.head].since = now;
}

} // namespace

void InitRing(KeyRing& ring) {
    if (ring.magic == kRingMagic && ring.version == kRingVersion && ring.head < kRingCapacity &&
        ring.count <= kRingCapacity)
        return;
    std::memset(&ring, 0, sizeof ring);
    ring.magic = kRingMagic;
    ring.version = kRingVersion;
    ring.nextSerial = 1;
}

uint32_t PressKey(KeyRing& ring, uint32_t code, uint32_t reads, uint32_t lifetimeMs, uint32_t now) {
    if (code == kNoKey || ring.count >= kRingCapacity)
        return 0;
    uint32_t serial = ring.nextSerial++;
    if (serial == 0) // serial 0 means "not queued"
        serial = ring.nextSerial++;
    KeyPress& press = ring.presses[(ring.head + ring.count) % kRingCapacity];
    press.serial = serial;
    press.code = code;
    press.readsLeft = reads > 0 ? reads : 1;
    press.lifetimeMs = lifetimeMs;
    press.since = now;
    ++ring.count;
    Record(ring, serial, PressOutcome::Pending);
    return serial;
}

void ExpireKeys(KeyRing& ring, uint32_t now) {
    while (ring.count > 0) {
        const KeyPress& head = ring.presses[ring.head];
        if (now - head.since <= head.lifetimeMs)
            break;
        PopHead(ring, PressOutcome::Lost, now);
    }
}

uint32_t ReadKey(KeyRing& ring, uint32_t now) {
    ++ring.reads;
    ExpireKeys(ring, now);
    if (ring.count == 0)
        return kNoKey;
    KeyPress& head = ring.presses[ring.head];
    const uint32_t code = head.code;
    head.since = now;
    if (--head.readsLeft == 0)
        PopHead(ring, PressOutcome::Taken, now);
    return code;
}

PressOutcome OutcomeOf(const KeyRing& ring, uint32_t serial) {
    const PressRecord& record = ring.records[serial % kOutcomeSlots];
    if (serial == 0 || record.serial != serial)
        return PressOutcome::Unknown;
    return static_cast<PressOutcome>(record.outcome);
}

} // namespace tunaro::irrecv
