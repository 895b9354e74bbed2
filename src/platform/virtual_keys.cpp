#include "platform/virtual_keys.h"


namespace orbeta::vk {
namespace {

struct KeyPair {
  std::uint32_t keysym;
  std::uint16_t virtualKey;
};

// Keys that are not letters, digits or function keys.
constexpr KeyPair kTable[] = {
    {0xff08, Back},         {0xff09, Tab},          {0xfe20, Tab},          {0xff0d, Return},
    {0xff8d, Return},       {0xff13, Pause},        {0xffe5, Capital},      {0xff1b, Escape},
    {0x0020, Space},        {0xff55, Prior},        {0xff56, Next},         {0xff57, End},
    {0xff50, Home},         {0xff51, Left},         {0xff52, Up},           {0xff53, Right},
    {0xff54, Down},         {0xff61, Snapshot},     {0xff63, Insert},       {0xffff, Delete},
    {0xffeb, LWin},         {0xffec, RWin},         {0xff67, Apps},         {0xffaa, Multiply},
    {0xffab, Add},          {0xffac, Separator},    {0xffad, Subtract},     {0xffae, Decimal},
    {0xffaf, Divide},       {0xff7f, NumLock},      {0xff14, Scroll},       {0xffe1, LShift},
    {0xffe2, RShift},       {0xffe3, LControl},     {0xffe4, RControl},     {0xffe9, LMenu},
    {0xffea, RMenu},        {0xfe03, RMenu},        {0x1008ff26, BrowserBack},
    {0x1008ff27, BrowserForward},                   {0x1008ff29, BrowserRefresh},
    {0x1008ff28, BrowserStop},                      {0x1008ff1b, BrowserSearch},
    {0x1008ff30, BrowserFavorites},                 {0x1008ff18, BrowserHome},
    {0x1008ff12, 0xAD},     {0x1008ff11, 0xAE},     {0x1008ff13, 0xAF},     {0x1008ff17, 0xB0},
    {0x1008ff16, 0xB1},     {0x1008ff15, 0xB2},     {0x1008ff14, 0xB3},     {0x1008ff19, 0xB4},
    // Punctuation: both symbols of each key of a US layout.
    {';', 0xBA},  {':', 0xBA},  {'=', 0xBB},  {'+', 0xBB},  {',', 0xBC},  {'<', 0xBC},
    {'-', 0xBD},  {'_', 0xBD},  {'.', 0xBE},  {'>', 0xBE},  {'/', 0xBF},  {'?', 0xBF},
    {'`', 0xC0},  {'~', 0xC0},  {'[', 0xDB},  {'{', 0xDB},  {'\\', 0xDC}, {'|', 0xDC},
    {']', 0xDD},  {'}', 0xDD},  {'\'', 0xDE}, {'"', 0xDE},
    // Shifted digits.
    {')', '0'},   {'!', '1'},   {'@', '2'},   {'#', '3'},   {'$', '4'},   {'%', '5'},
    {'^', '6'},   {'&', '7'},   {'*', '8'},   {'(', '9'},
};

constexpr std::uint32_t kF1 = 0xffbe, kKeypad0 = 0xffb0;

}  // namespace

std::uint16_t FromKeysym(std::uint32_t keysym) {
  if (keysym >= 'A' && keysym <= 'Z') return static_cast<std::uint16_t>(keysym);
  if (keysym >= 'a' && keysym <= 'z') return static_cast<std::uint16_t>(keysym - 'a' + 'A');
  if (keysym >= '0' && keysym <= '9') return static_cast<std::uint16_t>(keysym);
  if (keysym >= kF1 && keysym < kF1 + 24) return static_cast<std::uint16_t>(F1 + (keysym - kF1));
  if (keysym >= kKeypad0 && keysym < kKeypad0 + 10) return static_cast<std::uint16_t>(Numpad0 + (keysym - kKeypad0));
  for (const KeyPair& pair : kTable)
    if (pair.keysym == keysym) return pair.virtualKey;
  return 0;
}

std::vector<std::uint32_t> Keysyms(std::uint16_t virtualKey) {
  if (virtualKey >= 'A' && virtualKey <= 'Z') return {virtualKey, virtualKey - 'A' + std::uint32_t{'a'}};
  if (virtualKey >= '0' && virtualKey <= '9') return {virtualKey};
  if (virtualKey >= F1 && virtualKey <= F24) return {kF1 + (virtualKey - F1)};
  if (virtualKey >= Numpad0 && virtualKey < Numpad0 + 10) return {kKeypad0 + (virtualKey - Numpad0)};
  std::vector<std::uint32_t> keysyms;
  for (const KeyPair& pair : kTable)
    if (pair.virtualKey == virtualKey) keysyms.push_back(pair.keysym);
  return keysyms;
}

}  // namespace orbeta::vk
