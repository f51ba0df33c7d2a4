// hidapi's C API over the simulated bus: what lt_sim puts in place of
// libhidapi-hidraw. Behaviour follows the hidraw backend as the kernel-path
// test saw it: paths "/dev/hidrawN" (lowest number free), writes passed on as
// long as they are, input reports without a report ID queued on every open
// handle, 0 on a read time-out, -1 once the device is gone.

#include "BusState.h"
#include "SimEncoder.h"

#include <QDeadlineTimer>
#include <QMutexLocker>

#include <hidapi.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <cwchar>

using namespace sim;

namespace {

constexpr quint8 kParameterWrite = 0x01;

// hid_error(NULL): per thread, like errno.
thread_local std::wstring g_lastError;

std::wstring toWide(const QString& text)
{
    return text.toStdWString();
}

bool alive(const hid_device* dev)
{
    const InstrumentCore& c = *dev->instrument;
    return !dev->stale && c.plugged && c.plugGeneration == dev->generation &&
           !has(c.faults, Fault::BrokenLink);
}

bool isOpenHandle(hid_device* dev)
{
    const auto& hs = busState().handles;
    return dev && std::find(hs.begin(), hs.end(), dev) != hs.end();
}

wchar_t* copyWide(const std::wstring& text)
{
    auto* out = new wchar_t[text.size() + 1];
    std::wcscpy(out, text.c_str());
    return out;
}

char* copyText(const std::string& text)
{
    auto* out = new char[text.size() + 1];
    std::memcpy(out, text.c_str(), text.size() + 1);
    return out;
}

std::wstring productName(const InstrumentCore& c)
{
    return c.model.model() == Model::RV718A ? L"RV718A Loop Resistance Tester"
                                            : L"RV718B Loop Resistance Tester";
}

// The foreign report a babbling instrument repeats: its last store count reply.
QByteArray babbleReport(InstrumentCore& c, qint64 now)
{
    const int count = c.model.recordCount(now);
    return wire::inputReports(wire::encodeFrame(0x08, QByteArray(1, '\0') + char(count))).first();
}

// A report left over from an earlier exchange: a late acknowledgement, or in
// front of an acknowledgement the tail of a live frame.
QByteArray strayReport(bool beforeAcknowledgement)
{
    if (beforeAcknowledgement) {
        QByteArray tail(kInputReportSize, '\0');
        tail[0] = 0x01;
        return tail;
    }
    return wire::inputReports(wire::encodeFrame(kParameterWrite, QByteArray("\x00O\x00", 3)))
        .first();
}

// The faults that strike this one exchange by chance, when the instrument is
// set to fail occasionally; those that last (a broken link, babble) or come
// at opening time are left to be switched on purpose.
FaultSet occasionalFaults(InstrumentCore& c)
{
    FaultSet struck;
    if (c.occasionalFaultRate <= 0)
        return struck;
    std::bernoulli_distribution strikes(c.occasionalFaultRate);
    for (Fault f :
         {Fault::Silence, Fault::StrayReport, Fault::WrongChecksum, Fault::FieldOutOfRange,
          Fault::WrongCommand, Fault::MissingSecondReport, Fault::Refusal}) {
        if (strikes(c.occasionalFaults))
            struck.set(size_t(f));
    }
    return struck;
}

int copyReport(const QByteArray& report, unsigned char* data, size_t length)
{
    const int n = int(std::min(size_t(report.size()), length));
    std::memcpy(data, report.constData(), size_t(n));
    return n;
}

hid_device* openCore(const std::shared_ptr<InstrumentCore>& core)
{
    auto* dev = new hid_device;
    dev->instrument = core;
    dev->generation = core->plugGeneration;
    dev->pathText = core->path.toStdString();
    dev->manufacturer = L"Loop Tester";
    dev->product = productName(*core);
    dev->serial = toWide(core->serialNumber);
    dev->info.path = dev->pathText.data();
    dev->info.vendor_id = core->vendorId;
    dev->info.product_id = core->productId;
    dev->info.serial_number = dev->serial.data();
    dev->info.release_number = 0x0100;
    dev->info.manufacturer_string = dev->manufacturer.data();
    dev->info.product_string = dev->product.data();
    dev->info.usage_page = 0xFF00;
    dev->info.usage = 0x01;
    dev->info.interface_number = 0;
    dev->info.bus_type = HID_API_BUS_USB;
    busState().handles.push_back(dev);
    return dev;
}

int getString(hid_device* dev, wchar_t* string, size_t maxlen,
              const std::wstring hid_device::*which)
{
    BusState& s = busState();
    QMutexLocker lock(&s.mutex);
    if (!isOpenHandle(dev) || !string || maxlen == 0)
        return -1;
    if (!alive(dev)) {
        dev->error = L"Device removed";
        return -1;
    }
    std::wcsncpy(string, (dev->*which).c_str(), maxlen);
    string[maxlen - 1] = L'\0';
    return 0;
}

} // namespace

