#include "uColorValue.h"

QPalette::ColorRole SystemColorRole(std::uint32_t Index)
{
    switch (Index) {
    case 1: // desktop
    case 12: // application workspace
        return QPalette::Dark;
    case 2: // active caption
    case 13: // highlight
    case 27: // gradient of the active caption
    case 29: // highlighted menu item
        return QPalette::Highlight;
    case 3: // inactive caption
    case 16: // button shadow
    case 28: // gradient of the inactive caption
        return QPalette::Mid;
    case 4: // menu
    case 10: // active border
    case 11: // inactive border
    case 30: // menu bar
        return QPalette::Window;
    case 5: // window background
        return QPalette::Base;
    case 6: // window frame
    case 21: // dark 3D shadow
        return QPalette::Shadow;
    case 7: // menu text
    case 19: // inactive caption text
        return QPalette::WindowText;
    case 8: // window text
        return QPalette::Text;
    case 9: // caption text
    case 14: // highlighted text
        return QPalette::HighlightedText;
    case 18: // button text
        return QPalette::ButtonText;
    case 20: // button highlight
        return QPalette::Light;
    case 22: // 3D light
        return QPalette::Midlight;
    case 23: // tooltip text
        return QPalette::ToolTipText;
    case 24: // tooltip background
        return QPalette::ToolTipBase;
    case 26: // hot-tracked item
        return QPalette::Link;
    case 17: // grey text
        return QPalette::PlaceholderText;
    case 0: // scroll bar
    case 15: // button face
    default:
        return QPalette::Button;
    }
}

QColor ColorFromValue(std::uint32_t Value, const QPalette& Palette)
{
    if ((Value >> 24) == 0xFF)
        return Palette.color(QPalette::Active, SystemColorRole(Value & 0xFF));
    return QColor(int(Value & 0xFF), int((Value >> 8) & 0xFF), int((Value >> 16) & 0xFF));
}

std::uint32_t ValueFromColor(const QColor& Color)
{
    return std::uint32_t(Color.red()) | (std::uint32_t(Color.green()) << 8) | (std::uint32_t(Color.blue()) << 16);
}
