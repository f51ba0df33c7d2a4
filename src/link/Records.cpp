#include "Records.h"

void registerLinkMetaTypes()
{
    qRegisterMetaType<std::vector<unsigned char>>("std::vector<unsigned char>");
    qRegisterMetaType<ReceiveLiveData>("ReceiveLiveData");
    qRegisterMetaType<ReceiveStorageData>("ReceiveStorageData");
    qRegisterMetaType<DeviceInfo>("DeviceInfo");
}