extern "C" {

int HID_API_EXPORT HID_API_CALL hid_init(void)
{
    BusState& s = busState();
    QMutexLocker lock(&s.mutex);
    ++s.initCalls;
    return 0;
}

int HID_API_EXPORT HID_API_CALL hid_exit(void)
{
    BusState& s = busState();
    QMutexLocker lock(&s.mutex);
    ++s.exitCalls;
    return 0;
}

struct hid_device_info HID_API_EXPORT* HID_API_CALL hid_enumerate(unsigned short vendor_id,
                                                                  unsigned short product_id)
{
    BusState& s = busState();
    QMutexLocker lock(&s.mutex);
    hid_device_info* first = nullptr;
    hid_device_info** next = &first;
    for (const auto& core : s.instruments) {
        if (!core->plugged || (vendor_id && core->vendorId != vendor_id) ||
            (product_id && core->productId != product_id))
            continue;
        auto* info = new hid_device_info{};
        info->path = copyText(core->path.toStdString());
        info->vendor_id = core->vendorId;
        info->product_id = core->productId;
        info->serial_number = copyWide(toWide(core->serialNumber));
        info->release_number = 0x0100;
        info->manufacturer_string = copyWide(L"Loop Tester");
        info->product_string = copyWide(productName(*core));
        info->usage_page = 0xFF00;
        info->usage = 0x01;
        info->interface_number = 0;
        info->bus_type = HID_API_BUS_USB;
        *next = info;
        next = &info->next;
    }
    if (!first)
        g_lastError = L"No HID devices with requested VID/PID found in the system.";
    return first;
}

void HID_API_EXPORT HID_API_CALL hid_free_enumeration(struct hid_device_info* devs)
{
    while (devs) {
        hid_device_info* next = devs->next;
        delete[] devs->path;
        delete[] devs->serial_number;
        delete[] devs->manufacturer_string;
        delete[] devs->product_string;
        delete devs;
        devs = next;
    }
}

HID_API_EXPORT hid_device* HID_API_CALL hid_open_path(const char* path)
{
    BusState& s = busState();
    QMutexLocker lock(&s.mutex);
    const QString p = QString::fromUtf8(path ? path : "");
    const auto core = s.plugged(p);
    int error = 0;
    if (!core)
        error = ENOENT;
    else if (has(core->faults, Fault::AccessDenied))
        error = EACCES;
    if (error) {
        g_lastError = toWide(QStringLiteral("Failed to open a device with path '%1': %2")
                                 .arg(p, QString::fromLocal8Bit(std::strerror(error))));
        errno = error;
        return nullptr;
    }
    g_lastError = L"Success";
    return openCore(core);
}

HID_API_EXPORT hid_device* HID_API_CALL hid_open(unsigned short vendor_id,
                                                 unsigned short product_id,
                                                 const wchar_t* serial_number)
{
    Q_UNUSED(serial_number) // every simulated instrument has an empty serial number
    QByteArray path;
    {
        BusState& s = busState();
        QMutexLocker lock(&s.mutex);
        for (const auto& core : s.instruments) {
            if (core->plugged && core->vendorId == vendor_id && core->productId == product_id) {
                path = core->path.toUtf8();
                break;
            }
        }
    }
    if (path.isEmpty()) {
        g_lastError = L"Device with requested VID/PID/(SerialNumber) not found";
        return nullptr;
    }
    return hid_open_path(path.constData());
}

int HID_API_EXPORT HID_API_CALL hid_write(hid_device* dev, const unsigned char* data, size_t length)
{
    BusState& s = busState();
    QMutexLocker lock(&s.mutex);
    if (!isOpenHandle(dev))
        return -1;
    if (!alive(dev)) {
        dev->error = L"Write error: No such device";
        return -1;
    }
    if (!data || length == 0 || length > size_t(kOutputReportSize)) {
        dev->error = L"Write error: Invalid argument";
        return -1;
    }
    InstrumentCore& c = *dev->instrument;
    if (has(c.faults, Fault::Stall)) {
        // The instrument takes nothing: a few reports wait in the host's
        // queue, then a write blocks until the system gives up on it.
        if (c.reportsQueuedWhileStalled < kStalledReportsQueued) {
            ++c.reportsQueuedWhileStalled;
            return int(length);
        }
        const QDeadlineTimer deadline(kStalledWriteMs);
        while (alive(dev) && has(c.faults, Fault::Stall) && !s.instantTimeouts &&
               !deadline.hasExpired())
            s.inputArrived.wait(&s.mutex, deadline);
        if (!alive(dev) || has(c.faults, Fault::Stall)) {
            ++c.failedWrites;
            dev->error = L"Write error: Connection timed out";
            return -1;
        }
    }
    SimWrite w;
    w.raw = QByteArray(reinterpret_cast<const char*>(data), int(length));
    QByteArray frame;
    w.accepted = wire::checkOutputReport(w.raw, &w.report, &frame);
    c.writeLog.append(w);
    const FaultSet faults = c.faults | occasionalFaults(c);

    if (w.accepted && !has(faults, Fault::Silence)) {
        bool changed = false;
        const qint64 now = s.clock.now();
        // hidraw queues every input report on every handle open on the node.
        auto deliver = [&](const QByteArray& report) {
            for (hid_device* h : s.handles)
                if (h->instrument == dev->instrument && alive(h))
                    h->input.push_back(report);
        };
        for (const QByteArray& replyFrame : c.model.answer(frame, now, faults, &changed)) {
            QList<QByteArray> reports = wire::inputReports(replyFrame);
            if (has(faults, Fault::MissingSecondReport) && reports.size() > 1)
                reports.removeLast();
            if (has(faults, Fault::StrayReport))
                deliver(strayReport(quint8(frame.at(4)) == kParameterWrite));
            for (const QByteArray& r : reports)
                deliver(r);
        }
        if (changed)
            notifyChanged(c);
        s.inputArrived.wakeAll();
    }
    dev->error.clear();
    return int(length);
}

int HID_API_EXPORT HID_API_CALL hid_read_timeout(hid_device* dev, unsigned char* data,
                                                 size_t length, int milliseconds)
{
    BusState& s = busState();
    QMutexLocker lock(&s.mutex);
    if (!isOpenHandle(dev) || !data)
        return -1;
    const QDeadlineTimer deadline(milliseconds < 0 ? QDeadlineTimer::Forever
                                                   : QDeadlineTimer(milliseconds));
    for (;;) {
        if (!alive(dev)) {
            dev->error = L"Read error: No such device";
            return -1;
        }
        InstrumentCore& c = *dev->instrument;
        if (has(c.faults, Fault::Babble))
            return copyReport(babbleReport(c, s.clock.now()), data, length);
        if (!dev->input.empty()) {
            const QByteArray report = dev->input.front();
            dev->input.pop_front();
            return copyReport(report, data, length);
        }
        if (milliseconds == 0 || s.instantTimeouts || deadline.hasExpired())
            return 0;
        ++s.waitingReads;
        s.inputArrived.wait(&s.mutex, deadline);
        --s.waitingReads;
    }
}

int HID_API_EXPORT HID_API_CALL hid_read(hid_device* dev, unsigned char* data, size_t length)
{
    int timeout = -1;
    {
        BusState& s = busState();
        QMutexLocker lock(&s.mutex);
        if (isOpenHandle(dev) && dev->nonBlocking)
            timeout = 0;
    }
    return hid_read_timeout(dev, data, length, timeout);
}

int HID_API_EXPORT HID_API_CALL hid_set_nonblocking(hid_device* dev, int nonblock)
{
    BusState& s = busState();
    QMutexLocker lock(&s.mutex);
    if (!isOpenHandle(dev))
        return -1;
    dev->nonBlocking = nonblock != 0;
    return 0;
}

int HID_API_EXPORT HID_API_CALL hid_send_feature_report(hid_device* dev, const unsigned char*,
                                                        size_t)
{
    BusState& s = busState();
    QMutexLocker lock(&s.mutex);
    if (isOpenHandle(dev))
        dev->error = L"The instrument has no feature reports";
    return -1;
}

int HID_API_EXPORT HID_API_CALL hid_get_feature_report(hid_device* dev, unsigned char* data,
                                                       size_t length)
{
    return hid_send_feature_report(dev, data, length);
}

int HID_API_EXPORT HID_API_CALL hid_get_input_report(hid_device* dev, unsigned char* data,
                                                     size_t length)
{
    return hid_send_feature_report(dev, data, length);
}

void HID_API_EXPORT HID_API_CALL hid_close(hid_device* dev)
{
    BusState& s = busState();
    QMutexLocker lock(&s.mutex);
    auto& hs = s.handles;
    const auto it = std::find(hs.begin(), hs.end(), dev);
    if (it == hs.end())
        return;
    hs.erase(it);
    delete dev;
}

int HID_API_EXPORT_CALL hid_get_manufacturer_string(hid_device* dev, wchar_t* string, size_t maxlen)
{
    return getString(dev, string, maxlen, &hid_device::manufacturer);
}

int HID_API_EXPORT_CALL hid_get_product_string(hid_device* dev, wchar_t* string, size_t maxlen)
{
    return getString(dev, string, maxlen, &hid_device::product);
}

int HID_API_EXPORT_CALL hid_get_serial_number_string(hid_device* dev, wchar_t* string,
                                                     size_t maxlen)
{
    return getString(dev, string, maxlen, &hid_device::serial);
}

int HID_API_EXPORT_CALL hid_get_indexed_string(hid_device* dev, int, wchar_t*, size_t)
{
    BusState& s = busState();
    QMutexLocker lock(&s.mutex);
    if (isOpenHandle(dev))
        dev->error = L"hid_get_indexed_string: not supported by hidraw";
    return -1;
}

struct hid_device_info HID_API_EXPORT* HID_API_CALL hid_get_device_info(hid_device* dev)
{
    BusState& s = busState();
    QMutexLocker lock(&s.mutex);
    return isOpenHandle(dev) ? &dev->info : nullptr;
}

HID_API_EXPORT const wchar_t* HID_API_CALL hid_error(hid_device* dev)
{
    if (!dev)
        return g_lastError.empty() ? L"Success" : g_lastError.c_str();
    BusState& s = busState();
    QMutexLocker lock(&s.mutex);
    if (!isOpenHandle(dev) || dev->error.empty())
        return L"Success";
    return dev->error.c_str();
}

HID_API_EXPORT const struct hid_api_version* HID_API_CALL hid_version(void)
{
    static const hid_api_version version{HID_API_VERSION_MAJOR, HID_API_VERSION_MINOR,
                                         HID_API_VERSION_PATCH};
    return &version;
}

HID_API_EXPORT const char* HID_API_CALL hid_version_str(void)
{
    return HID_API_VERSION_STR;
}

} // extern "C"
