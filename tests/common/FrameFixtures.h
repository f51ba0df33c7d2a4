#pragma once

// Reply frames as the instrument sends them (from the first sync byte on),
// built apart from the product's frame code so that a wrong offset or checksum
// there cannot hide behind the same mistake here: AB CD, 16-bit LE length
// (frame size - 4), command, data, 16-bit LE sum of offsets 2 .. last data byte.

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace fixtures {

using Frame = std::vector<unsigned char>;

// Writes the sync bytes, the length field and the checksum.
inline void seal(Frame& f)
{
    const std::size_t size = f.size();
    if (size < 6)
        return;
    unsigned sum = 0;
    f[0] = 0xAB;
    f[1] = 0xCD;
    f[2] = static_cast<unsigned char>((size - 4) & 0xFF);
    f[3] = static_cast<unsigned char>((size - 4) >> 8);
    for (std::size_t i = 2; i + 2 < size; ++i)
        sum += f[i];
    f[size - 2] = static_cast<unsigned char>(sum & 0xFF);
    f[size - 1] = static_cast<unsigned char>((sum >> 8) & 0xFF);
}

// True when sync bytes, length and checksum are what seal() would write.
inline bool sealed(Frame f)
{
    const Frame before = f;
    seal(f);
    return f.size() >= 7 && f == before;
}

inline Frame corrupted(Frame f) // checksum off by one
{
    f[f.size() - 2] = static_cast<unsigned char>(f[f.size() - 2] + 1);
    return f;
}

// Fixed-width text field; shorter text is filled with zero bytes.
inline void putText(Frame& f, std::size_t at, std::size_t width, const std::string& text)
{
    for (std::size_t i = 0; i < width; ++i)
        f[at + i] = i < text.size() ? static_cast<unsigned char>(text[i]) : 0;
}

inline void putFloat(Frame& f, std::size_t at, float value) // little-endian float32
{
    std::uint32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    for (int i = 0; i < 4; ++i)
        f[at + i] = static_cast<unsigned char>(bits >> (8 * i));
}

// Live reply (command 0x05, 64 bytes): by default a test in progress with
// comparison on and a passing 12.345 mΩ reading. Units: 0 μΩ/A/S, 1 mΩ.
struct Live
{
    unsigned char status = 0x48; // bit 6 comparison on, bit 3 pass, 2 LO, 1 OL
    unsigned char code7 = 0, printer = 0, state = 1, code10 = 0, code11 = 0;
    std::string reading = "12.345", comparison = "20.000", current = "100.1 ";
    unsigned char readingUnit = 1, comparisonUnit = 1, currentUnit = 0;
    std::string setCurrent = "100", setTime = "30", timeLeft = "25", store = "  12";
    unsigned char setCurrentUnit = 0, setTimeUnit = 0, timeLeftUnit = 0, noReading = 0;

    Frame bytes() const
    {
        Frame f(64, 0);
        f[4] = 0x05;
        const unsigned char codes[] = {status, code7, printer, state, code10, code11};
        std::memcpy(&f[6], codes, sizeof codes);
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

// Stored-record reply (command 0x07, 35 bytes). Units: 1 mΩ, 0 μΩ.
struct Stored
{
    unsigned char group = 1, readingUnit = 1, comparisonUnit = 1, comparisonOn = 1, pass = 1;
    unsigned char comparisonDecimals = 2, testTime = 30;
    std::uint16_t year = 2025;
    unsigned char month = 3, day = 5, hour = 14, minute = 7, second = 9;
    float current = 100.0f;
    unsigned char rangeFlags = 0, readingDecimals = 3; // flags: bit 0 OL, bit 1 LO
    float reading = 12.345f, comparisonOhms = 0.02f;

    Frame bytes() const
    {
        Frame f(35, 0);
        const unsigned char yearHigh = year >> 8, yearLow = year & 0xFF; // big-endian
        const unsigned char head[] = {
            0x07,     group,    readingUnit, comparisonUnit, comparisonOn, pass, comparisonDecimals,
            testTime, yearHigh, yearLow,     month,          day,          hour, minute,
            second};
        std::memcpy(&f[4], head, sizeof head);
        putFloat(f, 19, current);
        f[23] = rangeFlags;
        f[24] = readingDecimals;
        putFloat(f, 25, reading);
        putFloat(f, 29, comparisonOhms);
        seal(f);
        return f;
    }
};

// Identity reply (command 0x11, 30 bytes): eleven-character model and version.
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
