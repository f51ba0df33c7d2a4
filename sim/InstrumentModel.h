#pragma once

#include "SimTypes.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QSet>

#include <bitset>

namespace sim {

using FaultSet = std::bitset<kFaultCount>;
inline bool has(const FaultSet& faults, Fault f)
{
    return faults.test(size_t(f));
}

// What one loop-resistance tester does, without any I/O or locking: it
// answers request frames with reply frames, runs tests and stores their
// records. Time comes in as milliseconds of the bus clock with every call, so
// a test's progress is worked out when someone looks rather than by timers.
class InstrumentModel
{
public:
    explicit InstrumentModel(Model model);

    Model model() const { return m_model; }
    QByteArray modelText() const;
    QByteArray versionText() const { return m_version; }
    void setVersionText(const QByteArray& text);
    void setEpoch(const QDateTime& epoch) { m_epoch = epoch; }

    InstrumentSettings settings() const { return m_settings; }
    void setSettings(const InstrumentSettings& settings) { m_settings = settings; }

    void pressTestKey(qint64 now);
    void setOverTemperature(bool on) { m_overTemperature = on; }
    bool overTemperature() const { return m_overTemperature; }
    void setMeasuredResistance(double microOhm) { m_microOhm = microOhm; }
    double measuredResistance() const { return m_microOhm; }
    void setOverRange(bool on) { m_forceOverRange = on; }
    void setUnderRange(bool on) { m_forceUnderRange = on; }

    int testState(qint64 now);
    int timeLeftSeconds(qint64 now);

    QList<StoredRecord> records(qint64 now);
    int recordCount(qint64 now);
    void addRecords(int n, qint64 now);
    void clearRecords() { m_records.clear(); }
    // Stored groups whose requests go unanswered (a memory cell that cannot
    // be read), so a read-back meets time-outs at chosen groups.
    void setSilentGroups(const QSet<int>& groups) { m_silentGroups = groups; }
    // Stored groups whose reply is held back until the next request comes.
    void setLateGroups(const QSet<int>& groups) { m_lateGroups = groups; }

    // Reply frames to one well-formed request frame (none when the
    // instrument ignores it). *changed tells whether settings or the test
    // state changed because of it.
    QList<QByteArray> answer(const QByteArray& frame, qint64 now, const FaultSet& faults,
                             bool* changed);

    // Six-character reading text and the decimals it uses, the way the
    // instrument's display shows numbers.
    static QByteArray sixChars(double value, int* decimals = nullptr);

private:
    // Completes a test whose time is up and stores its record.
    void settle(qint64 now);
    void startTest(qint64 now);
    void stopTest(qint64 now);
    bool testing(qint64 now);
    double measuredCurrent(qint64 now) const;
    bool readingOverRange() const;
    bool readingPasses() const;
    StoredRecord recordOf(qint64 at) const;

    QList<QByteArray> answerNow(const QByteArray& frame, qint64 now, const FaultSet& faults,
                                bool* changed);
    QByteArray liveFrame(qint64 now, const FaultSet& faults);
    QByteArray storedFrame(int group, const FaultSet& faults) const;
    QByteArray writeParameter(const QByteArray& frame, qint64 now, const FaultSet& faults,
                              bool* changed);

    Model m_model;
    QByteArray m_version;
    QDateTime m_epoch;
    InstrumentSettings m_settings;
    bool m_overTemperature = false;
    double m_microOhm = 125.4;
    bool m_forceOverRange = false;
    bool m_forceUnderRange = false;

    qint64 m_testStart = -1;   // clock ms of the running test's start, -1 when none runs
    qint64 m_testDuration = 0; // its length in ms, fixed when it started
    qint64 m_completedAt = -1; // clock ms at which the last test completed
    bool m_hasReading = false; // a test has produced a reading since power-on
    double m_lastCurrent = 0;  // measured current of the last test
    QList<StoredRecord> m_records;
    QSet<int> m_silentGroups;
    QSet<int> m_lateGroups;
    QList<QByteArray> m_heldReplies; // late replies, sent before the next answer
};

} // namespace sim
