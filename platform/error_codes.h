// The result numbers of the platform layer: Windows system error codes, used on
// both targets so that callers and stored logs see the same numbers. Constants
// only; any thread.
#pragma once

namespace platform {

constexpr long kErrorSuccess = 0;
constexpr long kErrorInvalidFunction = 1;
constexpr long kErrorFileNotFound = 2;
constexpr long kErrorPathNotFound = 3;
constexpr long kErrorAccessDenied = 5;
constexpr long kErrorInvalidHandle = 6;
constexpr long kErrorNotEnoughMemory = 8;
constexpr long kErrorSharingViolation = 32;
constexpr long kErrorInvalidParameter = 87;  // e.g. a blank command line, a NUL inside a text
constexpr long kErrorBusy = 170;             // a Process object still runs a process
constexpr long kErrorBadExeFormat = 193;
constexpr long kErrorFilenameTooLong = 206;
constexpr long kErrorMoreData = 234;
constexpr long kErrorDirectory = 267;          // the working folder is missing
constexpr long kErrorBadDb = 1009;             // the registry store exists but cannot be read
constexpr long kErrorRegistryIoFailed = 1016;  // the registry store could not be written
constexpr long kErrorCancelled = 1223;         // the operation was cancelled by the user
constexpr long kErrorUnsupportedType = 1630;   // QueryDword on a value that is no DWORD

}  // namespace platform
