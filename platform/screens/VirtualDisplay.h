#pragma once
// Virtual displays: a descriptor (name, colour primaries, size, serial, product and vendor
// numbers, the queue for the display's own work), the modes and settings, and the display
// itself. Applying settings brings the display up among the online displays with the
// descriptor's name, numbers and the settings' modes; it leaves when the last reference to
// the display is dropped. Creation fails (null) where the display server cannot make
// virtual displays.
//
// A display object is used by one thread at a time; creation and destruction may happen
// on any thread.

#include <memory>
#include <string>
#include <vector>

#include "platform/foundation/Dispatch.h"
#include "platform/screens/DisplayServer.h"
#include "platform/screens/DisplayTypes.h"

namespace platform::screens {

class VirtualDisplayDescriptor {
  public:
    void setQueue(foundation::DispatchQueuePtr queue) { queue_ = std::move(queue); }
    void setName(std::string name) { name_ = std::move(name); }
    void setWhitePoint(Point point) { whitePoint_ = point; }
    void setRedPrimary(Point point) { redPrimary_ = point; }
    void setGreenPrimary(Point point) { greenPrimary_ = point; }
    void setBluePrimary(Point point) { bluePrimary_ = point; }
    void setMaxPixelsWide(uint32_t pixels) { maxPixelsWide_ = pixels; }
    void setMaxPixelsHigh(uint32_t pixels) { maxPixelsHigh_ = pixels; }
    void setSizeInMillimeters(Point size) { sizeInMillimeters_ = size; }
    void setSerialNum(uint32_t serial) { serialNum_ = serial; }
    void setProductID(uint32_t product) { productID_ = product; }
    void setVendorID(uint32_t vendor) { vendorID_ = vendor; }

    const foundation::DispatchQueuePtr& queue() const { return queue_; }
    const std::string& name() const { return name_; }
    Point whitePoint() const { return whitePoint_; }
    Point redPrimary() const { return redPrimary_; }
    Point greenPrimary() const { return greenPrimary_; }
    Point bluePrimary() const { return bluePrimary_; }
    uint32_t maxPixelsWide() const { return maxPixelsWide_; }
    uint32_t maxPixelsHigh() const { return maxPixelsHigh_; }
    Point sizeInMillimeters() const { return sizeInMillimeters_; }
    uint32_t serialNum() const { return serialNum_; }
    uint32_t productID() const { return productID_; }
    uint32_t vendorID() const { return vendorID_; }

  private:
    foundation::DispatchQueuePtr queue_;
    std::string name_;
    Point whitePoint_, redPrimary_, greenPrimary_, bluePrimary_, sizeInMillimeters_;
    uint32_t maxPixelsWide_ = 0;
    uint32_t maxPixelsHigh_ = 0;
    uint32_t serialNum_ = 0;
    uint32_t productID_ = 0;
    uint32_t vendorID_ = 0;
};

struct VirtualDisplayMode {
    uint32_t width = 0;
    uint32_t height = 0;
    double refreshRate = 0;
};

struct VirtualDisplaySettings {
    uint32_t hiDPI = 0;
    std::vector<VirtualDisplayMode> modes;
};

class VirtualDisplay {
  public:
    // Null when the display server cannot make virtual displays.
    static std::shared_ptr<VirtualDisplay> make(const VirtualDisplayDescriptor& descriptor);
    ~VirtualDisplay();
    VirtualDisplay(const VirtualDisplay&) = delete;
    VirtualDisplay& operator=(const VirtualDisplay&) = delete;

    // Brings the display up (or gives it new modes); false when the settings are refused.
    bool applySettings(const VirtualDisplaySettings& settings);
    DisplayId displayID() const { return displayID_; }
    const VirtualDisplayDescriptor& descriptor() const { return descriptor_; }

  private:
    VirtualDisplay(std::shared_ptr<DisplayServer> server, VirtualDisplayDescriptor descriptor,
                   DisplayId id);

    std::shared_ptr<DisplayServer> server_;
    VirtualDisplayDescriptor descriptor_;
    DisplayId displayID_;
    bool shown_ = false;
};

}  // namespace platform::screens
