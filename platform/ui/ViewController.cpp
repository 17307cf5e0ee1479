#include "platform/ui/ViewController.h"

#include <cstdio>

#include "platform/foundation/AssertMainThread.h"
#include "platform/ui/ViewDescription.h"

namespace platform::ui {

ViewController::ViewController(std::string descriptionName)
    : descriptionName_(std::move(descriptionName)) {}

const ViewPtr& ViewController::view() {
    TAVRO_ASSERT_MAIN_THREAD();
    if (!view_ && !loading_) {
        loading_ = true;
        loadView();
        if (!view_) view_ = std::make_shared<View>();
        loading_ = false;
        viewDidLoad();
    }
    return view_;
}

void ViewController::loadView() {
    std::string name = descriptionName_.empty() ? className() : descriptionName_;
    auto loaded = ViewDescription::load(name, this);
    if (!loaded) {
        loadError_ = loaded.error();
        std::fprintf(stderr, "%s\n", loadError_->localizedDescription.c_str());
        view_ = std::make_shared<View>();
        return;
    }
    view_ = std::move(loaded).value();
}

}  // namespace platform::ui
