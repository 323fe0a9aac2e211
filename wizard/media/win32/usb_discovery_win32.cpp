#include "wizard/media/win32/usb_discovery_win32.h"

#include <windows.h>
#include <winioctl.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "platform/win32/wide.h"
#include "wizard/media/mbr_layout.h"
#include "wizard/media/usb_disk_status.h"
#include "wizard/media/win32/win32_handle.h"

namespace wizard {
namespace {

using platform::WString;

// \\?\Volume{GUID}\ -> \\.\Volume{GUID}, the form CreateFileW opens.
WString DevicePathOf(const WString& volumePath) {
    WString path = volumePath.substr(0, 128);
    if (path.size() > 2)
        path[2] = u'.';
    if (!path.empty() && path.back() == u'\\')
        path.pop_back();
    return path;
}

WString WithBackslash(const WString& path) {
    return !path.empty() && path.back() == u'\\' ? path : path + u"\\";
}

bool Candidate(const WString& volume) {
    return GetDriveTypeW(platform::Wide(volume)) == DRIVE_REMOVABLE && IsUsbVolume(volume);
}

}  // namespace

bool IsUsbVolume(const WString& volumePath) {
    const WinHandle h = OpenDevice(platform::Wide(DevicePathOf(volumePath)), GENERIC_READ);
    if (!h)
        return false;
    STORAGE_PROPERTY_QUERY query{};
    query.PropertyId = StorageDeviceProperty;
    query.QueryType = PropertyStandardQuery;
    BYTE buffer[40] = {};
    DWORD returned = 0;
    if (!DeviceIoControl(h.get(), IOCTL_STORAGE_QUERY_PROPERTY, &query, sizeof(query), buffer,
                         sizeof(buffer), &returned, nullptr) ||
        returned < offsetof(STORAGE_DEVICE_DESCRIPTOR, BusType) + sizeof(STORAGE_BUS_TYPE))
        return false;
    return reinterpret_cast<const STORAGE_DEVICE_DESCRIPTOR*>(buffer)->BusType == BusTypeUsb;
}

int32_t VolumeDeviceNumber(const WString& volumePath) {
    const WinHandle h = OpenDevice(platform::Wide(DevicePathOf(volumePath)), GENERIC_READ);
    STORAGE_DEVICE_NUMBER number{};
    DWORD returned = 0;
    if (!h || !DeviceIoControl(h.get(), IOCTL_STORAGE_GET_DEVICE_NUMBER, nullptr, 0, &number,
                               sizeof(number), &returned, nullptr))
        return -1;
    return static_cast<int32_t>(number.DeviceNumber);
}

uint64_t PhysicalDriveBytes(int32_t number) {
    if (number < 0)
        return 0;
    const std::wstring path = L"\\\\.\\PhysicalDrive" + std::to_wstring(number);
    const WinHandle h = OpenDevice(path.c_str(), GENERIC_READ);
    GET_LENGTH_INFORMATION length{};
    DWORD returned = 0;
    if (!h || !DeviceIoControl(h.get(), IOCTL_DISK_GET_LENGTH_INFO, nullptr, 0, &length,
                               sizeof(length), &returned, nullptr))
        return 0;
    return static_cast<uint64_t>(length.Length.QuadPart);
}

bool ReadDiskIdentity(void* handle, DiskIdentity& identity) {
    STORAGE_DEVICE_NUMBER number{};
    STORAGE_PROPERTY_QUERY query{};
    query.PropertyId = StorageDeviceProperty;
    query.QueryType = PropertyStandardQuery;
    alignas(8) BYTE buffer[1024] = {};
    DWORD returned = 0;
    if (!DeviceIoControl(handle, IOCTL_STORAGE_GET_DEVICE_NUMBER, nullptr, 0, &number,
                         sizeof(number), &returned, nullptr) ||
        !DeviceIoControl(handle, IOCTL_STORAGE_QUERY_PROPERTY, &query, sizeof(query), buffer,
                         sizeof(buffer), &returned, nullptr) ||
        returned < offsetof(STORAGE_DEVICE_DESCRIPTOR, RawPropertiesLength))
        return false;
    const auto* device = reinterpret_cast<const STORAGE_DEVICE_DESCRIPTOR*>(buffer);
    identity = DiskIdentity{};
    identity.Device = number.DeviceNumber;
    identity.Bus = static_cast<uint32_t>(device->BusType);
    if (device->SerialNumberOffset != 0 && device->SerialNumberOffset < returned) {
        const char* serial = reinterpret_cast<const char*>(buffer) + device->SerialNumberOffset;
        identity.Serial = platform::FromUtf8(
            std::string(serial, strnlen(serial, returned - device->SerialNumberOffset)));
    }
    identity.Bytes = PhysicalDriveBytes(static_cast<int32_t>(number.DeviceNumber));
    return identity.Bytes != 0;
}

bool FindDriveLetter(UsbDiskInfo& disk) {
    disk.DriveLetterIndex = -1;
    const DWORD present = GetLogicalDrives();
    for (int letter = 2; letter < 26; ++letter) {
        if ((present & (1u << letter)) == 0)
            continue;
        const wchar_t root[] = {static_cast<wchar_t>(L'A' + letter), L':', L'\\', 0};
        wchar_t name[256] = {};
        if (!GetVolumeNameForVolumeMountPointW(root, name, 256))
            continue;
        WString found = platform::FromWide(name);
        if (!found.empty() && found.back() == u'\\')
            found.pop_back();
        if (_wcsicmp(platform::Wide(found), platform::Wide(disk.VolumePath)) == 0) {
            disk.DriveLetterIndex = letter;
            return true;
        }
    }
    return false;
}

bool CheckPartitionTable(const UsbDiskInfo& disk) {
    if (disk.PhysicalDriveNumber < 0)
        return false;
    const std::wstring path = L"\\\\.\\PhysicalDrive" + std::to_wstring(disk.PhysicalDriveNumber);
    const WinHandle h = OpenDevice(path.c_str());
    alignas(8) BYTE buffer[256] = {};
    DWORD returned = 0;
    // A disk with a GUID partition table has none the drive can keep: its
    // first entry may be the MBR's protective one, over the GPT itself.
    PARTITION_INFORMATION_EX whole{};
    if (h &&
        DeviceIoControl(h.get(), IOCTL_DISK_GET_PARTITION_INFO_EX, nullptr, 0, &whole,
                        sizeof(whole), &returned, nullptr) &&
        whole.PartitionStyle == PARTITION_STYLE_GPT)
        return false;
    if (!h || !DeviceIoControl(h.get(), IOCTL_DISK_GET_DRIVE_LAYOUT, nullptr, 0, buffer,
                               sizeof(buffer), &returned, nullptr))
        return false;
    const auto* layout = reinterpret_cast<const DRIVE_LAYOUT_INFORMATION*>(buffer);
    const DWORD count = std::min<DWORD>(layout->PartitionCount, 7);
    for (DWORD i = 0; i < count; ++i)
        if (layout->PartitionEntry[i].PartitionType == kPartitionTypeGptProtective)
            return false;
    return layout->PartitionCount >= 1 && layout->PartitionEntry[0].StartingOffset.QuadPart > 0;
}

bool InitUsbDiskInfo(UsbDiskInfo& disk, const WString& volumePath) {
    VolumeFacts facts;
    facts.VolumePath = volumePath;
    wchar_t label[64] = {}, fileSystem[16] = {};
    const WString root = WithBackslash(volumePath);
    if (GetVolumeInformationW(platform::Wide(root), label, 64, nullptr, nullptr, nullptr,
                              fileSystem, 16)) {
        facts.VolumeLabel = platform::FromWide(label);
        facts.FileSystem = platform::FromWide(fileSystem);
    }
    DWORD spc = 0, bps = 0, freeClusters = 0, totalClusters = 0;
    if (!GetDiskFreeSpaceW(platform::Wide(root), &spc, &bps, &freeClusters, &totalClusters))
        return false;
    facts.SectorsPerCluster = spc;
    facts.BytesPerSector = bps;
    facts.FreeClusters = freeClusters;
    facts.TotalClusters = totalClusters;
    UsbDiskInfo probe;
    probe.VolumePath = volumePath;
    if (!probe.VolumePath.empty() && probe.VolumePath.back() == u'\\')
        probe.VolumePath.pop_back();
    FindDriveLetter(probe);
    facts.VolumePath = probe.VolumePath;
    facts.DriveLetterIndex = probe.DriveLetterIndex;
    facts.PhysicalDriveNumber = VolumeDeviceNumber(volumePath);
    probe.PhysicalDriveNumber = facts.PhysicalDriveNumber;
    if (facts.DriveLetterIndex >= 0) {
        const wchar_t path[] = {static_cast<wchar_t>(L'A' + facts.DriveLetterIndex),
                                L':',
                                L'\\',
                                L'l',
                                L'd',
                                L'l',
                                L'i',
                                L'n',
                                L'u',
                                L'x',
                                L'.',
                                L's',
                                L'y',
                                L's',
                                0};
        facts.IsBootable = GetFileAttributesW(path) != INVALID_FILE_ATTRIBUTES;
    }
    facts.HasPartitionTable = CheckPartitionTable(probe);
    const WinHandle volume = OpenDevice(platform::Wide(DevicePathOf(volumePath)), GENERIC_READ);
    if (volume)
        ReadDiskIdentity(volume.get(), facts.Identity);
    disk = MakeUsbDiskInfo(facts);
    return true;
}

bool RefreshUsbDisks(UsbDiskList& disks) {
    disks.clear();
    wchar_t name[260] = {};
    HANDLE find = FindFirstVolumeW(name, 260);
    if (find == INVALID_HANDLE_VALUE)
        return false;
    do {
        const WString volume = platform::FromWide(name);
        if (!Candidate(volume))
            continue;
        UsbDiskInfo disk;
        if (InitUsbDiskInfo(disk, volume))
            disks.push_back(std::move(disk));
    } while (FindNextVolumeW(find, name, 260));
    FindVolumeClose(find);
    return true;
}

}  // namespace wizard
