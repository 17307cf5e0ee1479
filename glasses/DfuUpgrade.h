#pragma once
// The glasses' firmware updater: opens the bootloader, asks it for the glasses model,
// loads the shipped image for that model from the main bundle, checks it and programs it.
// Progress and failures reach the firmware-update panel as notifications on the default
// centre (AppIdentifier followed by ".dfuUpdate_versionShow", ".dfuUpdate_progress",
// ".dfuUpdate_status").
//
// Runs synchronously on the caller's thread (kept off the main thread); notifications are
// posted on that thread. Runs are serialised: a run that starts while another is still
// programming waits for it, and then closes what it left open.

#include <cstdint>

#include "glasses/IProgramFlashCallback.h"

// 0 when the image was handed to programming (its outcome arrives through the
// notifications), -1 when the bootloader could not be opened or the image is missing or
// refused.
int32_t run_glass_dfu_upgrade();

// Opens the bootloader, asks for the model and closes again; -1 when it cannot be opened.
int32_t probeDfuPort();

// Turns a programming run's reports into the panel's notifications.
class DfuCallback final : public IProgramFlashCallback {
  public:
    void start() override;
    // Posted capped at 95: the panel learns of the end only when the glasses come back.
    void progress(float percent) override;
    void success() override;
    void fail(int32_t code) override;
};
