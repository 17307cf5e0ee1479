// View descriptions from arbitrary bytes: a clear error or a view tree, never a crash.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "platform/foundation/Bundle.h"
#include "platform/ui/Button.h"
#include "platform/ui/ViewDescription.h"

namespace {

class FuzzOwner : public platform::ui::DescriptionOwner {
  public:
    FuzzOwner() {
        declareOutlet("view", &view);
        declareOutlet("button", &button);
        declareAction("act:", [](platform::ui::UiObject&) {});
    }
    std::string ownerName() const override { return "FuzzOwner"; }
    std::weak_ptr<platform::ui::View> view;
    std::weak_ptr<platform::ui::Button> button;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static bool once = [] {
        // No pictures to find: image names fail fast instead of reading files.
        platform::foundation::Bundle::setMainBundlePath("/nonexistent-bundle");
        return true;
    }();
    (void)once;
    std::string_view text(reinterpret_cast<const char*>(data), size);
    FuzzOwner owner;
    auto withOwner = platform::ui::ViewDescription::fromJson(text, "Fuzz", &owner);
    auto withoutOwner = platform::ui::ViewDescription::fromJson(text, "Fuzz", nullptr);
    (void)withOwner;
    (void)withoutOwner;
    return 0;
}
