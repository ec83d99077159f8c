// Unit tests of the receiver's key queue and of irsend's command line: presses read in order,
// held keys, keys nobody reads, a full queue, tick wrap-around, button names and key codes.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "platform/irrecv/irsend_args.h"
#include "platform/irrecv/key_ring.h"

namespace {

using namespace tunaro::irrecv;

class KeyRingTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_ring = std::make_unique<KeyRing>();
        std::memset(m_ring.get(), 0, sizeof(KeyRing));
        InitRing(*m_ring);
    }
    KeyRing& Ring() { return *m_ring; }

private:
    std::unique_ptr<KeyRing> m_ring;
};

TEST_F(KeyRingTest, EmptyRingReadsNoKey) {
    EXPECT_EQ(ReadKey(Ring(), 100), kNoKey);
    EXPECT_EQ(Ring().reads, 1u);
}

TEST_F(KeyRingTest, PressesAreReadOnceEachInOrder) {
    const uint32_t a = PressKey(Ring(), 0x21, 1, 1000, 0);
    const uint32_t b = PressKey(Ring(), 0x05, 1, 1000, 0);
    ASSERT_NE(a, 0u);
    ASSERT_NE(b, 0u);
    EXPECT_EQ(OutcomeOf(Ring(), a), PressOutcome::Pending);
    EXPECT_EQ(ReadKey(Ring(), 150), 0x21u);
    EXPECT_EQ(OutcomeOf(Ring(), a), PressOutcome::Taken);
    EXPECT_EQ(OutcomeOf(Ring(), b), PressOutcome::Pending);
    EXPECT_EQ(ReadKey(Ring(), 300), 0x05u);
    EXPECT_EQ(ReadKey(Ring(), 450), kNoKey);
    EXPECT_EQ(OutcomeOf(Ring(), b), PressOutcome::Taken);
}

TEST_F(KeyRingTest, HeldKeyRepeatsOnConsecutiveReads) {
    const uint32_t serial = PressKey(Ring(), 0x11, 3, 500, 0);
    EXPECT_EQ(ReadKey(Ring(), 150), 0x11u);
    EXPECT_EQ(ReadKey(Ring(), 300), 0x11u);
    EXPECT_EQ(OutcomeOf(Ring(), serial), PressOutcome::Pending);
    // Each read restarts the wait: a long hold is not cut short by its lifetime.
    EXPECT_EQ(ReadKey(Ring(), 750), 0x11u);
    EXPECT_EQ(OutcomeOf(Ring(), serial), PressOutcome::Taken);
    EXPECT_EQ(ReadKey(Ring(), 900), kNoKey);
}

TEST_F(KeyRingTest, UnreadKeyIsLostAfterItsLifetime) {
    const uint32_t first = PressKey(Ring(), 0x03, 1, 200, 1000);
    const uint32_t second = PressKey(Ring(), 0x04, 1, 200, 1000);
    ExpireKeys(Ring(), 1200);
    EXPECT_EQ(OutcomeOf(Ring(), first), PressOutcome::Pending) << "exactly the lifetime is still in time";
    ExpireKeys(Ring(), 1201);
    EXPECT_EQ(OutcomeOf(Ring(), first), PressOutcome::Lost);
    // The next key's wait starts when it comes to the front.
    EXPECT_EQ(OutcomeOf(Ring(), second), PressOutcome::Pending);
    EXPECT_EQ(ReadKey(Ring(), 1350), 0x04u);
    EXPECT_EQ(OutcomeOf(Ring(), second), PressOutcome::Taken);
}

TEST_F(KeyRingTest, ReadAfterALongPauseDropsStaleKeys) {
    PressKey(Ring(), 0x03, 1, 100, 0);
    PressKey(Ring(), 0x04, 1, 100, 0);
    // Both waited too long: the first expired at once, the second a lifetime after that.
    EXPECT_EQ(ReadKey(Ring(), 150), 0x04u);
    PressKey(Ring(), 0x05, 1, 100, 200);
    EXPECT_EQ(ReadKey(Ring(), 5000), kNoKey);
    EXPECT_EQ(Ring().count, 0u);
}

TEST_F(KeyRingTest, TickWrapAroundKeepsKeysAlive) {
    const uint32_t nearEnd = 0xFFFFFF00u;
    const uint32_t serial = PressKey(Ring(), 0x07, 1, 1000, nearEnd);
    ExpireKeys(Ring(), nearEnd + 0x200); // wrapped past zero, 512 ms later
    EXPECT_EQ(OutcomeOf(Ring(), serial), PressOutcome::Pending);
    EXPECT_EQ(ReadKey(Ring(), nearEnd + 0x300), 0x07u);
}

