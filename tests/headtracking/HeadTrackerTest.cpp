#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <thread>

#include "headtracking/HeadTracker.h"

namespace {

TEST(HeadTracker, OrientationIsReadWholeWhileTheFusionWritesIt) {
    std::array<float, 4> quat{5, 5, 5, 5};
    head_imu_get_quat(quat);
    EXPECT_EQ(quat, (std::array<float, 4>{5, 5, 5, 5}));

    auto tracker = std::make_shared<headtracking::HeadTracker>();
    headtracking::setCurrentHeadTracker(tracker);
    head_imu_get_quat(quat);
    EXPECT_EQ(quat, (std::array<float, 4>{0, 0, 0, 1}));

    // A reader never sees a quaternion mixed from two writes.
    tracker->setOrientation({1, 1, 1, 1});
    std::atomic<bool> stop{false};
    std::thread writer([&] {
        for (int i = 0; !stop; ++i) {
            const float v = static_cast<float>(i % 1000);
            tracker->setOrientation({v, v, v, v});
        }
    });
    bool whole = true;
    for (int i = 0; i < 20000 && whole; ++i) {
        head_imu_get_quat(quat);
        whole = quat[0] == quat[1] && quat[1] == quat[2] && quat[2] == quat[3];
    }
    stop = true;
    writer.join();
    EXPECT_TRUE(whole) << quat[0] << " " << quat[1] << " " << quat[2] << " " << quat[3];
    headtracking::setCurrentHeadTracker(nullptr);
}

}  // namespace
