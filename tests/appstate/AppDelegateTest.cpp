#include <gtest/gtest.h>

#include <thread>

#include "appstate/AppDelegate.h"

namespace {

// Threads write and read whole values; under ThreadSanitizer this shows the fields are safe
// to share.
TEST(AppDelegate, FieldsAreSharedSafelyBetweenThreads) {
    AppDelegate delegate;
    std::thread writer([&] {
        for (int i = 0; i < 2000; ++i) {
            delegate.glassStatus = (i % 2) == 0;
            delegate.glassVersion.set(i % 2 ? "TAVRO2_FW_V1.65" : "TAVRO2_FW_V-1.0");
            delegate.depthValue = 0.001f * static_cast<float>(i % 15);
        }
    });
    for (int i = 0; i < 2000; ++i) {
        std::string version = delegate.glassVersion.get();
        ASSERT_TRUE(version == "V-1.0" || version == "TAVRO2_FW_V1.65" ||
                    version == "TAVRO2_FW_V-1.0");
        ASSERT_LE(delegate.depthValue.load(), 0.015f);
        (void)delegate.glassStatus.load();
    }
    writer.join();
}

}  // namespace
