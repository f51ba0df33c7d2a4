// hidapi's C API over the fuzz script, linked into fuzz_link in place of
// libhidapi and the simulator. Handles are heap objects so that the sanitizer
// reports any use of one after hid_close.
#include "FuzzHidApi.h"

#include <hidapi.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

struct hid_device_
{
    int unused = 0;
};

namespace {

constexpr std::size_t kMaxReport = 64;
constexpr std::uint8_t kBrokenLink = 0xFF;
constexpr std::uint8_t kTimeOut = 0xFE;

const std::uint8_t* script = nullptr;
std::size_t scriptLeft = 0;
int reads = 0;
int open = 0;

void check(bool ok)
{
    if (!ok)
        std::abort();
}

// Touches the caller's last byte so that the sanitizer checks the claimed length.
void touch(const unsigned char* data, std::size_t length)
{
    volatile unsigned char last = data[length - 1];
    (void)last;
}

hid_device_info* entry(const char* path, unsigned short vendor, unsigned short product)
{
    auto* info = new hid_device_info{};
    info->path = strdup(path);
    info->vendor_id = vendor;
    info->product_id = product;
    return info;
}

} // namespace

namespace fuzzhid {

void setScript(const std::uint8_t* data, std::size_t size)
{
    script = data;
    scriptLeft = size;
}

void beginExchange()
{
    reads = 0;
}
int openHandles()
{
    return open;
}

} // namespace fuzzhid

extern "C" {

int hid_init(void)
{
    return 0;
}
int hid_exit(void)
{
    return 0;
}

// The instrument and a device of another product, which the link must leave out.
hid_device_info* hid_enumerate(unsigned short vendor, unsigned short product)
{
    hid_device_info* ours = entry(fuzzhid::kPath, vendor, product);
    ours->next = entry("/dev/hidraw-other", vendor, static_cast<unsigned short>(product + 1));
    return ours;
}

void hid_free_enumeration(hid_device_info* devs)
{
    while (devs) {
        hid_device_info* next = devs->next;
        std::free(devs->path);
        delete devs;
        devs = next;
    }
}

hid_device* hid_open_path(const char* path)
{
    if (!path || std::strcmp(path, fuzzhid::kPath) != 0)
        return nullptr;
    ++open;
    return new hid_device;
}

void hid_close(hid_device* dev)
{
    check(dev != nullptr);
    --open;
    delete dev;
}

int hid_set_nonblocking(hid_device* dev, int nonblock)
{
    check(dev->unused == 0 && (nonblock == 0 || nonblock == 1));
    return 0;
}

// Every output report leaves padded to the report ID and 64 data bytes, and
// holds one whole frame: report ID 0, the count N, AB CD, the length field
// N - 4, the command and its data, the checksum; zeros after it.
int hid_write(hid_device* dev, const unsigned char* data, size_t length)
{
    check(dev->unused == 0 && data && length >= kMaxReport + 1);
    touch(data, length);
    const std::size_t count = data[1];
    check(data[0] == 0 && count >= 7 && count + 2 <= length);
    const unsigned char* frame = data + 2;
    check(frame[0] == 0xAB && frame[1] == 0xCD &&
          std::size_t(frame[2] | (frame[3] << 8)) == count - 4);
    unsigned sum = 0;
    for (std::size_t i = 2; i + 2 < count; ++i)
        sum += frame[i];
    check((sum & 0xFFFF) == unsigned(frame[count - 2] | (frame[count - 1] << 8)));
    for (std::size_t i = count + 2; i < length; ++i)
        check(data[i] == 0);
    return int(length);
}

int hid_read_timeout(hid_device* dev, unsigned char* data, size_t length, int milliseconds)
{
    check(dev->unused == 0 && data && length > 0 && milliseconds >= 0);
    touch(data, length);
    check(++reads <= fuzzhid::kMaxReadsPerExchange);
    if (scriptLeft == 0)
        return 0;
    const std::uint8_t head = *script++;
    --scriptLeft;
    if (head == kBrokenLink)
        return -1;
    if (head == kTimeOut)
        return 0;
    // hidraw hands out a report cut to the caller's buffer and drops the rest.
    const std::size_t report = std::min<std::size_t>(head % (kMaxReport + 1), scriptLeft);
    const std::size_t copied = std::min(report, length);
    std::memcpy(data, script, copied);
    script += report;
    scriptLeft -= report;
    return int(copied);
}

const wchar_t* hid_error(hid_device*)
{
    return L"no such device in the fuzz script";
}

} // extern "C"