TEST_F(KeyRingTest, FullQueueRefusesAndNoKeyCodeIsRefused) {
    for (uint32_t i = 0; i < kRingCapacity; ++i)
        ASSERT_NE(PressKey(Ring(), i % 10, 1, 1000, 0), 0u);
    EXPECT_EQ(PressKey(Ring(), 0x01, 1, 1000, 0), 0u);
    EXPECT_EQ(ReadKey(Ring(), 10), 0u);
    EXPECT_NE(PressKey(Ring(), 0x01, 1, 1000, 10), 0u);
    EXPECT_EQ(PressKey(Ring(), kNoKey, 1, 1000, 10), 0u);
}

TEST_F(KeyRingTest, OldOutcomesBecomeUnknownAndSerialsSkipZero) {
    const uint32_t first = PressKey(Ring(), 0x01, 1, 1000, 0);
    ReadKey(Ring(), 1);
    for (uint32_t i = 0; i < kOutcomeSlots; ++i) {
        PressKey(Ring(), 0x02, 1, 1000, 0);
        ReadKey(Ring(), 1);
    }
    EXPECT_EQ(OutcomeOf(Ring(), first), PressOutcome::Unknown);
    EXPECT_EQ(OutcomeOf(Ring(), 0), PressOutcome::Unknown);
    Ring().nextSerial = 0xFFFFFFFFu;
    EXPECT_EQ(PressKey(Ring(), 0x01, 1, 1000, 0), 0xFFFFFFFFu);
    EXPECT_EQ(PressKey(Ring(), 0x01, 1, 1000, 0), 1u);
}

TEST_F(KeyRingTest, InitKeepsALiveRingAndRepairsABrokenOne) {
    PressKey(Ring(), 0x01, 1, 1000, 0);
    Ring().listeners = 1;
    InitRing(Ring());
    EXPECT_EQ(Ring().count, 1u);
    EXPECT_EQ(Ring().listeners, 1u);
    Ring().head = kRingCapacity + 3; // not a queue any more
    InitRing(Ring());
    EXPECT_EQ(Ring().count, 0u);
    EXPECT_EQ(Ring().head, 0u);
    EXPECT_EQ(ReadKey(Ring(), 0), kNoKey);
}

// ---- irsend's command line ---------------------------------------------------------------

IrsendOptions Parse(std::vector<std::string> args, bool expectOk = true) {
    IrsendOptions options;
    std::string error;
    EXPECT_EQ(ParseIrsendArgs(args, &options, &error), expectOk) << error;
    return options;
}

TEST(IrsendArgs, KeysByNameDigitDecimalAndHex) {
    const IrsendOptions options = Parse({"ch+", "CH-", "5", "12", "0x7f", "0X21", "power"});
    EXPECT_EQ(options.action, IrsendAction::Press);
    EXPECT_EQ(options.codes, (std::vector<uint32_t>{0x21, 0x20, 5, 12, 0x7F, 0x21, 0x25}));
    EXPECT_EQ(options.holdReads, 1u);
    EXPECT_EQ(options.timeoutMs, kDefaultTimeoutMs);
}

TEST(IrsendArgs, HoldTimeoutAndTheCardNotifications) {
    IrsendOptions options = Parse({"--hold", "4", "--timeout", "9000", "vol-"});
    EXPECT_EQ(options.holdReads, 4u);
    EXPECT_EQ(options.timeoutMs, 9000u);
    options = Parse({"--remove"});
    EXPECT_EQ(options.action, IrsendAction::Remove);
    EXPECT_NE(options.deviceName.find("282"), std::string::npos);
    options = Parse({"--arrive", "--device", "\\\\?\\other#dev"});
    EXPECT_EQ(options.action, IrsendAction::Arrive);
    EXPECT_EQ(options.deviceName, "\\\\?\\other#dev");
    EXPECT_EQ(Parse({"--wait-ready", "--timeout", "500"}).action, IrsendAction::WaitReady);
    EXPECT_EQ(Parse({"--list"}).action, IrsendAction::List);
    EXPECT_EQ(Parse({"--help"}).action, IrsendAction::Help);
}

TEST(IrsendArgs, WrongCommandLinesAreRefused) {
    Parse({}, false);
    Parse({"255"}, false); // the receiver's "no key"
    Parse({"0x100"}, false);
    Parse({"-3"}, false);
    Parse({"0x"}, false);
    Parse({"12abc"}, false);
    Parse({"channelup"}, false);
    Parse({"--hold"}, false);
    Parse({"--hold", "0", "1"}, false);
    Parse({"--timeout", "fast", "1"}, false);
    Parse({"--device"}, false);
    Parse({"--arrive", "--remove"}, false);
    Parse({"--arrive", "ch+"}, false);
    Parse({"--frobnicate", "1"}, false);
}

TEST(IrsendArgs, EveryButtonIsAKnownKeyWithItsOwnName) {
    uint32_t code = 0;
    for (const HandsetButton& button : HandsetButtons()) {
        ASSERT_TRUE(ParseKey(button.name, &code)) << button.name;
        EXPECT_EQ(code, button.code) << button.name;
        EXPECT_EQ(FindButton(button.name), &button);
    }
    EXPECT_EQ(HandsetButtons().size(), 35u);
}

} // namespace
