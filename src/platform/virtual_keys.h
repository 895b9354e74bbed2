// Windows virtual-key numbers, which the kiosk's key rules and the desktop lock library speak,
// and their X key symbols (the GDK key values are the same numbers).
#pragma once

#include <cstdint>
#include <vector>

namespace orbeta::vk {

inline constexpr std::uint16_t LButton = 0x01, RButton = 0x02, MButton = 0x04;
inline constexpr std::uint16_t Back = 0x08, Tab = 0x09, Return = 0x0D;
inline constexpr std::uint16_t Shift = 0x10, Control = 0x11, Menu = 0x12, Pause = 0x13, Capital = 0x14;
inline constexpr std::uint16_t Escape = 0x1B, Space = 0x20, Prior = 0x21, Next = 0x22, End = 0x23, Home = 0x24;
inline constexpr std::uint16_t Left = 0x25, Up = 0x26, Right = 0x27, Down = 0x28;
inline constexpr std::uint16_t Snapshot = 0x2C, Insert = 0x2D, Delete = 0x2E;
inline constexpr std::uint16_t LWin = 0x5B, RWin = 0x5C, Apps = 0x5D;
inline constexpr std::uint16_t Numpad0 = 0x60, Multiply = 0x6A, Add = 0x6B, Separator = 0x6C;
inline constexpr std::uint16_t Subtract = 0x6D, Decimal = 0x6E, Divide = 0x6F;
inline constexpr std::uint16_t F1 = 0x70, F4 = 0x73, F5 = 0x74, F10 = 0x79, F12 = 0x7B, F24 = 0x87;
inline constexpr std::uint16_t NumLock = 0x90, Scroll = 0x91;
inline constexpr std::uint16_t LShift = 0xA0, RShift = 0xA1, LControl = 0xA2, RControl = 0xA3;
inline constexpr std::uint16_t LMenu = 0xA4, RMenu = 0xA5;
inline constexpr std::uint16_t BrowserBack = 0xA6, BrowserForward = 0xA7, BrowserRefresh = 0xA8;
inline constexpr std::uint16_t BrowserStop = 0xA9, BrowserSearch = 0xAA, BrowserFavorites = 0xAB;
inline constexpr std::uint16_t BrowserHome = 0xAC;

// Letters and digits are their upper-case ASCII codes.
constexpr std::uint16_t Char(char c) { return static_cast<std::uint16_t>(c); }

// Modifier bits of key reports and key switches: Alt, Ctrl, Shift, Windows key.
inline constexpr std::uint16_t kAlt = 1, kCtrl = 2, kShift = 4, kWin = 8;

// The virtual key of an X key symbol; 0 when it has none. Shifted symbols of a US layout
// ("!", "A", "{") give the key they are typed on.
std::uint16_t FromKeysym(std::uint32_t keysym);

// Every X key symbol of a virtual key (both letter cases, main and keypad keys), in table order;
// empty when it has none.
std::vector<std::uint32_t> Keysyms(std::uint16_t virtualKey);

}  // namespace orbeta::vk
