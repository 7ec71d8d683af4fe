#pragma once
// Win32 error codes as the platform layer reports them (0 = success). Portable code
// compares against these names; the win32 implementation passes GetLastError() through.
#include <cstdint>

namespace k20::platform {

using Error = uint32_t;

inline constexpr Error kOk = 0;
inline constexpr Error kErrFileNotFound = 2;
inline constexpr Error kErrPathNotFound = 3;
inline constexpr Error kErrAccessDenied = 5;
inline constexpr Error kErrInvalidHandle = 6;
inline constexpr Error kErrNotEnoughMemory = 8;
inline constexpr Error kErrInvalidData = 13;
inline constexpr Error kErrWriteFault = 29;
inline constexpr Error kErrGenFailure = 31;
inline constexpr Error kErrSharingViolation = 32;
inline constexpr Error kErrNotSupported = 50;
inline constexpr Error kErrFileExists = 80;
inline constexpr Error kErrInvalidParameter = 87;
inline constexpr Error kErrInsufficientBuffer = 122;
inline constexpr Error kErrInvalidName = 123;
inline constexpr Error kErrBadFileType = 222;  // not a regular file: a device, a pipe
inline constexpr Error kErrFileTooLarge = 223;
inline constexpr Error kErrAlreadyExists = 183;
inline constexpr Error kErrMoreData = 234;
inline constexpr Error kErrNoMoreItems = 259;
inline constexpr Error kErrCanNotComplete = 1003;
inline constexpr Error kErrUnknownPrinterDriver = 1797;
inline constexpr Error kErrInvalidPrinterName = 1801;
inline constexpr Error kErrPrinterAlreadyExists = 1802;
inline constexpr Error kErrInvalidFormName = 1902;
inline constexpr Error kErrInvalidFormSize = 1903;

}  // namespace k20::platform
