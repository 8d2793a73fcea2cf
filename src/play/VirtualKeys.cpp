#include "VirtualKeys.h"

#include <QHash>

namespace VirtualKeys {

namespace {

// Keys of the keypad that are not digits: multiply, add, separator, subtract, decimal, divide.
int KeypadOperator(int Key)
{
    switch (Key) {
    case Qt::Key_Asterisk:
        return 106;
    case Qt::Key_Plus:
        return 107;
    case Qt::Key_Comma:
        return 108;
    case Qt::Key_Minus:
        return 109;
    case Qt::Key_Period:
        return 110;
    case Qt::Key_Slash:
        return 111;
    case Qt::Key_Enter:
        return VK_RETURN;
    default:
        return -1;
    }
}

const QHash<int, int>& OtherKeys()
{
    static const QHash<int, int> Table {
        { Qt::Key_Backspace, 8 },
        { Qt::Key_Tab, 9 },
        { Qt::Key_Backtab, 9 },
        { Qt::Key_Clear, 12 },
        { Qt::Key_Return, VK_RETURN },
        { Qt::Key_Enter, VK_RETURN },
        { Qt::Key_Shift, VK_SHIFT },
        { Qt::Key_Control, VK_CONTROL },
        { Qt::Key_Alt, VK_MENU },
        { Qt::Key_AltGr, VK_MENU },
        { Qt::Key_Pause, 19 },
        { Qt::Key_CapsLock, 20 },
        { Qt::Key_Escape, VK_ESCAPE },
        { Qt::Key_Space, VK_SPACE },
        { Qt::Key_PageUp, 33 },
        { Qt::Key_PageDown, 34 },
        { Qt::Key_End, 35 },
        { Qt::Key_Home, 36 },
        { Qt::Key_Left, VK_LEFT },
        { Qt::Key_Up, VK_UP },
        { Qt::Key_Right, VK_RIGHT },
        { Qt::Key_Down, VK_DOWN },
        { Qt::Key_Print, 44 },
        { Qt::Key_Insert, 45 },
        { Qt::Key_Delete, 46 },
        { Qt::Key_Meta, 91 },
        { Qt::Key_Super_L, 91 },
        { Qt::Key_Super_R, 92 },
        { Qt::Key_Menu, 93 },
        { Qt::Key_NumLock, 144 },
        { Qt::Key_ScrollLock, 145 },
        // The shifted digits of the usual layout stand for their digit keys.
        { Qt::Key_Exclam, '1' },
        { Qt::Key_At, '2' },
        { Qt::Key_NumberSign, '3' },
        { Qt::Key_Dollar, '4' },
        { Qt::Key_Percent, '5' },
        { Qt::Key_AsciiCircum, '6' },
        { Qt::Key_Ampersand, '7' },
        { Qt::Key_Asterisk, '8' },
        { Qt::Key_ParenLeft, '9' },
        { Qt::Key_ParenRight, '0' },
        // Punctuation keys of the main keyboard.
        { Qt::Key_Semicolon, 186 },
        { Qt::Key_Colon, 186 },
        { Qt::Key_Equal, 187 },
        { Qt::Key_Plus, 187 },
        { Qt::Key_Comma, 188 },
        { Qt::Key_Less, 188 },
        { Qt::Key_Minus, 189 },
        { Qt::Key_Underscore, 189 },
        { Qt::Key_Period, 190 },
        { Qt::Key_Greater, 190 },
        { Qt::Key_Slash, 191 },
        { Qt::Key_Question, 191 },
        { Qt::Key_QuoteLeft, 192 },
        { Qt::Key_AsciiTilde, 192 },
        { Qt::Key_BracketLeft, 219 },
        { Qt::Key_BraceLeft, 219 },
        { Qt::Key_Backslash, 220 },
        { Qt::Key_Bar, 220 },
        { Qt::Key_BracketRight, 221 },
        { Qt::Key_BraceRight, 221 },
        { Qt::Key_Apostrophe, 222 },
        { Qt::Key_QuoteDbl, 222 },
    };
    return Table;
}

} // namespace

int FromQt(int Key, Qt::KeyboardModifiers Modifiers)
{
    const bool Keypad = Modifiers.testFlag(Qt::KeypadModifier);
    if (Key >= Qt::Key_0 && Key <= Qt::Key_9)
        return Keypad ? VK_NUMPAD0 + (Key - Qt::Key_0) : Key; // Qt's digits are their ASCII codes
    if (Keypad) {
        const int Operator = KeypadOperator(Key);
        if (Operator >= 0)
            return Operator;
    }
    if (Key >= Qt::Key_A && Key <= Qt::Key_Z)
        return Key; // Qt's letters are their upper-case ASCII codes, as the virtual keys are
    if (Key >= Qt::Key_F1 && Key <= Qt::Key_F24)
        return VK_F1 + (Key - Qt::Key_F1);
    return OtherKeys().value(Key, 0);
}

} // namespace VirtualKeys
