#pragma once
// The constants an IMU calibration works with: π, and how far a reading may stray from
// gravity and from rest. Constant values; any thread.

#include <numbers>

class TavroIMUCalibrator {
  public:
    const float PI = std::numbers::pi_v<float>;
    const float GRAVITY_TOLERANCE = 0.9f;
    const float GYRO_TOLERANCE = 0.05f;
};
