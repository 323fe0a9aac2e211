// The USB drive page (template 131): the list of candidate USB drives, kept
// up to date while volumes arrive and go.
//
// The selection follows the drive, not the row: after a refresh, and on a
// later visit, the row of the volume the user selected is selected again, and
// a drive that went away leaves no selection. Next needs a selected row, so the page never passes
// on a drive the user did not select. Interface thread only.
#pragma once

#include "wizard/app/pages/page.h"
#include "wizard/app/pages/usb_disk_source.h"

namespace wizard::pages {

// The five columns of the list.
WString UsbDriveColumnText(const UsbDiskInfo& disk);  // "Label (E:)"
WString UsbDriveStatusText(const UsbDiskInfo& disk);  // "Format required", ...

class UsbDrivePage : public Page {
  public:
    UsbDrivePage(WizardSettings& settings, UsbDiskSource& source);
    int Template() const override;
    void VolumesChanged(PageView& view) override;

  protected:
    void OnOpen(PageView& view) override;
    std::optional<PageResult> OnCommand(PageView& view, int id) override;
    const char16_t* HelpTopic() const override { return kHelpChoosingMedia; }

  private:
    void Refill(PageView& view, std::optional<int32_t> selected);
    void UpdateNext(PageView& view);
    // The selected row's disk index, when it still names a listed disk.
    std::optional<int32_t> Selection(const PageView& view) const;

    UsbDiskSource& source_;
    // The volume of the drive selected when the page was last left.
    std::optional<WString> chosenVolume_;
};

}  // namespace wizard::pages
