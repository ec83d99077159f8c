// Taking the scheduler's recording order apart.
#include "tv/app/scheduled_recording.h"

#include <cstring>

namespace tunaro {

bool DecodeScheduledRecording(uint64_t dataWord, const void* text, std::size_t byteCount,
                              ScheduledRecording* order) {
    if (!order)
        return false;
    const uint32_t word = static_cast<uint32_t>(dataWord);
    const long format = static_cast<long>(word >> 16);
    if (format < kRecordFormatFirst || format > kRecordFormatLast)
        return false;

    // The text's length: up to the first zero byte, never past the byte count.
    std::size_t length = 0;
    if (text && byteCount > 0) {
        const void* zero = std::memchr(text, 0, byteCount);
        length =
            zero ? static_cast<std::size_t>(static_cast<const char*>(zero) - static_cast<const char*>(text))
                 : byteCount;
    }
    int digit = -1;
    if (length > 0) {
        const char last = static_cast<const char*>(text)[length - 1];
        if (last >= '0' && last <= '9')
            digit = last - '0';
    }

    order->channelIndex = static_cast<long>(word & 0xFFFFu);
    order->recordFormat = format;
    switch (digit) {
    case 1:
        order->source = ScheduledSource::CompositeAndChannel;
        break;
    case 2:
        order->source = ScheduledSource::SVideo;
        break;
    default:
        order->source = ScheduledSource::TunerAndChannel;
        break;
    }
    return true;
}

} // namespace tunaro
