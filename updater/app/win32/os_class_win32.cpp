// The running Windows system's class. The version comes from the system
// library (RtlGetVersion): GetVersionEx answers with the newest version the
// program's manifest declares, which would hide Windows 8.1 and later behind
// 6.2 build 9200. The processor is the native one, so that a 32-bit program
// on 64-bit Windows takes the x64 components.
#include <windows.h>

#include <algorithm>
#include <string_view>

#include "platform/library.h"
#include "updater/app/os_class.h"

namespace updater {
namespace {

// The Windows 10 identifier of the manifest's supportedOS list.
constexpr std::string_view kW10SupportedOs = "8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a";

bool ManifestDeclaresW10() {
    HMODULE program = GetModuleHandleW(nullptr);
    HRSRC found = FindResourceW(program, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24));
    if (!found)
        return false;
    HGLOBAL loaded = LoadResource(program, found);
    const auto* bytes = loaded ? static_cast<const char*>(LockResource(loaded)) : nullptr;
    if (!bytes)
        return false;
    const std::string_view text(bytes, SizeofResource(program, found));
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
    return std::search(text.begin(), text.end(), kW10SupportedOs.begin(), kW10SupportedOs.end(),
                       [&](char a, char b) { return lower(a) == b; }) != text.end();
}

bool ReadSystemVersion(SystemVersion& version) {
    using RtlGetVersionFunction = LONG(WINAPI*)(OSVERSIONINFOW*);
    platform::Library ntdll;
    RtlGetVersionFunction rtlGetVersion = nullptr;
    if (ntdll.LoadSystem(u"ntdll.dll"))
        rtlGetVersion = reinterpret_cast<RtlGetVersionFunction>(ntdll.Resolve("RtlGetVersion"));
    OSVERSIONINFOW info{};
    info.dwOSVersionInfoSize = sizeof(info);
    // Systems without RtlGetVersion (the 9x family, NT 4.0) tell the truth.
    if (!(rtlGetVersion && rtlGetVersion(&info) == 0) && !GetVersionExW(&info))
        return false;
    version.platformId = info.dwPlatformId;
    version.major = info.dwMajorVersion;
    version.minor = info.dwMinorVersion;
    version.build = info.dwBuildNumber;
    return true;
}

uint32_t NativeProcessorType() {
    using GetNativeSystemInfoFunction = void(WINAPI*)(SYSTEM_INFO*);
    platform::Library kernel32;
    GetNativeSystemInfoFunction getNative = nullptr;
    if (kernel32.LoadSystem(u"kernel32.dll"))
        getNative =
            reinterpret_cast<GetNativeSystemInfoFunction>(kernel32.Resolve("GetNativeSystemInfo"));
    SYSTEM_INFO info{};
    if (getNative)
        getNative(&info);
    else
        GetSystemInfo(&info);  // before XP: the program's view is the system's
    return info.dwProcessorType;
}

}  // namespace

OsClass DetectRunningOsClass() {
    SystemVersion version;
    if (!ReadSystemVersion(version))
        return OsClass::None;
    version.processorType = NativeProcessorType();
    return ClassifySystem(version, ManifestDeclaresW10());
}

}  // namespace updater
