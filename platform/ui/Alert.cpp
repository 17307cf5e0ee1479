#include "platform/ui/Alert.h"

#include <cstdio>

#include "platform/foundation/AssertMainThread.h"
#include "platform/foundation/Guarded.h"
#include "platform/ui/Application.h"
#include "platform/ui/DisplayBackend.h"

namespace platform::ui {

namespace {
foundation::Guarded<Alert::Responder>& responder() {
    static foundation::Guarded<Alert::Responder> current;
    return current;
}
}  // namespace

Button& Alert::addButtonWithTitle(std::string title) {
    auto button = std::make_shared<Button>(Rect{0, 0, 82, 24});
    button->setTitle(std::move(title));
    button->setTag(kAlertFirstButtonReturn + static_cast<int>(buttons_.size()));
    buttons_.push_back(button);
    return *button;
}

std::vector<std::string> Alert::buttonTitles() const {
    std::vector<std::string> titles;
    for (const auto& b : buttons_) titles.push_back(b->title());
    return titles;
}

void Alert::setResponder(Responder answer) {
    responder().set(std::move(answer));
}

int Alert::runModal() {
    TAVRO_ASSERT_MAIN_THREAD();
    // A terminating application asks its user nothing more: what the alert guards does not
    // happen, and the quit is not held up by a dialog.
    if (Application::shared().terminateRequested()) return kAlertNotAnswered;
    // An alert without buttons has the platform's one "OK" button.
    if (buttons_.empty()) addButtonWithTitle("OK");
    int last = kAlertFirstButtonReturn + static_cast<int>(buttons_.size()) - 1;
    auto valid = [&](int response) {
        return response >= kAlertFirstButtonReturn && response <= last;
    };
    if (auto& backend = Application::shared().backend()) {
        if (auto response = backend->runAlert(*this))
            return valid(*response) ? *response : kAlertNotAnswered;
    }
    auto response = askResponder(*this);
    if (!response) {
        std::fprintf(stderr, "alert not answered (no display, no responder): %s\n",
                     message_.c_str());
        return kAlertNotAnswered;
    }
    return valid(*response) ? *response : kAlertNotAnswered;
}

std::optional<int> Alert::askResponder(const Alert& alert) {
    Responder answer = responder().get();
    if (!answer) return std::nullopt;
    return answer(alert);
}

}  // namespace platform::ui
