// Random bytes into the three decoding slots. The first input byte chooses the
// slot, the group number and whether the frame gets a valid checksum, so that
// the fuzzer reaches the field decoding and not only the checksum rejection.
#include "ParseData.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace {

// Writes the 16-bit sum of offsets 2 .. sumAt-1 at sumAt when the frame is long
// enough to have that field.
void fixChecksum(std::vector<unsigned char>& frame, std::size_t sumAt)
{
    if (frame.size() < sumAt + 2)
        return;
    unsigned sum = 0;
    for (std::size_t i = 2; i < sumAt; ++i)
        sum += frame[i];
    frame[sumAt] = static_cast<unsigned char>(sum & 0xFF);
    frame[sumAt + 1] = static_cast<unsigned char>((sum >> 8) & 0xFF);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // One decoder for the whole run: its records persist between frames, as
    // in the program, so sequences of frames are explored too.
    static ParseData* parser = [] {
        registerLinkMetaTypes();
        return new ParseData;
    }();
    if (size == 0)
        return 0;

    const std::uint8_t control = data[0];
    std::vector<unsigned char> frame(data + 1, data + size);
    const bool seal = control & 0x04;
    switch (control & 0x03) {
    case 0:
        if (seal)
            fixChecksum(frame, 62);
        parser->parseRealTimeData(frame);
        break;
    case 1:
        if (seal) {
            if (frame.size() > 4) {
                frame[0] = 0xAB;
                frame[4] = 0x07;
            }
            fixChecksum(frame, 33);
        }
        parser->parseReadBackData(frame, control >> 3);
        break;
    default:
        if (seal)
            fixChecksum(frame, 28);
        parser->parseSystemInfo(frame);
        break;
    }
    return 0;
}
