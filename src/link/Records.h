#pragma once

#include <QMetaType>
#include <QString>

#include <vector>

// Value types that carry instrument data between the link worker, the decoding
// worker and the window. All are plain copyable values: every queued signal
// carries its own copy, so a receiver never sees a record being overwritten.

// One decoded live reply; texts are display-ready.
struct ReceiveLiveData
{
    bool statusBit7 = false;
    bool comparisonSwitch = false;
    bool statusBit5 = false;
    bool statusBit4 = false;
    bool comparativePass = false;
    QString comparativeResult; // "PASS", "FAIL" or empty
    bool overRange = false;
    bool underRange = false;
    bool overTemperature = false;
    int rawByte7 = 0;
    bool printing = false;
    QString printerStatus;
    int testState = 0; // 0 waiting, 1 testing, 2 complete
    QString testStatus;
    int rawByte10 = 0;
    int rawByte11 = 0;
    QString testingResValue;
    QString testingResUnit;
    QString comparisonValue;
    int comparisonUnitIndex = 0; // 0 = μΩ, 1 = mΩ
    QString testingCurrentValue;
    QString testingCurrentUnit;
    int currentSetting = 0;
    QString currentSettingUnit;
    int testingTime = 0;
    QString testingTimeUnit;
    QString timeLeftValue;
    QString timeLeftUnit;
    QString storeNumber;
};

// One record read back from the instrument's memory.
struct ReceiveStorageData
{
    QString storeNumber;
    QString testingResUnit;
    QString comparisonUnit;
    bool comparisonEnabled = false;
    QString comparativeResult;
    int comparisonDecimals = 0;
    QString testingTime;
    QString recordTime;
    QString testingCurrent;
    bool overRange = false;
    bool underRange = false;
    int resDecimals = 0;
    QString testingResValue;
    QString comparisonValue;
};

// Identity of the connected instrument.
struct DeviceInfo
{
    QString name;
    QString model;   // eleven characters, fill bytes included
    QString version; // eleven characters, fill bytes included
};

Q_DECLARE_METATYPE(ReceiveLiveData)
Q_DECLARE_METATYPE(ReceiveStorageData)
Q_DECLARE_METATYPE(DeviceInfo)
Q_DECLARE_METATYPE(std::vector<unsigned char>)

// Registers the four types above by name so queued connections can copy them.
// Must run before any worker thread starts; calling it again is harmless.
void registerLinkMetaTypes();
