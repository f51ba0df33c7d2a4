#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>

// Reads a fuzz input from the front: a byte, a 16-bit little-endian number or
// a run of bytes. Past the end it reads zeros and empty runs, so a target can
// take what its format says without checking the length at every step.
class FuzzInput
{
public:
    FuzzInput(const std::uint8_t* data, std::size_t size) : p(data), left(size) {}

    bool atEnd() const { return left == 0; }
    std::size_t remaining() const { return left; }

    std::uint8_t byte()
    {
        if (left == 0)
            return 0;
        --left;
        return *p++;
    }

    std::uint16_t word()
    {
        const std::uint8_t low = byte();
        return std::uint16_t(low | (byte() << 8));
    }

    // Up to n bytes; *taken says how many there were.
    const std::uint8_t* take(std::size_t n, std::size_t* taken)
    {
        const std::uint8_t* start = p;
        *taken = std::min(n, left);
        p += *taken;
        left -= *taken;
        return start;
    }

private:
    const std::uint8_t* p;
    std::size_t left;
};
