#pragma once
// Errors of system calls as Error values ("NSPOSIXErrorDomain", the errno as the code),
// the way the platform reports failed file operations. Internal to the foundation library;
// thread-safe.

#include <cstring>
#include <string>

#include "platform/foundation/Error.h"

namespace platform::foundation {

inline Error posixError(int code, const std::string& what) {
    char buffer[256];
    // The GNU strerror_r may return a static text instead of filling the buffer.
    const char* message = strerror_r(code, buffer, sizeof buffer);
    return Error{"NSPOSIXErrorDomain", code, what + ": " + message};
}

}  // namespace platform::foundation
