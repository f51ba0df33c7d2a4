#pragma once

#include "Records.h"

#include <vector>

// The three reply decoders as pure functions: bytes in, record out. A field a
// frame does not write keeps the value of the record passed in, so the caller
// hands in the record the previous frame left.
namespace decode {

using Frame = std::vector<unsigned char>;

enum class Verdict
{
    Decoded,
    BadChecksum, // shorter than the reply or a wrong checksum
    BadHeader,   // stored record: no sync byte or not a stored-record reply
    OutOfRange,  // a field outside its range: nothing was written
};

struct LiveResult
{
    Verdict verdict;
    ReceiveLiveData record; // the previous record when not Decoded
};

struct StoredResult
{
    Verdict verdict;
    ReceiveStorageData record;
};

struct IdentityResult
{
    Verdict verdict;
    DeviceInfo info;
};

// A live frame (64 bytes). previousTestState is the test state of the last
// decoded live frame: with it the final reading and judgement stay visible for
// one frame after the instrument returns to waiting.
LiveResult liveFrame(const Frame& bytes, const ReceiveLiveData& previous, int previousTestState);

// A stored-record frame (35 bytes).
StoredResult storedFrame(const Frame& bytes, const ReceiveStorageData& previous);

// An identity frame (30 bytes); the name follows from the model text.
IdentityResult identityFrame(const Frame& bytes);

} // namespace decode
