#pragma once
// What a programming run reports: progress in whole percents, then success or a failure
// code (-1 firmware file, -2 no synchronisation / incomplete image / run command not sent,
// -4 image larger than the APROM, -5 a block refused). Called on the programming thread.

#include <cstdint>

class IProgramFlashCallback {
  public:
    virtual void start() = 0;
    virtual void progress(float percent) = 0;
    virtual void success() = 0;
    virtual void fail(int32_t code) = 0;

  protected:
    ~IProgramFlashCallback() = default;
};
