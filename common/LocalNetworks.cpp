#include <ifaddrs.h>
#include <net/if.h>
#include <netdb.h>
#include <sys/socket.h>

#include <array>
#include <charconv>
#include <cstring>
#include <span>

#include "common/GlobalHelpers.h"
#include "common/Utf8Text.h"

namespace common {
namespace {

std::optional<std::string> numericHost(const sockaddr* address) {
    std::array<char, 1025> host{};
    if (getnameinfo(address, sizeof(sockaddr_in), host.data(), host.size(), nullptr, 0,
                    NI_NUMERICHOST) != 0) {
        return std::nullopt;
    }
    const size_t length = strnlen(host.data(), host.size());
    return textFromUtf8Bytes(std::span(reinterpret_cast<const uint8_t*>(host.data()), length));
}

}  // namespace

std::vector<std::string> localIPv4Networks() {
    std::vector<std::string> networks;
    ifaddrs* interfaces = nullptr;
    if (getifaddrs(&interfaces) != 0) return networks;
    for (const ifaddrs* entry = interfaces; entry; entry = entry->ifa_next) {
        if ((entry->ifa_flags & (IFF_UP | IFF_RUNNING | IFF_LOOPBACK)) != (IFF_UP | IFF_RUNNING)) {
            continue;
        }
        if (!entry->ifa_addr || !entry->ifa_netmask || entry->ifa_addr->sa_family != AF_INET) {
            continue;
        }
        auto address = numericHost(entry->ifa_addr);
        auto netmask = numericHost(entry->ifa_netmask);
        if (!address || !netmask) continue;
        networks.push_back(*address + "/" + netmaskPrefixLength(*netmask));
    }
    freeifaddrs(interfaces);
    return networks;
}

std::string netmaskPrefixLength(const std::string& netmask) {
    int64_t ones = 0;
    size_t start = 0;
    while (start <= netmask.size()) {
        size_t end = netmask.find('.', start);
        if (end == std::string::npos) end = netmask.size();
        // A part that is not a number reads as 0, as the platform's integer reading does.
        int64_t part = 0;
        const char* first = netmask.data() + start;
        const char* last = netmask.data() + end;
        while (first < last && *first == ' ') ++first;
        if (first < last && *first == '+') ++first;
        std::from_chars(first, last, part);
        if (part < 0) return {};
        for (uint64_t bits = static_cast<uint64_t>(part); bits; bits &= bits - 1) ++ones;
        start = end + 1;
    }
    return std::to_string(ones);
}

}  // namespace common
