#pragma once
// A self-contained loading and message HUD made of standard controls: a dark rounded box
// with an optional picture or spinner above a message, centred in a view, optionally over
// a click-swallowing backdrop. Message HUDs hide themselves after 3 s; showing a new HUD
// hides every HUD shown before. Its looks are class-level values filled by setup(), which
// runs before the first HUD is shown. Main thread only.

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/ui/Color.h"
#include "platform/ui/Geometry.h"
#include "platform/ui/Image.h"
#include "platform/ui/View.h"

class FNHUD : public platform::ui::View {
    struct Passkey {};

  public:
    static constexpr double kAutoHideSeconds = 3.0;

    FNHUD(Passkey, const platform::ui::Rect& frame);
    std::string className() const override { return "FNHUD"; }

    static void setup();
    static void showLoading(const std::string& message, bool mask,
                            const std::shared_ptr<platform::ui::View>& view);
    static void showMessage(const std::string& message,
                            const std::shared_ptr<platform::ui::View>& view);
    static void showSuccess(const std::string& message,
                            const std::shared_ptr<platform::ui::View>& view);
    static void showError(const std::string& message,
                          const std::shared_ptr<platform::ui::View>& view);
    // Fades out and removes every HUD shown.
    static void hide();
    // "#RRGGBB", "0xRRGGBB" or "RRGGBB" with blanks around; anything else is clear.
    static platform::ui::Color colorWithHex(std::string_view hex, double alpha);

    static void _createUIWithMsg(const std::string& message, const platform::ui::ImagePtr& image,
                                 const std::shared_ptr<platform::ui::View>& view, bool mask,
                                 bool autoHide);
    static platform::ui::Rect _calcRectWithMessage(const std::string& message, bool hasImage,
                                                   platform::ui::Size parentSize);
    static std::shared_ptr<FNHUD> _createInstanceWithFrame(const platform::ui::Rect& frame);

    // The views shown and not yet hidden (a HUD, or the backdrop holding it).
    static const std::vector<std::shared_ptr<platform::ui::View>>& shownViews();
};
