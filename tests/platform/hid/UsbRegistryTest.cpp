#include <gtest/gtest.h>

#include "platform/foundation/Dispatch.h"
#include "platform/hid/SerialPorts.h"
#include "platform/hid/UsbNotificationPort.h"
#include "platform/sim/VirtualUsbDevice.h"

using platform::foundation::Value;
using platform::foundation::ValueDictionary;
using namespace platform::hid;
using platform::sim::VirtualUsbDevice;
using platform::sim::VirtualUsbIdentity;

namespace {

std::shared_ptr<VirtualUsbDevice> device(int64_t product, std::optional<std::string> callout) {
    auto made = std::make_shared<VirtualUsbDevice>(
        VirtualUsbIdentity{0x0483, product, "Device", "Vendor", "SN1", std::move(callout)});
    made->setRegistryEntryId(static_cast<uint64_t>(product));
    return made;
}

Value usbMatching(int64_t product) {
    ValueDictionary matching = serviceMatching("IOUSBDevice").dictionary();
    matching.insert({{"VendorID", int64_t{0x0483}}, {"ProductID", product}});
    return Value(std::move(matching));
}

TEST(SerialPorts, MatchingListsSerialClientsOfTheInstalledRegistry) {
    UsbRegistry registry;
    registry.attach(device(1, "/dev/cu.usbmodem1"));
    registry.attach(device(2, std::nullopt));
    installSerialPortSource(registrySerialPorts(registry));

    EXPECT_FALSE(matchingSerialServices(Value("IOSerialBSDClient")));
    EXPECT_FALSE(matchingSerialServices(Value(ValueDictionary{})));
    EXPECT_TRUE(matchingSerialServices(serviceMatching("IOUSBDevice"))->empty());

    ValueDictionary streams = serviceMatching("IOSerialBSDClient").dictionary();
    streams["IOSerialBSDClientType"] = std::string("IOSerialStream");
    auto services = matchingSerialServices(Value(streams));
    ASSERT_TRUE(services);
    ASSERT_EQ(services->size(), 1u);
    const auto& port = (*services)[0];
    EXPECT_EQ(port.property("IOCalloutDevice").text(), "/dev/cu.usbmodem1");
    // USB identity belongs to the parent: found by searching, not on the client itself.
    EXPECT_TRUE(port.property("USB Product Name").isNull());
    EXPECT_EQ(port.searchProperty("USB Product Name").text(), "Device");
    EXPECT_EQ(port.searchProperty("idProduct").asInt64(), 1);
    EXPECT_TRUE(port.searchProperty("Nothing").isNull());

    streams["IOSerialBSDClientType"] = std::string("IOModemSerialStream");
    EXPECT_TRUE(matchingSerialServices(Value(streams))->empty());
    installSerialPortSource(nullptr);
}

// A notice starts with the devices present and its handlers run on the port's queue. As on
// the platform, a notice is armed by draining its iterator: until then devices gather in
// it without a handler call, so that whoever drains it first sees every one of them.
TEST(UsbNotificationPort, NoticesStartWithPresentDevicesAndAreArmedByDrainingOnTheQueue) {
    UsbRegistry registry;
    auto present = device(1, std::nullopt);
    registry.attach(present);
    auto port = UsbNotificationPort::create(registry);
    EXPECT_FALSE(port->addMatchingNotification(UsbNotice::FirstMatch, usbMatching(1),
                                               [](UsbServiceIterator&) {}));  // no queue yet
    auto queue = platform::foundation::makeSerialQueue("IODetector");
    port->setDispatchQueue(queue);
    EXPECT_FALSE(port->addMatchingNotification(UsbNotice::FirstMatch, Value(1), nullptr));

    std::vector<std::pair<char, uint64_t>> seen;  // by the handlers, on the queue
    bool offQueue = false;
    auto handler = [&](char kind) {
        return [&, kind](UsbServiceIterator& iterator) {
            offQueue |= !queue->isCurrent();
            while (auto service = iterator.next())
                seen.emplace_back(kind, service->registryEntryId());
        };
    };
    int calls = 0;  // on the queue
    auto added = port->addMatchingNotification(UsbNotice::FirstMatch, usbMatching(1), handler('+'));
    auto removed =
        port->addMatchingNotification(UsbNotice::Terminate, usbMatching(1), handler('-'));
    auto undrained = port->addMatchingNotification(UsbNotice::FirstMatch, usbMatching(1),
                                                   [&](UsbServiceIterator&) { ++calls; });
    ASSERT_TRUE(added && removed && undrained);
    auto initial = added->next();
    ASSERT_TRUE(initial);
    EXPECT_EQ(initial->registryEntryId(), 1u);
    EXPECT_EQ(initial->release(), kIOReturnSuccess);
    EXPECT_NE(initial->release(), kIOReturnSuccess);
    EXPECT_FALSE(added->next());  // drained: armed
    EXPECT_FALSE(removed->next());

    registry.attach(device(2, std::nullopt));  // another product: not matched
    registry.detach(present);
    auto again = device(1, std::nullopt);
    registry.attach(again);
    queue->sync([] {});
    EXPECT_EQ(seen, (std::vector<std::pair<char, uint64_t>>{{'-', 1}, {'+', 1}}));
    EXPECT_FALSE(offQueue);
    EXPECT_EQ(calls, 0) << "nothing is told before the first drain";
    int gathered = 0;
    while (undrained->next()) ++gathered;
    EXPECT_EQ(gathered, 2);  // the present device and the one that came again

    // Armed now: one call for two arrivals, and no second one until the handler drains.
    registry.attach(device(1, std::nullopt));
    registry.attach(device(1, std::nullopt));
    queue->sync([] {});
    EXPECT_EQ(calls, 1);
    const size_t before = seen.size();
    port->destroy();
    registry.detach(again);
    queue->sync([] {});
    EXPECT_EQ(seen.size(), before);
}

}  // namespace
