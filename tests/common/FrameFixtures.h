#pragma once

// Reply frames as the instrument sends them, built independently of the
// product's own frame code so that a wrong offset or checksum there cannot
// hide behind the same mistake here. Header-only; usable from any test.
//
// Every frame starts with its first sync byte (no HID count byte):
// AB CD, 16-bit LE length (frame size - 4), command, data, 16-bit LE sum of
// the bytes from offset 2 up to the last data byte.

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace fixtures {

using Frame = std::vector<unsigned char>;

// Writes the length field and the trailing checksum; call again after
// changing any byte of a frame by hand.
inline void seal(Frame& f)
{
    const std::size_t size = f.size();
    f[0] = 0xAB;
    f[1] = 0xCD;
    f[2] = static_cast<unsigned char>((size - 4) & 0xFF);
    f[3] = static_cast<unsigned char>((size - 4) >> 8);
    unsigned sum = 0;
    for (std::size_t i = 2; i + 2 < size; ++i)
        sum += f[i];
    f[size - 2] = static_cast<unsigned char>(sum & 0xFF);
    f[size - 1] = static_cast<unsigned char>((sum >> 8) & 0xFF);
}

// A copy whose checksum is off by one.
inline Frame corrupted(Frame f)
{
    f[f.size() - 2] = static_cast<unsigned char>(f[f.size() - 2] + 1);
    return f;
}

// Copies text into a fixed-width field; shorter text is filled with zero bytes.
// std::string keeps embedded zero bytes when built with an explicit length.
inline void putText(Frame& f, std::size_t at, std::size_t width, const std::string& text)
{
    for (std::size_t i = 0; i < width; ++i)
        f[at + i] = i < text.size() ? static_cast<unsigned char>(text[i]) : 0;
}

inline void putFloat(Frame& f, std::size_t at, float value)
{
    std::uint32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    for (int i = 0; i < 4; ++i)
        f[at + i] = static_cast<unsigned char>(bits >> (8 * i));
}

// Live reply (command 0x05, 64 bytes). Defaults describe a test in progress
// with comparison on and a passing 12.345 mΩ reading.
struct Live
{
    unsigned char status = 0x48; // bit 6 comparison on, bit 3 pass
    unsigned char code7 = 0;
    unsigned char printer = 0;
    unsigned char state = 1; // 0 waiting, 1 testing, 2 complete
    unsigned char code10 = 0;
    unsigned char code11 = 0;
    std::string reading = "12.345";
    unsigned char readingUnit = 1; // 1 mΩ, 0 μΩ
    std::string comparison = "20.000";
    unsigned char comparisonUnit = 1;
    std::string current = "100.1 ";
    unsigned char currentUnit = 0;
    std::string setCurrent = "100";
    unsigned char setCurrentUnit = 0;
    std::string setTime = "30";
    unsigned char setTimeUnit = 0;
    std::string timeLeft = "25";
    unsigned char timeLeftUnit = 0;
    std::string store = "  12";
    unsigned char noReading = 0;

    Frame bytes() const
    {
        Frame f(64, 0);
        f[4] = 0x05;
        f[6] = status;
        f[7] = code7;
        f[8] = printer;
        f[9] = state;
        f[10] = code10;
        f[11] = code11;
        putText(f, 12, 6, reading);
        f[18] = readingUnit;
        putText(f, 20, 6, comparison);
        f[26] = comparisonUnit;
        putText(f, 28, 6, current);
        f[34] = currentUnit;
        putText(f, 36, 4, setCurrent);
        f[40] = setCurrentUnit;
        putText(f, 42, 4, setTime);
        f[46] = setTimeUnit;
        putText(f, 48, 4, timeLeft);
        f[52] = timeLeftUnit;
        putText(f, 54, 4, store);
        f[60] = noReading;
        seal(f);
        return f;
    }
};

// Stored-record reply (command 0x07, 35 bytes).
struct Stored
{
    unsigned char group = 1;
    unsigned char readingUnit = 1;    // 1 mΩ, 0 μΩ
    unsigned char comparisonUnit = 1; // 1 mΩ, 0 μΩ
    unsigned char comparisonOn = 1;
    unsigned char pass = 1;
    unsigned char comparisonDecimals = 2;
    unsigned char testTime = 30;
    std::uint16_t year = 2025;
    unsigned char month = 3, day = 5, hour = 14, minute = 7, second = 9;
    float current = 100.0f;
    unsigned char rangeFlags = 0; // bit 0 OL, bit 1 LO
    unsigned char readingDecimals = 3;
    float reading = 12.345f;
    float comparisonOhms = 0.02f;

    Frame bytes() const
    {
        Frame f(35, 0);
        f[4] = 0x07;
        f[5] = group;
        f[6] = readingUnit;
        f[7] = comparisonUnit;
        f[8] = comparisonOn;
        f[9] = pass;
        f[10] = comparisonDecimals;
        f[11] = testTime;
        f[12] = static_cast<unsigned char>(year >> 8);
        f[13] = static_cast<unsigned char>(year & 0xFF);
        f[14] = month;
        f[15] = day;
        f[16] = hour;
        f[17] = minute;
        f[18] = second;
        putFloat(f, 19, current);
        f[23] = rangeFlags;
        f[24] = readingDecimals;
        putFloat(f, 25, reading);
        putFloat(f, 29, comparisonOhms);
        seal(f);
        return f;
    }
};

// Identity reply (command 0x11, 30 bytes): eleven-character model and version
// texts, shorter texts filled with zero bytes.
inline Frame identity(const std::string& model, const std::string& version)
{
    Frame f(30, 0);
    f[4] = 0x11;
    putText(f, 6, 11, model);
    putText(f, 17, 11, version);
    seal(f);
    return f;
}

} // namespace fixtures
