#pragma once
// The one slot through which a platform area reaches its backend (the display server, the
// audio hardware, hidapi, ...): the factory of a run installs each backend before any thread
// starts, tests install their own, and every caller reads the current one. A reader keeps
// the backend it got alive for as long as it holds it, even if another is installed
// meanwhile. Thread-safe.
//
// Declare one per area, at namespace scope so that it outlives every other static:
//   constinit InstalledBackend<DisplayServer> installedServer;
//   constinit InstalledBackend<HidApi> selectedApi(&makeRealHidApi);   // with a fallback

#include <memory>
#include <utility>

#include "platform/foundation/Guarded.h"

namespace platform::foundation {

template <class T>
class InstalledBackend {
  public:
    using Maker = std::shared_ptr<T> (*)();

    constexpr InstalledBackend() = default;
    // `fallback` makes the backend used while none is installed (the real one); it is made
    // on first need and kept until another backend is installed.
    constexpr explicit InstalledBackend(Maker fallback) : fallback_(fallback) {}
    InstalledBackend(const InstalledBackend&) = delete;
    InstalledBackend& operator=(const InstalledBackend&) = delete;

    // The installed backend, else the fallback's, else null.
    std::shared_ptr<T> get() const {
        return backend_.update([this](std::shared_ptr<T>& backend) {
            if (!backend && fallback_) backend = fallback_();
            return backend;
        });
    }
    // Installs `backend`; null goes back to the fallback (or to none).
    void install(std::shared_ptr<T> backend) { backend_.set(std::move(backend)); }
    // Installs `backend` and returns the one it replaces (null if none was made yet).
    std::shared_ptr<T> exchange(std::shared_ptr<T> backend) {
        return backend_.exchange(std::move(backend));
    }

  private:
    const Maker fallback_ = nullptr;
    mutable Guarded<std::shared_ptr<T>> backend_;
};

}  // namespace platform::foundation
