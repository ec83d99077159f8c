// Fuzz target of the scheduler's recording order (the copy-data record the panel receives): any
// data word with any payload, held in memory of exactly the claimed size, is taken apart without
// reading outside it, and the order agrees with an independent reading of the same record.
// Input layout: 8 bytes of data word (little-endian), one byte of flags, the payload.
#include "tests/fuzz/fuzz_check.h"

#include "tv/app/scheduled_recording.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>

using namespace tunaro;

namespace {

uint64_t WordOf(const uint8_t* data) {
    uint64_t w = 0;
    for (int i = 7; i >= 0; --i)
        w = w << 8 | data[i];
    return w;
}

// The source the order's last text character asks for, found without the decoder's own steps:
// the text is what comes before the first zero byte of the payload.
ScheduledSource ExpectedSource(const uint8_t* text, std::size_t size) {
    std::size_t length = 0;
    while (length < size && text[length] != 0)
        ++length;
    if (length == 0)
        return ScheduledSource::TunerAndChannel;
    switch (text[length - 1]) {
    case '1':
        return ScheduledSource::CompositeAndChannel;
    case '2':
        return ScheduledSource::SVideo;
    default:
        return ScheduledSource::TunerAndChannel;
    }
}

void CheckOrder(uint64_t word, const uint8_t* text, std::size_t size, ScheduledSource expected) {
    ScheduledRecording order;
    order.channelIndex = -7;
    order.recordFormat = -7;
    const bool taken = DecodeScheduledRecording(word, text, size, &order);
    const long format = static_cast<long>((word >> 16) & 0xFFFFu);
    FUZZ_CHECK(taken == (format >= kRecordFormatFirst && format <= kRecordFormatLast));
    if (!taken)
        return;
    FUZZ_CHECK(order.channelIndex == static_cast<long>(word & 0xFFFFu));
    FUZZ_CHECK(order.recordFormat == format);
    FUZZ_CHECK(order.source == expected);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 9)
        return 0;
    const uint64_t word = WordOf(data);
    const uint8_t flags = data[8];
    const std::size_t payload = size - 9;

    // The payload in a block of exactly its size, so one byte read too far trips the sanitizer.
    std::unique_ptr<uint8_t[]> exact(new uint8_t[payload ? payload : 1]);
    if (payload)
        std::memcpy(exact.get(), data + 9, payload);
    CheckOrder(word, exact.get(), payload, ExpectedSource(exact.get(), payload));

    // A sender's lies about the record: no pointer with any length claimed, and a pointer with
    // a length of zero, are both an empty text.
    const std::size_t claimed = (flags & 1) ? SIZE_MAX - payload : payload * 4096 + flags;
    CheckOrder(word, nullptr, claimed, ScheduledSource::TunerAndChannel);
    CheckOrder(word, exact.get(), 0, ScheduledSource::TunerAndChannel);

    // No place to put the order: refused whatever the record says.
    FUZZ_CHECK(!DecodeScheduledRecording(word, exact.get(), payload, nullptr));
    return 0;
}
