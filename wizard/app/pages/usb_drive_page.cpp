#include "wizard/app/pages/usb_drive_page.h"

#include "wizard/app/pages/control_ids.h"

namespace wizard::pages {
namespace {

constexpr size_t kDriveColumnMax = 63;

std::optional<int32_t> IndexOfVolume(const UsbDiskList& disks, const WString& volume) {
    for (size_t i = 0; i < disks.size(); ++i)
        if (disks[i].VolumePath == volume)
            return static_cast<int32_t>(i);
    return std::nullopt;
}

}  // namespace

WString UsbDriveColumnText(const UsbDiskInfo& disk) {
    WString text;
    if (!disk.VolumeLabel.empty())
        text = disk.VolumeLabel + u" ";
    if (disk.DriveLetterIndex >= 0 && disk.DriveLetterIndex < 26) {
        text += u"(";
        text += static_cast<char16_t>(u'A' + disk.DriveLetterIndex);
        text += u":)";
    }
    if (text.size() > kDriveColumnMax)
        text.resize(kDriveColumnMax);
    return text;
}

WString UsbDriveStatusText(const UsbDiskInfo& disk) {
    if (disk.FormatNeed != 0)
        return u"Format required";
    return disk.IsBootable ? u"Bootable drive" : u"Ready";
}

UsbDrivePage::UsbDrivePage(WizardSettings& settings, UsbDiskSource& source)
    : Page(settings), source_(source) {}

int UsbDrivePage::Template() const {
    return IDD_SELECT_USB;
}

void UsbDrivePage::OnOpen(PageView& view) {
    ApplyFonts(view, {{IDC_USB_TITLE, 21}, {IDC_USB_WARNING, 14}});
    view.SetTextColor(IDC_USB_WARNING, kDarkRed);
    view.SetListColumns(IDC_USB_LIST,
                        {u"Drive", u"Capacity", u"Free space", u"Filesystem", u"Status"});
    source_.Refresh(settings_.UsbDisks);
    // On a later visit the drive chosen before is selected again, wherever the
    // refresh put it (or nothing, when it is gone).
    std::optional<int32_t> selected = settings_.SelectedUsbDisk;
    if (chosenVolume_)
        selected = IndexOfVolume(settings_.UsbDisks, *chosenVolume_);
    Refill(view, selected);
    const WString reason = source_.UnavailableReason();
    if (!reason.empty())
        view.ShowMessage(reason, MessageButtons::Ok, MessageIcon::Warning);
}

void UsbDrivePage::VolumesChanged(PageView& view) {
    // Keep the drive the user selected, wherever its row goes.
    std::optional<WString> selectedVolume;
    if (const std::optional<int32_t> i = Selection(view))
        selectedVolume = settings_.UsbDisks[static_cast<size_t>(*i)].VolumePath;
    source_.Refresh(settings_.UsbDisks);
    std::optional<int32_t> selected;
    if (selectedVolume)
        selected = IndexOfVolume(settings_.UsbDisks, *selectedVolume);
    Refill(view, selected);
}

void UsbDrivePage::Refill(PageView& view, std::optional<int32_t> selected) {
    std::vector<ListRow> rows;
    rows.reserve(settings_.UsbDisks.size());
    for (size_t i = 0; i < settings_.UsbDisks.size(); ++i) {
        const UsbDiskInfo& disk = settings_.UsbDisks[i];
        rows.push_back({{UsbDriveColumnText(disk), disk.CapacityText, disk.FreeSpaceText,
                         disk.FileSystem, UsbDriveStatusText(disk)},
                        static_cast<int32_t>(i)});
    }
    view.SetListRows(IDC_USB_LIST, rows, selected);
    UpdateNext(view);
}

void UsbDrivePage::UpdateNext(PageView& view) {
    view.SetEnabled(IDC_NEXT, Selection(view).has_value());
}

std::optional<int32_t> UsbDrivePage::Selection(const PageView& view) const {
    const std::optional<int32_t> value = view.SelectedListValue(IDC_USB_LIST);
    if (!value || *value < 0 || static_cast<size_t>(*value) >= settings_.UsbDisks.size())
        return std::nullopt;
    return value;
}

std::optional<PageResult> UsbDrivePage::OnCommand(PageView& view, int id) {
    switch (id) {
        case IDC_USB_LIST:  // the selection changed
            UpdateNext(view);
            return std::nullopt;
        case IDC_NEXT: {
            const std::optional<int32_t> selected = Selection(view);
            if (!selected) {
                UpdateNext(view);
                return std::nullopt;
            }
            settings_.SelectedUsbDisk = *selected;
            chosenVolume_ = settings_.UsbDisks[static_cast<size_t>(*selected)].VolumePath;
            return PageResult::Next;
        }
        case IDC_BACK: {
            const std::optional<int32_t> selected = Selection(view);
            settings_.SelectedUsbDisk = selected.value_or(0);
            if (selected)
                chosenVolume_ = settings_.UsbDisks[static_cast<size_t>(*selected)].VolumePath;
            else
                chosenVolume_.reset();
            return PageResult::Back;
        }
        default:
            return Page::OnCommand(view, id);
    }
}

}  // namespace wizard::pages
