#pragma once
// The hidapi backend for real devices: Debian's hidapi library with its hidraw backend.
// The only file of the project that sees the library's header is its implementation.
// Thread-safety as the library's.

#include <memory>

#include "platform/hid/HidApi.h"

namespace platform::hid {

std::shared_ptr<HidApi> makeRealHidApi();

}  // namespace platform::hid
