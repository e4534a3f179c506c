// The fixed part of each variable-size record at TAPI 2.x, the versions the component
// negotiates: the least a caller announces in dwTotalSize, and what a provider fills before the
// variable data. Windows' <tapi.h> declares the 3.x fields after it, so sizeof() says more
// there than a 2.x caller gives.
#pragma once

#include <cstdint>

inline constexpr uint32_t kVarStringSize = 24;
inline constexpr uint32_t kLineCallStatusSize = 56;
inline constexpr uint32_t kLineCallInfoSize = 324;
inline constexpr uint32_t kLineCallParamsSize = 176;
inline constexpr uint32_t kLineDevCapsSize = 252;
inline constexpr uint32_t kLineAddressCapsSize = 228;
