#pragma once

#include <cstddef>
#include <cstdint>

// Controls of the fuzz-only hidapi backend: one instrument at kPath whose
// input reports come from a byte script, and nothing that ever waits.
namespace fuzzhid {

constexpr char kPath[] = "/dev/hidraw-fuzz";

// Reads one exchange may take. The longest finite ones (a read-back of 255
// groups, a write retried over three periods of foreign reports) stay far
// below it; an exchange that goes past it would never end, so the backend
// aborts there.
constexpr int kMaxReadsPerExchange = 512;

// The input reports, in turn: a length byte, then that many bytes (length
// modulo 65, cut short where the script ends). Length 0xFF reads as a broken
// link (-1), 0xFE as a time-out (0); a script that has run dry times out.
void setScript(const std::uint8_t* data, std::size_t size);
// Starts the read count of a new exchange.
void beginExchange();
int openHandles();

} // namespace fuzzhid
