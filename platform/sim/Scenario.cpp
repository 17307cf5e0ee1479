#include "platform/sim/Scenario.h"

#include <cerrno>
#include <cmath>
#include <map>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>

#include "platform/foundation/FileSystem.h"
#include "platform/sim/SimBackendServer.h"

namespace platform::sim {

namespace {

using nlohmann::json;
using Action = ScenarioStep::Action;

// Scenarios are a few kilobytes; anything near this is not one.
constexpr uint64_t kMaximumScenarioSize = 1024 * 1024;

foundation::Error scenarioError(const std::string& what) {
    return {"SimMac.scenario", 1, "scenario: " + what};
}

const std::map<std::string, Action>& actionNames() {
    static const std::map<std::string, Action> names = {
        {"wait", Action::Wait},
        {"plug", Action::Plug},
        {"unplug", Action::Unplug},
        {"click", Action::Click},
        {"clickStatusItem", Action::ClickStatusItem},
        {"volumeKey", Action::VolumeKey},
        {"lock", Action::Lock},
        {"unlock", Action::Unlock},
        {"sleep", Action::Sleep},
        {"wake", Action::Wake},
        {"reopen", Action::Reopen},
        {"answerAlert", Action::AnswerAlert},
        {"expectPanel", Action::ExpectPanel},
        {"expectAlert", Action::ExpectAlert},
        {"expectLog", Action::ExpectLog},
        {"expectFirmware", Action::ExpectFirmware},
        {"expectQuit", Action::ExpectQuit},
        {"quit", Action::Quit},
        {"backend", Action::Backend},
        {"activateApp", Action::ActivateApp},
        {"quitApp", Action::QuitApp},
    };
    return names;
}

std::string actionName(Action action) {
    for (const auto& [name, named] : actionNames()) {
        if (named == action) return name;
    }
    return "?";
}

// Field readers: false when the field is there with the wrong kind (or, for required
// fields, missing).
bool readText(const json& object, const char* key, std::string& out, bool required) {
    auto found = object.find(key);
    if (found == object.end()) return !required;
    if (!found->is_string()) return false;
    out = found->get<std::string>();
    return true;
}

bool readSeconds(const json& object, const char* key, double& out, bool required) {
    auto found = object.find(key);
    if (found == object.end()) return !required;
    if (!found->is_number()) return false;
    double value = found->get<double>();
    // A day of clock time is far beyond any scenario; it also keeps conversions finite.
    if (!std::isfinite(value) || value < 0 || value > 86400) return false;
    out = value;
    return true;
}

bool readInteger(const json& object, const char* key, std::optional<int64_t>& out) {
    auto found = object.find(key);
    if (found == object.end()) return true;
    if (!found->is_number_integer()) return false;
    out = found->get<int64_t>();
    return true;
}

// What is wrong with a step's fields, or nothing when they are all right.
using Complaint = std::optional<std::string>;

Complaint readWait(const json& entry, ScenarioStep& step) {
    if (!readSeconds(entry, "seconds", step.seconds, true))
        return "seconds is a number from 0 to 86400";
    return std::nullopt;
}

Complaint readPlug(const json& entry, ScenarioStep& step) {
    std::string kind = "gen2";
    if (!readText(entry, "device", step.device, true)) return "device is a text";
    if (!readText(entry, "kind", kind, false)) return "kind is a text";
    if (kind != "gen1" && kind != "gen2" && kind != "gen2pro" && kind != "wake" &&
        kind != "bootloader") {
        return "unknown kind " + kind;
    }
    step.glasses.kind = kind;
    std::string version;
    if (!readText(entry, "firmware", version, false)) return "firmware is a text";
    if (entry.contains("firmware")) step.glasses.firmware = version;
    if (!readInteger(entry, "vendorId", step.glasses.vendorId) ||
        !readInteger(entry, "productId", step.glasses.productId)) {
        return "vendorId and productId are integers";
    }
    if (!readSeconds(entry, "imuRate", step.imuRate, false))
        return "imuRate is a number of samples a second";
    for (auto* id : {&step.glasses.vendorId, &step.glasses.productId}) {
        if (*id && (**id < 0 || **id > 0xFFFF)) return "identifiers are 16-bit";
    }
    return std::nullopt;
}

Complaint readUnplug(const json& entry, ScenarioStep& step) {
    if (!readText(entry, "device", step.device, true)) return "device is a text";
    std::optional<int64_t> bytes;
    if (!readInteger(entry, "afterBytes", bytes) || (bytes && *bytes < 0))
        return "afterBytes is a count of bytes";
    if (bytes) step.afterBytes = static_cast<uint64_t>(*bytes);
    if (!readSeconds(entry, "within", step.seconds, false)) return "within is a number of seconds";
    return std::nullopt;
}

Complaint readClick(const json& entry, ScenarioStep& step) {
    // An empty name would find the window's content view and click its middle, which checks
    // nothing the scenario meant.
    if (!readText(entry, "outlet", step.text, true) || step.text.empty())
        return "outlet names a view";
    auto at = entry.find("at");
    if (at != entry.end()) {
        if (!at->is_number() || !(at->get<double>() >= 0 && at->get<double>() <= 1))
            return "at is a number from 0 to 1";
        step.at = at->get<double>();
    }
    return std::nullopt;
}

Complaint readClickStatusItem(const json& entry, ScenarioStep& step) {
    step.text = "left";
    if (!readText(entry, "button", step.text, false) ||
        (step.text != "left" && step.text != "right")) {
        return "button is \"left\" or \"right\"";
    }
    return std::nullopt;
}

Complaint readVolumeKey(const json& entry, ScenarioStep& step) {
    if (!readText(entry, "key", step.text, true) ||
        (step.text != "up" && step.text != "down" && step.text != "mute")) {
        return "key is \"up\", \"down\" or \"mute\"";
    }
    return std::nullopt;
}

Complaint readAnswerAlert(const json& entry, ScenarioStep& step) {
    auto button = entry.find("button");
    if (button != entry.end()) {
        if (!button->is_number_integer() || button->get<int64_t>() < 1 ||
            button->get<int64_t>() > 16) {
            return "button is a number from 1";
        }
        step.button = static_cast<int>(button->get<int64_t>());
    }
    if (!readText(entry, "message", step.text, false)) return "message is a text";
    return std::nullopt;
}

// An expectation waits 10 s unless told otherwise.
Complaint readWithin(const json& entry, ScenarioStep& step) {
    step.seconds = 10;
    if (!readSeconds(entry, "within", step.seconds, false)) return "within is a number of seconds";
    return std::nullopt;
}

Complaint readExpectFirmware(const json& entry, ScenarioStep& step) {
    if (!readText(entry, "device", step.device, true)) return "device is a text";
    if (!readText(entry, "firmware", step.text, true)) return "firmware is a text";
    return readWithin(entry, step);
}

// expectPanel, expectAlert and expectLog: the text to find, under a key of their own.
Complaint readExpectText(const json& entry, ScenarioStep& step) {
    const char* key = step.action == Action::ExpectPanel   ? "panel"
                      : step.action == Action::ExpectAlert ? "message"
                                                           : "line";
    if (!readText(entry, key, step.text, true)) return std::string(key) + " is a text";
    return readWithin(entry, step);
}

Complaint readBackend(const json& entry, ScenarioStep& step) {
    if (!readText(entry, "mode", step.backendMode, false) ||
        !readText(entry, "offerVersion", step.offerVersion, false) ||
        !readText(entry, "releaseNote", step.releaseNote, false)) {
        return "mode, offerVersion and releaseNote are texts";
    }
    if (!step.backendMode.empty() && !SimBackendServer::modeNamed(step.backendMode))
        return "unknown mode " + step.backendMode;
    if (step.backendMode.empty() && step.offerVersion.empty())
        return "names a mode or a version to offer";
    return std::nullopt;
}

Complaint readApplicationName(const json& entry, ScenarioStep& step) {
    if (!readText(entry, "name", step.text, true) || step.text.empty()) return "name is a text";
    return std::nullopt;
}

// The fields of the step's action.
Complaint readFields(const json& entry, ScenarioStep& step) {
    switch (step.action) {
        case Action::Wait:
            return readWait(entry, step);
        case Action::Plug:
            return readPlug(entry, step);
        case Action::Unplug:
            return readUnplug(entry, step);
        case Action::Click:
            return readClick(entry, step);
        case Action::ClickStatusItem:
            return readClickStatusItem(entry, step);
        case Action::VolumeKey:
            return readVolumeKey(entry, step);
        case Action::AnswerAlert:
            return readAnswerAlert(entry, step);
        case Action::ExpectQuit:
            return readWithin(entry, step);
        case Action::ExpectFirmware:
            return readExpectFirmware(entry, step);
        case Action::ExpectPanel:
        case Action::ExpectAlert:
        case Action::ExpectLog:
            return readExpectText(entry, step);
        case Action::Backend:
            return readBackend(entry, step);
        case Action::ActivateApp:
        case Action::QuitApp:
            return readApplicationName(entry, step);
        case Action::Lock:
        case Action::Unlock:
        case Action::Sleep:
        case Action::Wake:
        case Action::Reopen:
        case Action::Quit:
            break;
    }
    return std::nullopt;
}

foundation::Result<ScenarioStep> parseStep(const json& entry) {
    ScenarioStep step;
    if (!entry.is_object()) return scenarioError("a step is an object");
    std::string name;
    if (!readText(entry, "do", name, true)) return scenarioError("a step names what to do");
    auto action = actionNames().find(name);
    if (action == actionNames().end()) return scenarioError("unknown step \"" + name + "\"");
    step.action = action->second;
    if (auto complaint = readFields(entry, step))
        return scenarioError("step \"" + name + "\": " + *complaint);
    return step;
}

}  // namespace

foundation::Result<Scenario> parseScenario(std::string_view text) {
    json root = json::parse(text, nullptr, false);
    if (root.is_discarded() || !root.is_object()) return scenarioError("not a JSON object");
    Scenario scenario;
    if (!readText(root, "name", scenario.name, false)) return scenarioError("name is a text");
    std::string machine;
    if (!readText(root, "machine", machine, false)) return scenarioError("machine is a text");
    if (root.contains("machine")) scenario.machine = machine;
    if (auto permissions = root.find("permissions"); permissions != root.end()) {
        if (!permissions->is_object()) return scenarioError("permissions is an object");
        Permissions granted;
        for (auto [key, slot] : {std::pair{"screenRecording", &granted.screenRecording},
                                 std::pair{"accessibility", &granted.accessibility}}) {
            auto found = permissions->find(key);
            if (found == permissions->end()) continue;
            if (!found->is_boolean()) return scenarioError("permissions are Booleans");
            *slot = found->get<bool>();
        }
        scenario.permissions = granted;
    }
    auto steps = root.find("steps");
    if (steps == root.end() || !steps->is_array()) return scenarioError("steps is a list");
    const auto atStep = [](foundation::Error error, size_t index) {
        error.localizedDescription += " (step " + std::to_string(index + 1) + ")";
        return error;
    };
    // Once the application has quit, asked to or by itself, there is nothing left to act on
    // or to check: the steps after it could only be skipped, and the scenario would pass
    // what it never looked at.
    std::optional<size_t> quitAt;
    for (size_t i = 0; i < steps->size(); ++i) {
        auto step = parseStep((*steps)[i]);
        if (!step) return atStep(std::move(step).error(), i);
        if (quitAt) {
            return atStep(
                scenarioError("step \"" + actionName(step->action) + "\" comes after \"" +
                              actionName(scenario.steps[*quitAt].action) + "\" at step " +
                              std::to_string(*quitAt + 1) + ": the application is gone by then"),
                i);
        }
        if (step->action == Action::Quit || step->action == Action::ExpectQuit) quitAt = i;
        scenario.steps.push_back(std::move(step).value());
    }
    return scenario;
}

foundation::Result<Scenario> loadScenario(const std::string& path) {
    // The path comes from the command line: a FIFO must not block the start, nor a device or
    // a huge file fill the memory.
    auto data = foundation::readRegularFile(path, kMaximumScenarioSize);
    if (!data) {
        const int code = data.error().code;
        if (code == EFBIG) return scenarioError("larger than a scenario can be (1 MiB)");
        if (code == EINVAL || code == EISDIR)
            return scenarioError("not a regular file (a folder, a FIFO or a device)");
        return scenarioError(std::move(data).error().localizedDescription);
    }
    return parseScenario(
        std::string_view(reinterpret_cast<const char*>(data->data()), data->size()));
}

}  // namespace platform::sim
