#pragma once

#include <QKeyEvent>

// The play window's keys are handled by their virtual-key codes (Esc 27, Enter 13, the arrows
// 37 to 40, the digits 48 to 57, F1 112 to F12 123, ...), the one table of key meanings the
// window and its help text were made for. This is the one place where Qt's keys become those
// codes. Modifiers are not looked at, except that a key of the numeric keypad gets the
// keypad's own code (the keypad's 4 is 100, the main keyboard's 4 is 52). A shifted digit of
// the main keyboard ("$" on Shift+4 with the usual layout) counts as its digit, as the key
// itself is the same. Keys without a code of their own give 0.
namespace VirtualKeys {

constexpr int VK_RETURN = 13;
constexpr int VK_SHIFT = 16;
constexpr int VK_CONTROL = 17;
constexpr int VK_MENU = 18;
constexpr int VK_ESCAPE = 27;
constexpr int VK_SPACE = 32;
constexpr int VK_LEFT = 37;
constexpr int VK_UP = 38;
constexpr int VK_RIGHT = 39;
constexpr int VK_DOWN = 40;
constexpr int VK_4 = 52;
constexpr int VK_5 = 53;
constexpr int VK_NUMPAD0 = 96;
constexpr int VK_F1 = 112;
constexpr int VK_F2 = 113;
constexpr int VK_F4 = 115;
constexpr int VK_F5 = 116;
constexpr int VK_F6 = 117;
constexpr int VK_F7 = 118;
constexpr int VK_F8 = 119;
constexpr int VK_F9 = 120;
constexpr int VK_F10 = 121;
constexpr int VK_F11 = 122;
constexpr int VK_F12 = 123;

int FromQt(int Key, Qt::KeyboardModifiers Modifiers);

inline int FromQt(const QKeyEvent& Event)
{
    return FromQt(Event.key(), Event.modifiers());
}

} // namespace VirtualKeys
