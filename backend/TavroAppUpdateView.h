#pragma once
// The application update view shown over the main window when the backend offers a newer
// version: "V" and the version, the release note, and a download button that opens the
// download address. Its looks come from the view description "TavroAppUpdateView".
// Main thread only.

#include <memory>
#include <string>

#include "platform/ui/Button.h"
#include "platform/ui/DescriptionOwner.h"
#include "platform/ui/ProgressIndicator.h"
#include "platform/ui/Text.h"
#include "platform/ui/TextField.h"
#include "platform/ui/View.h"

class TavroAppUpdateView : public platform::ui::View, public platform::ui::DescriptionOwner {
  public:
    TavroAppUpdateView();

    std::string className() const override { return "TavroAppUpdateView"; }
    std::string ownerName() const override { return className(); }

    // The view made from its description with the description's frame; null when the
    // description cannot be loaded.
    static std::shared_ptr<TavroAppUpdateView> loadFromNib();

    void showVersionInfo(const std::string& releaseNote, const std::string& version,
                         const std::string& downloadUrl);
    const std::string& downloadUrl() const { return downloadUrl_; }

    // Outlets.
    std::weak_ptr<platform::ui::TextField> versionLabel;
    std::weak_ptr<platform::ui::Text> releaseNoteText;
    std::weak_ptr<platform::ui::Button> downloadButton;
    std::weak_ptr<platform::ui::ProgressIndicator> downloadProgress;

  private:
    void download();
    std::string downloadUrl_;
};
