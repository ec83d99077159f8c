// The scheduler's order to record (WM_COPYDATA peer::kTvCopyDataRecord), read without trusting
// the sender: the record is taken apart here, the control panel then carries it out.
#pragma once

#include <cstddef>
#include <cstdint>

namespace tunaro {

// Record format codes the panel knows (the Record Type page's choices).
constexpr long kRecordFormatFirst = 0;
constexpr long kRecordFormatLast = 7;

// Which input the recording is made from, and whether the channel of the order is selected.
// A task on the tuner (digit 0) records the task's channel, not whatever was watched last.
enum class ScheduledSource {
    CompositeAndChannel, // digit 1: the composite input, then the channel
    SVideo,              // digit 2: the S-Video input, channel left as it is
    TunerAndChannel,     // digit 0 and anything else, a missing or a non-digit last character included
};

struct ScheduledRecording {
    long channelIndex = 0; // bits 0..15 of the data word
    long recordFormat = 0; // bits 16..31 of the data word
    ScheduledSource source = ScheduledSource::TunerAndChannel;
};

// Reads the order: dataWord is the record's data word, text and byteCount its payload (the text
// ends at byteCount or at a zero byte, whichever comes first; a null text or a zero count is an
// empty text). Nothing outside [text, text + byteCount) is read. False when the record format is
// not one the panel knows: such an order is refused.
bool DecodeScheduledRecording(uint64_t dataWord, const void* text, std::size_t byteCount,
                              ScheduledRecording* order);

} // namespace tunaro
