#include "ParseData.h"

#include "Decoders.h"
#include "Protocol.h"

ParseData::ParseData(QObject* parent) : QObject(parent) {}

void ParseData::parseRealTimeData(std::vector<unsigned char> data)
{
    decode::LiveResult result = decode::liveFrame(data, liveData, lastTestState);
    switch (result.verdict) {
    case decode::Verdict::Decoded:
        liveData = std::move(result.record);
        lastTestState = liveData.testState;
        emit finishReadRealTimeData(liveData);
        break;
    case decode::Verdict::OutOfRange:
        // Showing the previous record again would pass it off as current.
        emit liveFrameRejected();
        break;
    default:
        emit stateProcessing(tr("读取到的数据校验和错误"), report::ChecksumError);
        break;
    }
}

void ParseData::parseReadBackData(std::vector<unsigned char> data, int readedNum)
{
    decode::StoredResult result = decode::storedFrame(data, storageData);
    switch (result.verdict) {
    case decode::Verdict::Decoded:
        storageData = std::move(result.record);
        emit finishReadReadBackData(storageData, readedNum);
        break;
    case decode::Verdict::BadChecksum:
        emit stateProcessing(tr("读取第%1组数据校验和错误").arg(readedNum), report::Information);
        break;
    default:
        emit stateProcessing(tr("读取第%1组数据失败").arg(readedNum), report::Information);
        break;
    }
}

void ParseData::parseSystemInfo(std::vector<unsigned char> data)
{
    const decode::IdentityResult result = decode::identityFrame(data);
    if (result.verdict != decode::Verdict::Decoded) {
        emit stateProcessing(tr("读取到的数据校验和错误"), report::ChecksumError);
        return;
    }
    emit finishReadSystemInfoData(result.info);
}

// Compiled here rather than in the library's shared moc unit, so that a program
// using only the decoder does not pull in the link worker and its HID library.
#include "moc_ParseData.cpp" // NOLINT(bugprone-suspicious-include): the moc output, by design
