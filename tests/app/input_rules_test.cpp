#include "app/input_rules.h"

#include <gtest/gtest.h>

#include <string>

#include "admin/admin_password.h"
#include "platform/virtual_keys.h"

namespace orbeta {
namespace {

using A = InputAction;
using R = KeyReportAction;

TEST(InputRules, FilterIsActiveOnlyInTheLockedKiosk) {
  EXPECT_TRUE(InputFilterActive(false, false, false));
  EXPECT_FALSE(InputFilterActive(true, false, false)) << "administration mode";
  EXPECT_FALSE(InputFilterActive(false, true, false)) << "security off";
  EXPECT_FALSE(InputFilterActive(false, false, true)) << "visitors may quit";

  const TSettings saved = Settings;
  const bool savedAdmin = AdminMode;
  Settings = TSettings{};
  AdminMode = false;
  EXPECT_TRUE(InputFilterActive());
  Settings.UserCanQuit = true;
  EXPECT_FALSE(InputFilterActive()) << "follows the settings as they are now";
  Settings.UserCanQuit = false;
  AdminMode = true;
  EXPECT_FALSE(InputFilterActive()) << "follows the administration mode as it is now";
  Settings = saved;
  AdminMode = savedAdmin;
}

// What is held with a key: the modifier bits of key reports, and an arrow key.
constexpr unsigned Ctrl = vk::kCtrl, Shift = vk::kShift, Alt = vk::kAlt, LeftHeld = 0x100;

InputEvent Press(std::uint16_t key, unsigned held = 0) {
  return KeyPressEvent(key, held & Ctrl, held & Shift, held & Alt, held & LeftHeld, false);
}

InputEvent Command(std::uint32_t value) {
  InputEvent event;
  event.kind = InputKind::SystemCommand;
  event.systemCommand = value;
  return event;
}

TEST(InputRules, ApplicationWideFilter) {
  InputEvent rightButton;
  rightButton.kind = InputKind::RightButtonDown;
  struct Case {
    std::string what;
    InputEvent event;
    bool canBackForward;
    InputAction action;
  };
  const Case cases[] = {
      {"Ctrl+P prints, whatever CanPrint says", Press('P', Ctrl), false, A::Print},
      {"Ctrl+Shift+P prints", Press('P', Ctrl | Shift), false, A::Print},
      {"P alone", Press('P'), false, A::Pass},
      {"Ctrl+F5 beeps", Press(vk::F5, Ctrl), false, A::Beep},
      {"Ctrl+F1", Press(vk::F1, Ctrl), false, A::Beep},
      {"Ctrl+F12", Press(vk::F12, Ctrl), false, A::Beep},
      {"Ctrl+F13 is another key", Press(vk::F12 + 1, Ctrl), false, A::Consume},
      {"F5 alone", Press(vk::F5), false, A::Pass},
      {"Shift+F5", Press(vk::F5, Shift), false, A::Pass},
      {"Shift+numpad *", Press(vk::Multiply, Shift), false, A::PasswordDialog},
      {"Ctrl+Shift+numpad *", Press(vk::Multiply, Ctrl | Shift), false, A::PasswordDialog},
      {"Ctrl+numpad *", Press(vk::Multiply, Ctrl), false, A::Pass},
      {"Ctrl+V", Press('V', Ctrl), false, A::Pass},
      {"Ctrl+Shift+A", Press('A', Ctrl | Shift), false, A::Pass},
      {"Ctrl+2", Press('2', Ctrl), false, A::Pass},
      {"Ctrl+Alt+O", Press('O', Ctrl | Alt), false, A::Pass},
      {"Alt+C is a system key, not a passing key", Press('C', Alt), true, A::Consume},
      {"Ctrl+L", Press('L', Ctrl), false, A::Consume},
      {"Ctrl+T", Press('T', Ctrl), false, A::Consume},
      {"Ctrl+1", Press('1', Ctrl), false, A::Consume},
      {"Ctrl+Tab", Press(vk::Tab, Ctrl), false, A::Consume},
      {"the Ctrl key itself", Press(vk::LControl), false, A::Consume},
      {"L alone", Press('L'), false, A::Pass},
      {"Alt+Left, Back allowed", Press(vk::Left, Alt), true, A::Pass},
      {"Alt+Right, Back allowed", Press(vk::Right, Alt), true, A::Pass},
      {"Alt+Left, Back not allowed", Press(vk::Left, Alt), false, A::Consume},
      {"Alt+F4 with Left still held", Press(vk::F4, Alt | LeftHeld), true, A::Pass},
      {"Alt+F4", Press(vk::F4, Alt), true, A::Consume},
      {"Alt+Tab", Press(vk::Tab, Alt), true, A::Consume},
      {"the Alt key itself", Press(vk::LMenu), true, A::Consume},
      {"F10", Press(vk::F10), true, A::Consume},
      {"Shift+F10", Press(vk::F10, Shift), true, A::Consume},
      {"Ctrl+F10 beeps", Press(vk::F10, Ctrl), true, A::Beep},
      {"Ctrl+Alt+Left is a Ctrl key", Press(vk::Left, Ctrl | Alt), true, A::Consume},
      {"right button down", rightButton, false, A::PopupMenu},
      {"size", Command(sc::Size), false, A::Consume},
      {"size from the right border", Command(sc::Size + 2), false, A::Consume},
      {"minimise", Command(sc::Minimize), false, A::Consume},
      {"maximise", Command(sc::Maximize), false, A::Consume},
      {"next window", Command(sc::NextWindow), false, A::Consume},
      {"previous window", Command(sc::PrevWindow), false, A::Consume},
      {"close", Command(sc::Close), false, A::Consume},
      {"mouse menu", Command(sc::MouseMenu), false, A::Consume},
      {"mouse menu from the icon", Command(sc::MouseMenu + 3), false, A::Consume},
      {"key menu", Command(sc::KeyMenu), false, A::Consume},
      {"restore", Command(sc::Restore), false, A::Consume},
      {"task list", Command(sc::TaskList), false, A::Consume},
      {"hot key", Command(sc::HotKey), false, A::Consume},
      {"default", Command(sc::Default), false, A::Consume},
      {"context help", Command(sc::ContextHelp), false, A::Consume},
      {"move", Command(sc::Move), false, A::Pass},
      {"screen saver", Command(sc::ScreenSave), false, A::Pass},
      {"monitor power", Command(sc::MonitorPower), false, A::Pass},
      {"not a system command", Command(0x0112), false, A::Pass},
  };
  for (const Case& c : cases)
    EXPECT_EQ(FilterInput(c.event, c.canBackForward), c.action) << c.what;
}

TEST(InputRules, KeyPressesCountTheKeyItselfAsHeld) {
  EXPECT_EQ(Press(vk::Left).leftArrowHeld, true);
  EXPECT_EQ(Press(vk::Right).rightArrowHeld, true);
  EXPECT_EQ(Press(vk::RControl).ctrl, true);
  EXPECT_EQ(Press(vk::RShift).shift, true);
  EXPECT_EQ(Press(vk::RMenu).alt, true);
  const InputEvent up = Press(vk::Up, Shift);
  EXPECT_FALSE(up.leftArrowHeld || up.rightArrowHeld || up.ctrl || up.alt);
  EXPECT_EQ(up.kind, InputKind::KeyDown);
}

TEST(InputRules, KeyPreview) {
  struct Case {
    std::uint16_t key;
    unsigned held;
    KeyPreviewAction action;
  };
  const Case cases[] = {
      {vk::LWin, 0, KeyPreviewAction::SendAltPresses},
      {vk::RWin, Ctrl, KeyPreviewAction::SendAltPresses},
      {vk::Left, Alt, KeyPreviewAction::Back},
      {vk::Right, Alt, KeyPreviewAction::Forward},
      {vk::Left, Alt | Shift, KeyPreviewAction::None},
      {vk::Right, Alt | Ctrl, KeyPreviewAction::None},
      {vk::Left, 0, KeyPreviewAction::None},
      {vk::Up, Alt, KeyPreviewAction::None},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(PreviewKey(c.key, c.held & Ctrl, c.held & Shift, c.held & Alt), c.action)
        << c.key << " held " << c.held;
  }
}

TEST(InputRules, KeyReportsOfTheDesktopLock) {
  TSettings s;
  s.LinkHotKeys = {0x70, 0, 0x70, 0x170, 0xAC};  // F1 twice; F1 with a modifier bit; browser home
  s.ReturnHome = true;
  TSettings quiet = s;
  quiet.ReturnHome = false;
  struct Case {
    std::string what;
    std::uint16_t code;
    bool unlocked;
    const TSettings* settings;
    std::vector<KeyReportAction> actions;
  };
  const Case cases[] = {
      {"both links with the code, the lower first", 0x70, false, &s,
       {{R::ClickLink, 1}, {R::ClickLink, 3}, {R::RestartReturnHomeTimer}}},
      {"a stored key above 255 never matches", 0x170, false, &quiet, {}},
      {"an empty slot never matches key 0", 0, false, &quiet, {}},
      {"a key of no link still restarts the timer", 0x41, false, &s, {{R::RestartReturnHomeTimer}}},
      {"browser back", 0xA6, false, &quiet, {{R::ClickBack}}},
      {"browser forward", 0xA7, false, &quiet, {{R::ClickForward}}},
      {"browser stop", 0xA9, false, &quiet, {{R::ClickStop}}},
      {"browser refresh", 0xA8, false, &quiet, {{R::ClickRefresh}}},
      {"browser home, then a link with the same key", 0xAC, false, &s,
       {{R::ClickHome}, {R::ClickLink, 5}, {R::RestartReturnHomeTimer}}},
      {"browser home while unlocked", 0xAC, true, &s, {{R::ClickHome}}},
      {"unlocked: no link keys and no timer", 0x70, true, &s, {}},
      {"browser search is no browser button", 0xAA, false, &quiet, {}},
  };
  for (const Case& c : cases)
    EXPECT_EQ(KeyReportActions(c.code, c.unlocked, *c.settings), c.actions) << c.what;
}

TEST(InputRules, LogoGestures) {
  const LogoPress chord{.button = 1, .ctrl = true, .alt = true};
  EXPECT_EQ(LogoGesture(chord, true), LogoAction::Unlock);
  EXPECT_EQ(LogoGesture(chord, false), LogoAction::None) << "unlock hot key not allowed";

  struct Case {
    std::string what;
    LogoPress press;
  };
  const Case nothing[] = {
      {"Shift also held", {.button = 1, .ctrl = true, .shift = true, .alt = true}},
      {"Ctrl alone", {.button = 1, .ctrl = true}},
      {"Alt alone", {.button = 1, .alt = true}},
      {"right button", {.button = 3, .ctrl = true, .alt = true}},
      {"another button held", {.button = 1, .otherButtonHeld = true, .ctrl = true, .alt = true}},
      {"no modifiers", {.button = 1}},
  };
  for (const Case& c : nothing) EXPECT_EQ(LogoGesture(c.press, true), LogoAction::None) << c.what;

  EXPECT_EQ(LogoGesture({.button = 1, .doubleClick = true}, false), LogoAction::PasswordDialog);
  EXPECT_EQ(LogoGesture({.button = 1, .ctrl = true, .alt = true, .doubleClick = true}, true),
            LogoAction::PasswordDialog)
      << "the double click asks for the password instead";
  EXPECT_EQ(LogoGesture({.button = 3, .doubleClick = true}, true), LogoAction::None);
}

}  // namespace
}  // namespace orbeta
