#pragma once
// The backend's reply envelope: a JSON object {"code": <integer>, "msg": <text>,
// "data": <anything>}. Code 200 is success; any other code is an error the server
// reports. A body that is not a JSON object, or whose "code" is not an integer, is
// unreadable. Pure and total: any bytes give a result, never a crash. Thread-safe.

#include <cstdint>
#include <span>

#include "platform/foundation/Result.h"
#include "platform/foundation/Value.h"

inline constexpr const char* kTavroBackendErrorDomain = "TavroBackendErrorDomain";

struct ReplyEnvelope {
    static constexpr int64_t kSuccessCode = 200;

    bool success = false;  // code is 200
    int64_t code = 0;
    // The whole reply object, "data" and "msg" included.
    platform::foundation::ValueDictionary reply;
};

platform::foundation::Result<ReplyEnvelope> parseReplyEnvelope(std::span<const uint8_t> body);
