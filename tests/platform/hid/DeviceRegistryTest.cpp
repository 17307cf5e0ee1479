#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <memory>
#include <thread>
#include <utility>
#include <vector>

#include "platform/hid/DeviceRegistry.h"

namespace {

using platform::foundation::Subscription;
using Registry = platform::hid::DeviceRegistry<int>;

// A listener is told without the registry's lock: another thread that reads the registry
// while the listener waits for it is answered, and sees the change being told. A listener
// may end its own subscription from inside its call, and a subscription may outlive its
// registry.
TEST(DeviceRegistry, ListenersRunWithoutTheRegistryLockAndMayEndTheirOwnSubscription) {
    std::vector<std::pair<int, bool>> seen;
    std::vector<size_t> listedByReader;
    std::vector<std::thread> readers;
    Subscription listener;
    {
        Registry registry;
        auto one = std::make_shared<int>(1);
        auto two = std::make_shared<int>(2);
        registry.attach(one);
        listener = registry.addListener([&](const std::shared_ptr<int>& device, bool attached) {
            seen.emplace_back(*device, attached);
            std::promise<size_t> listed;
            auto answer = listed.get_future();
            readers.emplace_back([&registry, listed = std::move(listed)]() mutable {
                listed.set_value(registry.devices().size());
            });
            const bool answered =
                answer.wait_for(std::chrono::seconds(5)) == std::future_status::ready;
            listedByReader.push_back(answered ? answer.get() : 0);
            if (!attached) listener.reset();
        });
        registry.attach(two);
        registry.detach(one);
        registry.attach(one);  // the listener has gone
        for (auto& reader : readers) reader.join();
        EXPECT_EQ(seen, (std::vector<std::pair<int, bool>>{{1, true}, {2, true}, {1, false}}));
        EXPECT_EQ(listedByReader, (std::vector<size_t>{1, 2, 1}));
        listener = registry.addListener([](const std::shared_ptr<int>&, bool) {});
    }
    listener.reset();  // its registry has gone before it: nothing to remove
}

}  // namespace
