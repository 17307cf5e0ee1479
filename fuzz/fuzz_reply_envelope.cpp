// The backend's reply envelope: any bytes give a reply or an error, never a crash.

#include <cstddef>
#include <cstdint>
#include <span>

#include "backend/ReplyEnvelope.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    auto result = parseReplyEnvelope(std::span<const uint8_t>(data, size));
    if (result) {
        // What the update check reads of a reply.
        const auto& reply = result->reply;
        if (auto found = reply.find("data"); found != reply.end() && found->second.isDictionary()) {
            (void)found->second["version"].text();
            (void)found->second["downloadUrl"].text();
        }
    }
    return 0;
}
