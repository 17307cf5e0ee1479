// Machine values of SystemInfo.h. The installed machine values and the output locks are
// process-wide and never destroyed, so that logging from other objects' destructors at
// exit stays safe.

#include "platform/foundation/SystemInfo.h"

#include <sys/random.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <random>

#include "platform/foundation/Guarded.h"

namespace platform::foundation {

namespace {

Guarded<std::optional<MachineValues>>& machineValues() {
    static auto* values = new Guarded<std::optional<MachineValues>>;
    return *values;
}

std::optional<MachineValues> installedValues() {
    return machineValues().get();
}

std::string trim(const std::string& text) {
    const size_t first = text.find_first_not_of(" \t\r\n");
    if (first == std::string::npos) return "";
    const size_t last = text.find_last_not_of(" \t\r\n");
    return text.substr(first, last - first + 1);
}

std::optional<std::string> cpuModelName() {
    std::ifstream cpuinfo("/proc/cpuinfo");
    std::string line;
    while (std::getline(cpuinfo, line)) {
        const size_t colon = line.find(':');
        if (colon == std::string::npos || trim(line.substr(0, colon)) != "model name") continue;
        std::string value = trim(line.substr(colon + 1));
        if (!value.empty()) return value;
    }
    return std::nullopt;
}

// "en_US.UTF-8" or "de_DE@euro" to "en_US" / "de_DE"; nothing for the C locale.
std::optional<std::string> localeFromEnvironment() {
    const char* lang = std::getenv("LANG");
    if (!lang) return std::nullopt;
    std::string locale(lang);
    locale = locale.substr(0, locale.find_first_of(".@"));
    if (locale.empty() || locale == "C" || locale == "POSIX") return std::nullopt;
    return locale;
}

// A POSIX locale as a language tag. Chinese names its script, as the Mac's language list
// does, so that "zh_CN" finds a "zh-Hans" localisation.
std::string languageTag(const std::string& locale) {
    std::string language = locale.substr(0, locale.find('_'));
    std::string region =
        locale.find('_') == std::string::npos ? "" : locale.substr(locale.find('_') + 1);
    if (language == "zh") {
        const bool traditional = region == "TW" || region == "HK" || region == "MO";
        language += traditional ? "-Hant" : "-Hans";
    }
    return region.empty() ? language : language + "-" + region;
}

Mutex& outputMutex() {
    static auto* mutex = new Mutex;
    return *mutex;
}

void writeLine(FILE* stream, const std::string& text) {
    std::string line = text;
    if (line.empty() || line.back() != '\n') line.push_back('\n');
    MutexLock lock(outputMutex());
    std::fwrite(line.data(), 1, line.size(), stream);
    std::fflush(stream);
}

void fillRandom(uint8_t* bytes, size_t size) {
    size_t done = 0;
    while (done < size) {
        ssize_t got = ::getrandom(bytes + done, size - done, 0);
        if (got < 0) {
            if (errno == EINTR) continue;
            break;
        }
        done += static_cast<size_t>(got);
    }
    if (done < size) {
        // Kernels without getrandom: the library's non-deterministic source.
        std::random_device device;
        for (; done < size; ++done) bytes[done] = static_cast<uint8_t>(device());
    }
}

}  // namespace

void setMachineValues(MachineValues values) {
    machineValues().set(std::move(values));
}

void clearMachineValues() {
    machineValues().set(std::nullopt);
}

std::optional<std::string> sysctlString(const std::string& name) {
    const auto values = installedValues();
    if (name == "machdep.cpu.brand_string") {
        if (values && values->cpuBrand) return values->cpuBrand;
        return cpuModelName();
    }
    if (name == "hw.model") return values ? values->model : std::nullopt;
    return std::nullopt;
}

uint64_t physicalMemory() {
    if (const auto values = installedValues(); values && values->physicalMemory) {
        return *values->physicalMemory;
    }
    const long pages = ::sysconf(_SC_PHYS_PAGES);
    const long pageSize = ::sysconf(_SC_PAGE_SIZE);
    if (pages <= 0 || pageSize <= 0) return 0;
    return static_cast<uint64_t>(pages) * static_cast<uint64_t>(pageSize);
}

std::optional<uint64_t> residentSize() {
    std::ifstream statm("/proc/self/statm");
    uint64_t totalPages = 0, residentPages = 0;
    if (!(statm >> totalPages >> residentPages)) return std::nullopt;
    const long pageSize = ::sysconf(_SC_PAGE_SIZE);
    if (pageSize <= 0) return std::nullopt;
    return residentPages * static_cast<uint64_t>(pageSize);
}

std::optional<std::string> appleLocale() {
    // Installed values are the whole machine: what they leave out is missing, not taken
    // from this Linux machine, so that a simulated Mac does not depend on its host.
    if (const auto values = installedValues()) return values->appleLocale;
    return localeFromEnvironment();
}

std::vector<std::string> preferredLanguages() {
    if (const auto values = installedValues()) return values->preferredLanguages;
    if (const auto locale = localeFromEnvironment()) return {languageTag(*locale)};
    return {};
}

std::string uuidString() {
    uint8_t bytes[16];
    fillRandom(bytes, sizeof bytes);
    bytes[6] = static_cast<uint8_t>((bytes[6] & 0x0F) | 0x40);  // version 4
    bytes[8] = static_cast<uint8_t>((bytes[8] & 0x3F) | 0x80);  // RFC 4122 variant
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string text;
    text.reserve(36);
    for (size_t i = 0; i < sizeof bytes; ++i) {
        if (i == 4 || i == 6 || i == 8 || i == 10) text.push_back('-');
        text.push_back(kHex[bytes[i] >> 4]);
        text.push_back(kHex[bytes[i] & 15]);
    }
    return text;
}

void systemLog(const std::string& message) {
    writeLine(stderr, message);
}

void standardOutputLine(const std::string& line) {
    writeLine(stdout, line);
}

}  // namespace platform::foundation
