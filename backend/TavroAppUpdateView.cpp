#include "backend/TavroAppUpdateView.h"

#include "platform/foundation/AssertMainThread.h"
#include "platform/foundation/Workspace.h"
#include "platform/ui/ViewDescription.h"

namespace ui = platform::ui;

TavroAppUpdateView::TavroAppUpdateView() {
    declareOutlet("versionLabel", &versionLabel);
    declareOutlet("releaseNoteText", &releaseNoteText);
    declareOutlet("downloadButton", &downloadButton);
    declareOutlet("downloadProgress", &downloadProgress);
    declareAction("download:", [this](ui::UiObject&) { download(); });
}

std::shared_ptr<TavroAppUpdateView> TavroAppUpdateView::loadFromNib() {
    TAVRO_ASSERT_MAIN_THREAD();
    auto view = std::make_shared<TavroAppUpdateView>();
    auto result = ui::ViewDescription::load("TavroAppUpdateView", view.get(), view);
    if (!result) return nullptr;
    return view;
}

void TavroAppUpdateView::showVersionInfo(const std::string& releaseNote, const std::string& version,
                                         const std::string& downloadUrl) {
    TAVRO_ASSERT_MAIN_THREAD();
    downloadUrl_ = downloadUrl;
    if (auto label = versionLabel.lock()) label->setStringValue("V" + version);
    if (auto text = releaseNoteText.lock()) text->setString(releaseNote);
}

void TavroAppUpdateView::download() {
    TAVRO_ASSERT_MAIN_THREAD();
    if (downloadUrl_.empty()) return;
    // The system's browser fetches the installer; the bar shows that it has been handed on.
    if (auto progress = downloadProgress.lock()) progress->setHidden(false);
    platform::foundation::Workspace::shared().openURL(downloadUrl_);
}
