#pragma once

#include <QtGlobal>

#include <cstddef>

// The instrument's USB HID protocol in one place: how it is found on the bus,
// how frames sit in reports, the frame layout and checksum, the command codes
// and the offsets of every reply field the program reads. Frame offsets count
// from the first sync byte (0xAB).
namespace protocol {

// --- the device on the bus ---------------------------------------------------
constexpr quint16 kVendorId = 0x1A86;
constexpr quint16 kProductId = 0xE429;

// --- reports -----------------------------------------------------------------
// An output report is the report ID 0, a count byte N and N frame bytes,
// padded with zeros to the full report (hidraw sends a short write short).
constexpr int kOutputReportSize = 65;
// An input report (as hid_read returns it: no report ID) is a count byte and
// at most 63 frame bytes, so the 64-byte live frame arrives in two reports.
constexpr int kInputReportSize = 64;
constexpr unsigned char kLiveFirstCount = 0x3F;  // frame offsets 0-62
constexpr unsigned char kLiveSecondCount = 0x01; // frame offset 63

// Read buffers, count byte included.
constexpr std::size_t kLiveSecondBuffer = 2;
constexpr std::size_t kAcknowledgeBuffer = 11;
constexpr std::size_t kStoreCountBuffer = 10;
constexpr std::size_t kIdentityBuffer = 31;
constexpr std::size_t kStoredGroupBuffer = 36;

// --- frames ------------------------------------------------------------------
constexpr unsigned char kSync0 = 0xAB;
constexpr unsigned char kSync1 = 0xCD;
constexpr int kLengthOffset = 2; // 16-bit LE: frame size - 4; the checksum starts here
constexpr int kCommandOffset = 4;
constexpr int kDataOffset = 5;

// Frame sizes of the replies, from the first sync byte to the checksum.
constexpr std::size_t kLiveFrameSize = 64;
constexpr std::size_t kStoredFrameSize = 35;
constexpr std::size_t kIdentityFrameSize = 30;

enum Command : unsigned char
{
    ParameterWrite = 0x01,
    LiveData = 0x05,
    StoredGroup = 0x07,
    StoreCount = 0x08,
    Identity = 0x11,
};

// Parameter numbers of command 0x01.
enum Parameter : unsigned char
{
    RunControl = 0x00,        // 0xAA start, 0x00 stop
    ComparisonSetting = 0x01, // float32, decimals, unit index
    ComparisonSwitch = 0x02,  // 0x01 on, 0x00 off
    TestCurrent = 0x03,       // index in the current list
    TestTime = 0x04,          // seconds
};
constexpr unsigned char kStartTest = 0xAA;
constexpr unsigned char kStopTest = 0x00;

// The 16-bit sum of the bytes [begin, end), as the checksum field holds it.
inline quint16 checksum(const unsigned char* begin, const unsigned char* end)
{
    quint16 sum = 0;
    for (const unsigned char* p = begin; p != end; ++p)
        sum = quint16(sum + *p);
    return sum;
}

// --- acknowledgement and store count (offsets in the frame) -----------------
constexpr int kAcknowledgeVerdictOffset = 6;
constexpr unsigned char kAccepted = 0x4F; // "O"
constexpr int kStoreCountOffset = 6;
constexpr int kMaxStoredGroups = 200;

// --- live frame --------------------------------------------------------------
namespace live {
constexpr int kStatus = 6; // bit 7 spare, 6 comparison on, 5/4 spare, 3 pass, 2 LO, 1 OL, 0 hot
constexpr int kCode7 = 7;
constexpr int kPrinter = 8;
constexpr int kTestState = 9;
constexpr int kCode10 = 10;
constexpr int kCode11 = 11;
constexpr int kReading = 12; // 6 characters
constexpr int kReadingUnit = 18;
constexpr int kComparison = 20; // 6 characters
constexpr int kComparisonUnit = 26;
constexpr int kCurrent = 28; // 6 characters
constexpr int kCurrentUnit = 34;
constexpr int kSetCurrent = 36; // 4 characters
constexpr int kSetCurrentUnit = 40;
constexpr int kSetTime = 42; // 4 characters
constexpr int kSetTimeUnit = 46;
constexpr int kTimeLeft = 48; // 4 characters
constexpr int kTimeLeftUnit = 52;
constexpr int kStoreNumber = 54; // 4 characters
constexpr int kNoReading = 60;
constexpr int kChecksum = 62;

constexpr unsigned char kComparisonOnBit = 0x40;
constexpr unsigned char kPassBit = 0x08;
constexpr unsigned char kUnderRangeBit = 0x04;
constexpr unsigned char kOverRangeBit = 0x02;
constexpr unsigned char kOverTemperatureBit = 0x01;
} // namespace live

// --- stored record -----------------------------------------------------------
namespace stored {
constexpr int kGroup = 5;
constexpr int kReadingUnit = 6;
constexpr int kComparisonUnit = 7;
constexpr int kComparisonOn = 8;
constexpr int kPass = 9;
constexpr int kComparisonDecimals = 10;
constexpr int kTestTime = 11;
constexpr int kYear = 12;       // 16-bit big-endian
constexpr int kMonth = 14;      // then day, hour, minute, second
constexpr int kCurrent = 19;    // float32
constexpr int kRangeFlags = 23; // bit 0 OL, bit 1 LO
constexpr int kReadingDecimals = 24;
constexpr int kReading = 25;    // float32, in the reading's unit
constexpr int kComparison = 29; // float32, in ohms
constexpr int kChecksum = 33;
constexpr int kMaxTestTime = 60;
} // namespace stored

// --- identity ----------------------------------------------------------------
namespace identity {
constexpr int kModel = 6;    // 11 characters
constexpr int kVersion = 17; // 11 characters
constexpr int kTextLength = 11;
constexpr int kChecksum = 28;
} // namespace identity

// --- timing ------------------------------------------------------------------
constexpr int kReadTimeoutMs = 1000;
constexpr int kGroupPauseMs = 30;
constexpr int kRetryPauseMs = 50;
constexpr int kMaxTimeouts = 3;
// The instrument needs this long after a start, a stop, a test-time write and
// a store count before it answers the next request reliably.
constexpr int kSettleMs = 200;

} // namespace protocol

// What a link or decoding worker's operator message means: the int carried by
// stateProcessing. 5 is not used.
namespace report {
enum Type : int
{
    Information = 0,        // shown, nothing more
    ChecksumError = 1,      // a reply failed its checksum
    StoreCountUnusable = 2, // the store count is missing or zero
    SettingsWriteFailed = 3,
    LinkLost = 4, // no device, or the link is lost (the handle is closed)
    ReadBackEnded = 6,
};
} // namespace report

// The instrument's test state (live frame offset 9).
namespace teststate {
enum State : int
{
    Waiting = 0,
    Testing = 1,
    Complete = 2,
};
} // namespace teststate
