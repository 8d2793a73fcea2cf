// The small parts of the play library: key codes, dialog filters, colour values, text
// comparison of file names.

#include "QtFileDialogs.h"
#include "VirtualKeys.h"
#include "uColorValue.h"
#include "uTumbaloMain.h"

#include <QApplication>

#include <gtest/gtest.h>

#include <string>

namespace {

struct TKeyCase
{
    int QtKey;
    Qt::KeyboardModifiers Modifiers;
    int Code;
};

class VirtualKeyTest : public ::testing::TestWithParam<TKeyCase>
{ };

TEST_P(VirtualKeyTest, QtKeysBecomeTheirCodes)
{
    const TKeyCase& Case = GetParam();
    EXPECT_EQ(VirtualKeys::FromQt(Case.QtKey, Case.Modifiers), Case.Code) << std::hex << Case.QtKey;
}

INSTANTIATE_TEST_SUITE_P(Keys, VirtualKeyTest,
    ::testing::Values(TKeyCase { Qt::Key_Escape, {}, 27 }, TKeyCase { Qt::Key_Return, {}, 13 },
        TKeyCase { Qt::Key_Enter, Qt::KeypadModifier, 13 }, TKeyCase { Qt::Key_F1, {}, 112 },
        TKeyCase { Qt::Key_F12, {}, 123 }, TKeyCase { Qt::Key_F4, Qt::ControlModifier, 115 },
        TKeyCase { Qt::Key_Left, {}, 37 }, TKeyCase { Qt::Key_Up, {}, 38 }, TKeyCase { Qt::Key_Right, {}, 39 },
        TKeyCase { Qt::Key_Down, {}, 40 }, TKeyCase { Qt::Key_4, {}, 52 }, TKeyCase { Qt::Key_5, {}, 53 },
        TKeyCase { Qt::Key_4, Qt::KeypadModifier, 100 }, TKeyCase { Qt::Key_0, Qt::KeypadModifier, 96 },
        TKeyCase { Qt::Key_Dollar, Qt::ShiftModifier, 52 }, TKeyCase { Qt::Key_Percent, Qt::ShiftModifier, 53 },
        TKeyCase { Qt::Key_Plus, Qt::KeypadModifier, 107 }, TKeyCase { Qt::Key_A, {}, 65 },
        TKeyCase { Qt::Key_Z, Qt::ShiftModifier, 90 }, TKeyCase { Qt::Key_Space, {}, 32 },
        TKeyCase { Qt::Key_Shift, Qt::ShiftModifier, 16 }, TKeyCase { Qt::Key_Control, {}, 17 },
        TKeyCase { Qt::Key_Alt, {}, 18 }, TKeyCase { Qt::Key_Super_L, {}, 91 }, TKeyCase { Qt::Key_Tab, {}, 9 },
        TKeyCase { Qt::Key_VolumeUp, {}, 0 }));

struct TFilterCase
{
    QString Filter;
    QStringList Expected;
};

class NameFilterTest : public ::testing::TestWithParam<TFilterCase>
{ };

TEST_P(NameFilterTest, PipePairsBecomeQtFilters)
{
    EXPECT_EQ(QtFileDialogs::NameFilters(GetParam().Filter), GetParam().Expected) << GetParam().Filter.toStdString();
}

INSTANTIATE_TEST_SUITE_P(Filters, NameFilterTest,
    ::testing::Values(TFilterCase { "Tumbalo(*.tlo)|*.tlo", { "Tumbalo (*.tlo)" } },
        TFilterCase { "Tumbalo(*.tlo)|*.tlo|Text file(*.txt)|*.txt", { "Tumbalo (*.tlo)", "Text file (*.txt)" } },
        TFilterCase { "Sound|*.wav;*.mp3", { "Sound (*.wav *.mp3)" } },
        TFilterCase { "Sound (*.wav;*.mp3)|*.wav;*.mp3", { "Sound (*.wav *.mp3)" } },
        TFilterCase { "All|*.*|Dangling", { "All (*.*)" } }, TFilterCase { "", {} }));

struct TColorCase
{
    std::uint32_t Value;
    QPalette::ColorRole Role; // NoRole: an RGB colour
    QColor Rgb;
};

class ColorValueTest : public ::testing::TestWithParam<TColorCase>
{ };

TEST_P(ColorValueTest, ValuesPaintAsRgbOrAsThePalette)
{
    const TColorCase& Case = GetParam();
    QPalette Palette;
    Palette.setColor(QPalette::Button, QColor(1, 2, 3));
    Palette.setColor(QPalette::Window, QColor(4, 5, 6));
    Palette.setColor(QPalette::Highlight, QColor(7, 8, 9));
    Palette.setColor(QPalette::WindowText, QColor(10, 11, 12));
    const QColor Expected = Case.Role == QPalette::NoRole ? Case.Rgb : Palette.color(Case.Role);
    EXPECT_EQ(ColorFromValue(Case.Value, Palette), Expected) << std::hex << Case.Value;
    if (Case.Role == QPalette::NoRole) {
        EXPECT_EQ(ValueFromColor(Expected), Case.Value & 0x00FFFFFF);
    }
}

INSTANTIATE_TEST_SUITE_P(Values, ColorValueTest,
    ::testing::Values(TColorCase { 0x000000FF, QPalette::NoRole, QColor(255, 0, 0) },
        TColorCase { 0x00FF0000, QPalette::NoRole, QColor(0, 0, 255) },
        TColorCase { 0x00808000, QPalette::NoRole, QColor(0, 128, 128) },
        TColorCase { 0x00FFFFFF, QPalette::NoRole, QColor(255, 255, 255) },
        TColorCase { 0xFF00000F, QPalette::Button, {} }, TColorCase { 0xFF000004, QPalette::Window, {} },
        TColorCase { 0xFF00000D, QPalette::Highlight, {} }, TColorCase { 0xFF000007, QPalette::WindowText, {} },
        TColorCase { 0xFF0000FE, QPalette::Button, {} }));

TEST(SameTextAsciiTest, OnlyAsciiLettersIgnoreCase)
{
    EXPECT_TRUE(SameTextAscii("/Home/A.tlo", "/home/a.TLO"));
    EXPECT_FALSE(SameTextAscii("/home/a.tlo", "/home/a.tl"));
    EXPECT_FALSE(SameTextAscii(QString::fromUtf8("Ä").toUtf8(), QString::fromUtf8("ä").toUtf8()));
    EXPECT_TRUE(SameTextAscii(QString::fromUtf8("海海.tlo").toUtf8(), QString::fromUtf8("海海.TLO").toUtf8()));
    EXPECT_FALSE(SameTextAscii("[", "{")); // not letters
    EXPECT_TRUE(SameTextAscii("", ""));
}

} // namespace
