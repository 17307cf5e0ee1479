#pragma once
// An error object with a domain and a code, as the platform's error objects carry.

#include <string>

namespace platform::foundation {

struct Error {
    std::string domain;
    int code = 0;
    std::string localizedDescription;
};

}  // namespace platform::foundation
