// The main window's private messages, posted to its queue and handled in posting order.
#pragma once

#include <cstdint>

#include "platform/message_queue.h"

namespace orbeta {

inline constexpr std::uint32_t WM_GOHOME = WM_USER + 4096;
inline constexpr std::uint32_t WM_BUILDTABS = WM_USER + 4097;
inline constexpr std::uint32_t WM_FILLGRID = WM_USER + 4098;
inline constexpr std::uint32_t WM_TRANSLATE = WM_USER + 4100;
inline constexpr std::uint32_t WM_CLOSEMAIN = WM_USER + 4101;   // also from other processes
inline constexpr std::uint32_t WM_GOTOSITE = WM_USER + 4102;    // also from other processes
inline constexpr std::uint32_t WM_BUILDLAUNCHMENU = WM_USER + 4105;

}  // namespace orbeta
