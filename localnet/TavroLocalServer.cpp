#include "localnet/TavroLocalServer.h"

#include <string>

#include "appstate/AppDelegate.h"
#include "platform/foundation/SystemInfo.h"
#include "platform/foundation/ValueJson.h"

using platform::foundation::Value;

// GCC 12 at -O2 takes the text and data alternatives of a Value holding a number for
// uninitialised when it inlines the dictionary below (a known std::variant false positive).
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif

TavroLocalServer& TavroLocalServer::shareManager() {
    static TavroLocalServer server(defaultPort());
    return server;
}

uint16_t TavroLocalServer::defaultPort() {
    return static_cast<uint16_t>(std::stol("84999") & 0xFFFF);
}

TavroLocalServer::TavroLocalServer(uint16_t preferredPort) : socket_(preferredPort) {}

std::optional<Value> TavroLocalServer::biasDict() const {
    const std::optional<BiasDict> bias = biasDict_.get();
    if (!bias) return std::nullopt;
    platform::foundation::ValueDictionary dict;
    dict.emplace("type", bias->type);
    dict.emplace("value",
                 bias->value ? bias->value->entries() : platform::foundation::ValueArray{});
    return Value(std::move(dict));
}

void TavroLocalServer::sendTextMessageWithDict(const Value& dict) {
    if (!dict.isDictionary() || dict.count() == 0) return;
    const Value& type = dict["type"];
    if (type.isNumber()) {
        int64_t kind = type.asInt64();
        if ((kind == 5 || kind == 7 || kind == 8) && !AppDelegate::shared().glassStatus) return;
    }
    if (!socket_.hasClient()) {
        platform::foundation::systemLog("socket未连接");
        return;
    }
    auto text = platform::foundation::jsonText(dict);
    if (!text) return;
    socket_.send(*text + "\r\n");
}

void TavroLocalServer::changeImmersion(int32_t value) {
    if (auto server = AppDelegate::shared().vxServer.get()) server->changeImmersion(value);
}
