#include "platform/ui/Transaction.h"

#include <optional>
#include <vector>

namespace platform::ui {

namespace {

struct Frame {
    std::optional<bool> disableActions;
    std::optional<double> duration;
};

std::vector<Frame>& stack() {
    static std::vector<Frame> frames;
    return frames;
}

}  // namespace

void Transaction::begin() {
    stack().push_back({});
}

void Transaction::commit() {
    if (!stack().empty()) stack().pop_back();
}

void Transaction::setDisableActions(bool disable) {
    if (stack().empty()) return;  // the implicit transaction always allows actions
    stack().back().disableActions = disable;
}

bool Transaction::disableActions() {
    for (auto it = stack().rbegin(); it != stack().rend(); ++it) {
        if (it->disableActions) return *it->disableActions;
    }
    return false;
}

void Transaction::setAnimationDuration(double seconds) {
    if (stack().empty()) return;
    stack().back().duration = seconds;
}

double Transaction::animationDuration() {
    for (auto it = stack().rbegin(); it != stack().rend(); ++it) {
        if (it->duration) return *it->duration;
    }
    return 0.25;
}

}  // namespace platform::ui
