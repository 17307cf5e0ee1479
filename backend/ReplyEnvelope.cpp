#include "backend/ReplyEnvelope.h"

#include <string_view>

#include "platform/foundation/ValueJson.h"

namespace fdn = platform::foundation;

fdn::Result<ReplyEnvelope> parseReplyEnvelope(std::span<const uint8_t> body) {
    std::string_view text(reinterpret_cast<const char*>(body.data()), body.size());
    TAVRO_TRY(value, fdn::parseJsonText(text));
    if (!value.isDictionary())
        return fdn::Error{kTavroBackendErrorDomain, 1, "the reply is not a JSON object"};
    if (!value["code"].isInteger())
        return fdn::Error{kTavroBackendErrorDomain, 2, "the reply carries no code"};
    ReplyEnvelope envelope;
    envelope.code = value["code"].asInt64();
    envelope.success = envelope.code == ReplyEnvelope::kSuccessCode;
    envelope.reply = value.dictionary();
    return envelope;
}
