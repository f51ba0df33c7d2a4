#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>

// Value types shared by the simulated instrument's public API: the instrument
// models, the faults it can be made to show, the settings it holds, the
// records it stores and the log of what was written to it.
namespace sim {

// USB identity of a loop-resistance tester. The simulator states the
// instrument's side of the protocol on its own rather than taking the
// program's constants, so that a wrong value there fails the tests instead of
// being mirrored here.
constexpr quint16 kVendorId = 0x1A86;
constexpr quint16 kProductId = 0xE429;

// Size of one input report as the instrument sends it: count byte + 63 bytes.
constexpr int kInputReportSize = 64;
// Largest output report the instrument takes: report ID + 64 bytes.
constexpr int kOutputReportSize = 65;
// The instrument's memory holds this many records; later tests are not stored.
constexpr int kMaxStoredRecords = 200;

enum class Model
{
    RV718A, // test currents 5-100 A, current index 0..10
    RV718B, // test currents 5-200 A, current index 0..20
};

// Faults an instrument can be made to show, each switched on and off on its own.
enum class Fault
{
    Silence,             // takes requests, never answers: reads time out
    StrayReport,         // a foreign report before every reply: a late
                         // acknowledgement (count 0x0A), or before an
                         // acknowledgement a late live tail (count 0x01)
    WrongChecksum,       // every reply carries a checksum one too high
    FieldOutOfRange,     // live: test state 3; stored record: test time 61 s;
                         // store count: 201
    WrongCommand,        // every reply carries its command code with bit 7 set
    MissingSecondReport, // a live reply comes without its second report
    Refusal,             // every parameter write is refused (acknowledgement 'E')
    BrokenLink,          // reads and writes on open handles return -1
    Babble,              // every read returns a foreign report (a stale store
                         // count reply), never the reply and never a time-out
    AccessDenied,        // hid_open_path fails with EACCES (no udev rule)
    Stall,               // takes no more reports: the host queues a few
                         // (kStalledReportsQueued), then every write blocks
                         // for kStalledWriteMs and fails; nothing is answered
};
constexpr int kFaultCount = 11;

// What a USB host does with reports an instrument no longer takes.
constexpr int kStalledReportsQueued = 4;
constexpr int kStalledWriteMs = 5000;

// Short English label of a fault, for panels and debug output.
QString faultName(Fault fault);

enum class ClockMode
{
    Manual,   // time moves only by SimBus::advanceClock(): for tests
    RealTime, // time follows the wall clock times SimBus::clockSpeed(): for the demo
};

// The settings an instrument holds, as the parameter writes set them.
struct InstrumentSettings
{
    int currentIndex = 2;     // 0 = 5 A, n = 10 n A
    int testTimeSeconds = 30; // 10..60
    bool comparisonOn = false;
    float comparisonValue = 100; // as shown in its unit
    int comparisonDecimals = 2;  // 0..4
    int comparisonUnit = 0;      // 0 = μΩ, 1 = mΩ
};

// Set test current in amperes for a current index (0 = 5 A, n = 10 n A).
int currentForIndex(int index);
// Largest current index the model accepts.
int maxCurrentIndex(Model model);

// One record in the instrument's memory, made when a test completes.
struct StoredRecord
{
    QDateTime time; // when the test completed
    int testTimeSeconds = 30;
    float currentAmps = 0;           // measured test current
    bool overRange = false;          // "OL"
    bool underRange = false;         // "LO"
    bool resistanceMilliOhm = false; // unit of resistance: mΩ, else μΩ
    float resistance = 0;            // in that unit
    int resistanceDecimals = 2;
    bool comparisonOn = false;
    bool comparisonMilliOhm = false;
    float comparisonValue = 0; // in the comparison unit, as shown
    int comparisonDecimals = 2;
    bool pass = false; // judgement, meaningful when comparisonOn
};

// One hid_write as the instrument received it.
struct SimWrite
{
    QByteArray raw;        // every byte handed to hid_write, padding included
    QByteArray report;     // report ID, count byte and frame: raw without padding
    bool accepted = false; // well formed (report ID 0, count, whole padded report, sync,
                           // length, checksum) and therefore acted on
};

} // namespace sim
