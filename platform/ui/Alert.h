#pragma once
// Modal alerts: style, message and informative texts, buttons in the order they were
// added. runModal answers 1000 for the first button, 1001 for the second, and so on. With
// a display the alert is a real dialog; without one, the responder that a test or a
// scenario set answers it; with neither, runModal answers AlertNotAnswered (as if the
// modal session had been aborted) so that nothing the alert guards happens. Once the
// application is terminating, runModal answers AlertNotAnswered at once, and an alert on
// the display closes the same way as soon as the termination has run. Main thread only;
// the responder may be set from any thread.

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/ui/Button.h"

namespace platform::ui {

enum class AlertStyle { Warning = 0, Informational = 1, Critical = 2 };

constexpr int kAlertFirstButtonReturn = 1000;
constexpr int kAlertSecondButtonReturn = 1001;
constexpr int kAlertThirdButtonReturn = 1002;
constexpr int kAlertNotAnswered = -1001;

class Alert {
  public:
    AlertStyle alertStyle() const { return style_; }
    void setAlertStyle(AlertStyle style) { style_ = style; }
    const std::string& messageText() const { return message_; }
    void setMessageText(std::string text) { message_ = std::move(text); }
    const std::string& informativeText() const { return informative_; }
    void setInformativeText(std::string text) { informative_ = std::move(text); }
    Button& addButtonWithTitle(std::string title);
    const std::vector<std::shared_ptr<Button>>& buttons() const { return buttons_; }
    std::vector<std::string> buttonTitles() const;

    int runModal();

    // Answers headless alerts: it gets the alert and gives the response. A response that
    // names no button of the alert counts as not answered.
    using Responder = std::function<int(const Alert&)>;
    static void setResponder(Responder responder);
    // The responder's answer to `alert`; none when no responder is set.
    static std::optional<int> askResponder(const Alert& alert);

  private:
    AlertStyle style_ = AlertStyle::Warning;
    std::string message_;
    std::string informative_;
    std::vector<std::shared_ptr<Button>> buttons_;
};

}  // namespace platform::ui
