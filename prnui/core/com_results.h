#pragma once
// The COM results and thread last errors that the plug-in's portable core reports,
// with the values Windows gives them, so that the same code serves the DLL and tests.
#include <cstdint>

namespace k20::prnui {

using HResult = int32_t;
inline constexpr HResult kS_OK = 0;
inline constexpr HResult kS_FALSE = 1;
inline constexpr HResult kE_NOTIMPL = int32_t(0x80004001u);
inline constexpr HResult kE_NOINTERFACE = int32_t(0x80004002u);
inline constexpr HResult kE_POINTER = int32_t(0x80004003u);
inline constexpr HResult kE_FAIL = int32_t(0x80004005u);
inline constexpr HResult kE_OUTOFMEMORY = int32_t(0x8007000Eu);
inline constexpr HResult kCLASS_E_NOAGGREGATION = int32_t(0x80040110u);
inline constexpr HResult kCLASS_E_CLASSNOTAVAILABLE = int32_t(0x80040111u);

inline constexpr uint32_t kERROR_INVALID_PARAMETER = 87;
inline constexpr uint32_t kERROR_INSUFFICIENT_BUFFER = 122;
inline constexpr uint32_t kERROR_NOT_SUPPORTED = 50;

// Result of an operation that may also set the thread's last error (0 = left alone).
struct CallResult {
    HResult hr = kS_OK;
    uint32_t lastError = 0;
    bool operator==(const CallResult&) const = default;
};

}  // namespace k20::prnui
