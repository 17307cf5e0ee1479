#pragma once
// System values of the machine: the sysctl-style values, memory, the machine's locale and
// preferred languages, UUIDs, and the two diagnostic outlets (system log, standard
// output). The run's factory installs a simulated Mac's profile values with
// setMachineValues; without them the values come from this Linux machine where it has
// them ("machdep.cpu.brand_string" from /proc/cpuinfo) and are missing where it does not
// ("hw.model").
// Thread-safe.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace platform::foundation {

struct MachineValues {
    std::optional<std::string> model;             // "hw.model", e.g. "MacBookPro18,3"
    std::optional<std::string> cpuBrand;          // "machdep.cpu.brand_string"
    std::optional<uint64_t> physicalMemory;       // bytes
    std::optional<std::string> appleLocale;       // global default "AppleLocale", e.g. "zh_CN"
    std::vector<std::string> preferredLanguages;  // e.g. {"zh-Hans-CN", "en-US"}
};

void setMachineValues(MachineValues values);
void clearMachineValues();  // back to this machine's own values

std::optional<std::string> sysctlString(const std::string& name);
uint64_t physicalMemory();
std::optional<uint64_t> residentSize();  // of this process, bytes
std::optional<std::string> appleLocale();
std::vector<std::string> preferredLanguages();

// A new random (version 4) UUID in upper-case text, "E621E1F8-C36C-495A-93FC-0C247A3E6E5F".
std::string uuidString();

// One line on the system log (standard error here).
void systemLog(const std::string& message);
// One line on standard output.
void standardOutputLine(const std::string& line);

}  // namespace platform::foundation
