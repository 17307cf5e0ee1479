#pragma once
// An overlay that asks the user to lay the glasses flat and still, restores the glasses'
// user temperature-drift entries to their defaults on its button, and then sends the IMU
// bias table the glasses report to the companion application. It loads its own view
// description; nothing in the application opens it.
//
// The view and its mouse handler run on the main thread; the bias wait runs on a global
// queue and outlives the view.

#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "platform/foundation/Dispatch.h"
#include "platform/ui/Application.h"
#include "platform/ui/Button.h"
#include "platform/ui/DescriptionOwner.h"
#include "platform/ui/ProgressIndicator.h"
#include "platform/ui/TextField.h"
#include "platform/ui/View.h"

class TavroTemperatureDriftCalibrationView : public platform::ui::View,
                                             public platform::ui::DescriptionOwner {
  public:
    explicit TavroTemperatureDriftCalibrationView(platform::ui::Rect frame = {});
    ~TavroTemperatureDriftCalibrationView() override;
    std::string className() const override { return "TavroTemperatureDriftCalibrationView"; }
    std::string ownerName() const override { return className(); }

    // A view made from its description (awakeFromNib has run); null when the description
    // cannot be loaded.
    static std::shared_ptr<TavroTemperatureDriftCalibrationView> fromDescription();

    // Outlets.
    std::weak_ptr<platform::ui::View> contentBgView;
    std::weak_ptr<platform::ui::TextField> tipsLabel;
    std::weak_ptr<platform::ui::Button> resetButton;
    std::weak_ptr<platform::ui::Button> closeButton;
    std::weak_ptr<platform::ui::View> loadingBgView;
    std::weak_ptr<platform::ui::ProgressIndicator> progressIndicator;
    std::weak_ptr<platform::ui::TextField> tipsLabel1;
    std::weak_ptr<platform::ui::TextField> tipsLabel2;
    std::weak_ptr<platform::ui::View> successBgView;
    std::weak_ptr<platform::ui::TextField> tipsLabel3;
    std::weak_ptr<platform::ui::TextField> tipsLabel4;

    int64_t calibrateStatus = 0;
    int64_t errorDataCount = 0;
    int64_t correctDataCount = 0;
    float firstTemperature = 0;
    float firstSuccessTemperature = 0;
    std::vector<std::vector<float>> gyroRawDataArray;
    std::vector<std::vector<float>> temperatureDataArray;
    std::function<void()> closeCallBack;
    int64_t allCount = 3000;
    bool isLegality_ = true;
    // No timer is started; one would be invalidated and dropped on close and reset.
    std::shared_ptr<platform::foundation::DispatchTimer> timer_;
    int64_t count_ = 0;
    bool loadingIsError = false;

    void awakeFromNib();
    void resetButtonClick(platform::ui::UiObject& sender);
    void closeButtonClick(platform::ui::UiObject& sender);

    void showCalibrationTips(const std::string& text);
    void handleCalibrationMouse(const platform::ui::Event& event);
    void closeCalibrationView();
    void resetTemperatureDrift();
    // Empties the server's bias table, then on a global queue waits (0.5 s steps) until the
    // glasses have sent the whole table or are gone, sends it, and calls `completion`.
    static void sendBiasTable(std::function<void(bool)> completion);

    void awakeFromDescription() override;

  private:
    void invalidateTimer();

    std::optional<platform::ui::MonitorToken> mouseMonitor_;
};
