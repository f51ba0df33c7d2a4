#pragma once

#include "Records.h"

#include <QObject>
#include <QString>

#include <vector>

// The decoding worker: turns reply frames from the link worker into
// display-ready records with the pure decoders of Decoders.h and reports what
// it could not decode. It performs no I/O and lives on a thread of its own.
//
// The live and stored records persist for the object's whole life and are
// overwritten field by field, so a field that a frame does not write keeps the
// value an earlier frame gave it. Every signal carries a copy.
class ParseData : public QObject
{
    Q_OBJECT

public:
    explicit ParseData(QObject* parent = nullptr);

signals:
    void finishReadRealTimeData(ReceiveLiveData rld);
    void finishReadReadBackData(ReceiveStorageData rsd, int readedNum);
    void stateProcessing(QString logMessage, int errorType);
    void finishReadSystemInfoData(DeviceInfo info);
    // A live frame passed its checksum but held a field outside its range; it
    // was dropped and the previous record stands.
    void liveFrameRejected();

public slots:
    void parseRealTimeData(std::vector<unsigned char> data);
    void parseReadBackData(std::vector<unsigned char> data, int readedNum);
    void parseSystemInfo(std::vector<unsigned char> data);

private:
    ReceiveLiveData liveData;
    ReceiveStorageData storageData;
    int lastTestState = 0; // test state of the previous accepted live frame
};
