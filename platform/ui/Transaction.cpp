#include "platform/ui/Transaction.h"

#include <optional>
#include <vector>

#include "platform/foundation/Dispatch.h"

namespace platform::ui {

namespace {

struct Frame {
    std::optional<bool> disableActions;
    std::optional<double> duration;
    bool implicit = false;
};

std::vector<Frame>& stack() {
    static std::vector<Frame> frames;
    return frames;
}

// Settings made outside any transaction go to an implicit one that ends when the main
// loop next turns, as the platform's implicit transactions do.
Frame& current() {
    if (stack().empty()) {
        Frame implicit;
        implicit.implicit = true;
        stack().push_back(implicit);
        platform::foundation::mainQueue()->async([] {
            if (!stack().empty() && stack().front().implicit) stack().erase(stack().begin());
        });
    }
    return stack().back();
}

}  // namespace

void Transaction::begin() {
    stack().push_back({});
}

void Transaction::commit() {
    if (!stack().empty() && !stack().back().implicit) stack().pop_back();
}

void Transaction::setDisableActions(bool disable) {
    current().disableActions = disable;
}

bool Transaction::disableActions() {
    for (auto it = stack().rbegin(); it != stack().rend(); ++it) {
        if (it->disableActions) return *it->disableActions;
    }
    return false;
}

void Transaction::setAnimationDuration(double seconds) {
    current().duration = seconds;
}

double Transaction::animationDuration() {
    for (auto it = stack().rbegin(); it != stack().rend(); ++it) {
        if (it->duration) return *it->duration;
    }
    return 0.25;
}

}  // namespace platform::ui
