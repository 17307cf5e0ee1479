#pragma once
// What the companion server and the other holders of the shared state ask of the glasses
// control server, without depending on the glasses link; the glasses control server
// implements it. Its operations may be called from any thread.

#include <cstdint>

class VXServerInterface {
  public:
    virtual ~VXServerInterface() = default;
    // Stores the glasses' immersion setting (and remembers it for the next plug-in).
    virtual void changeImmersion(int32_t value) = 0;
};
