// make-demo: builds the demo word list from a text file.
//
//   make-demo WORDS.txt OUT.tlo
//
// WORDS.txt has one entry per line: word, category, background colour (#RRGGBB or "-") and
// an emoji, separated by tabs; "#" starts a comment line. Each entry gets a picture: the
// emoji drawn large from the colour emoji font on the entry's colour, or, where that font is
// missing or draws nothing, a plain drawing of the word's first letter, so the build never
// fails for want of a font. The list's settings ask for a large label in a roomy window.
// Errors go to standard error with exit status 1.

#include "Error.h"
#include "uINIFileForEXE.h"
#include "uWordData.h"

#include <QColor>
#include <QFile>
#include <QFileInfo>
#include <QFont>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QRadialGradient>
#include <QTemporaryDir>
#include <QTextStream>

#include <cstdio>

namespace {

constexpr int PictureWidth = 640;
constexpr int PictureHeight = 480;
const QString EmojiFamily = QStringLiteral("Noto Color Emoji");

struct TDemoEntry
{
    QString Word;
    QString Category;
    QColor Color; // invalid: the entry has no colour
    QString Emoji;
};

QList<TDemoEntry> ReadEntries(const QString& FileName)
{
    QFile File(FileName);
    if (!File.open(QIODevice::ReadOnly | QIODevice::Text))
        throw Error(QStringLiteral("Cannot read %1").arg(FileName));
    QList<TDemoEntry> Entries;
    int LineNumber = 0;
    QTextStream In(&File);
    In.setEncoding(QStringConverter::Utf8);
    while (!In.atEnd()) {
        const QString Line = In.readLine();
        ++LineNumber;
        if (Line.trimmed().isEmpty() || Line.startsWith(QLatin1Char('#')))
            continue;
        const QStringList Fields = Line.split(QLatin1Char('\t'));
        if (Fields.size() != 4)
            throw Error(QStringLiteral("%1:%2: four tab-separated fields expected").arg(FileName).arg(LineNumber));
        TDemoEntry Entry { Fields[0].trimmed(), Fields[1].trimmed(), QColor(), Fields[3].trimmed() };
        if (Fields[2].trimmed() != QLatin1String("-")) {
            Entry.Color = QColor::fromString(Fields[2].trimmed());
            if (!Entry.Color.isValid())
                throw Error(QStringLiteral("%1:%2: bad colour %3").arg(FileName).arg(LineNumber).arg(Fields[2]));
        }
        Entries.append(Entry);
    }
    return Entries;
}

// The colour value of the list file: 0x00BBGGRR.
qint32 ColorValue(const QColor& Color)
{
    return qint32((Color.blue() << 16) | (Color.green() << 8) | Color.red());
}

// A canvas in the entry's colour (white when it has none), lighter towards the middle.
QImage Canvas(const QColor& Color)
{
    QImage Picture(PictureWidth, PictureHeight, QImage::Format_RGB32);
    const QColor Base = Color.isValid() ? Color : QColor(Qt::white);
    QPainter Painter(&Picture);
    QRadialGradient Glow(QPointF(PictureWidth / 2.0, PictureHeight / 2.0), PictureWidth * 0.6);
    Glow.setColorAt(0, Base.lighter(110));
    Glow.setColorAt(1, Base.darker(110));
    Painter.fillRect(Picture.rect(), Glow);
    return Picture;
}

// Whether the glyph left any visible pixel: a font without it may draw nothing at all.
bool HasVisiblePixels(const QImage& Drawn)
{
    int Visible = 0;
    for (int Y = 0; Y < Drawn.height(); Y += 4) {
        const QRgb* Line = reinterpret_cast<const QRgb*>(Drawn.constScanLine(Y));
        for (int X = 0; X < Drawn.width(); X += 4) {
            if (qAlpha(Line[X]) > 128)
                ++Visible;
        }
    }
    return Visible > 50;
}

// The emoji drawn from the colour emoji font into a transparent square, or a null image.
QImage DrawEmoji(const QString& Emoji)
{
    if (Emoji.isEmpty() || !QFontDatabase::families().contains(EmojiFamily))
        return {};
    QImage Glyph(400, 400, QImage::Format_ARGB32_Premultiplied);
    Glyph.fill(Qt::transparent);
    QFont Font(EmojiFamily);
    Font.setPixelSize(300);
    QPainter Painter(&Glyph);
    Painter.setRenderHint(QPainter::SmoothPixmapTransform);
    Painter.setFont(Font);
    Painter.drawText(Glyph.rect(), Qt::AlignCenter, Emoji);
    Painter.end();
    return HasVisiblePixels(Glyph) ? Glyph : QImage();
}

// The plain picture: the word's first letter in a circle.
void DrawPlain(QPainter& Painter, const TDemoEntry& Entry)
{
    const QRectF Circle(PictureWidth / 2.0 - 170, PictureHeight / 2.0 - 170, 340, 340);
    Painter.setRenderHint(QPainter::Antialiasing);
    Painter.setPen(QPen(QColor(80, 80, 80), 8));
    Painter.setBrush(QColor::fromHsv(int(qHash(Entry.Word) % 360), 120, 240));
    Painter.drawEllipse(Circle);
    QFont Font;
    Font.setPixelSize(200);
    Font.setBold(true);
    Painter.setFont(Font);
    Painter.setPen(QColor(40, 40, 40));
    Painter.drawText(Circle, Qt::AlignCenter, Entry.Word.left(1).toUpper());
}

QImage DrawPicture(const TDemoEntry& Entry, bool* UsedEmoji)
{
    QImage Picture = Canvas(Entry.Color);
    QPainter Painter(&Picture);
    const QImage Glyph = DrawEmoji(Entry.Emoji);
    *UsedEmoji = !Glyph.isNull();
    if (*UsedEmoji) {
        Painter.setRenderHint(QPainter::SmoothPixmapTransform);
        const QRect Target((PictureWidth - 400) / 2, (PictureHeight - 400) / 2, 400, 400);
        Painter.drawImage(Target, Glyph);
    } else {
        DrawPlain(Painter, Entry);
    }
    return Picture;
}

void MakeDemo(const QString& WordsFile, const QString& OutFile)
{
    const QList<TDemoEntry> Entries = ReadEntries(WordsFile);
    QTemporaryDir Folder;
    if (!Folder.isValid())
        throw Error(QStringLiteral("Cannot make a working folder: %1").arg(Folder.errorString()));
    const QString Dir = Folder.path() + QLatin1Char('/');
    GlobalIniFileName = Dir + QStringLiteral("Tumbalo.ini");
    TWordData Data(Dir, {}, false);
    int Drawn = 0;
    for (const TDemoEntry& Entry : Entries) {
        TDataTable& Table = Data.DataSet();
        Table.Append();
        Table.FieldByName(QStringLiteral("Word")).SetAsString(Entry.Word);
        if (Entry.Color.isValid())
            Table.FieldByName(QStringLiteral("BackColor")).SetAsInteger(ColorValue(Entry.Color));
        Table.FieldByName(QStringLiteral("Category")).SetAsString(Entry.Category);
        Table.Post();
        bool UsedEmoji = false;
        const QImage Picture = DrawPicture(Entry, &UsedEmoji);
        Data.StorePhoto(Picture);
        Drawn += UsedEmoji ? 1 : 0;
    }
    Data.DataSet().First();

    // A label large enough to read across the room, in a window that is not full screen.
    TIniFileForEXE::WriteString(QStringLiteral("FontSize"), QStringLiteral("96"));
    TIniFileForEXE::WriteString(QStringLiteral("IsFullShow"), QStringLiteral("False"));
    TIniFileForEXE::WriteString(QStringLiteral("MainFormWidth"), QStringLiteral("960"));
    TIniFileForEXE::WriteString(QStringLiteral("MainFormHeight"), QStringLiteral("720"));
    TIniFileForEXE::WriteString(QStringLiteral("FirstWord"), Entries.isEmpty() ? QString() : Entries.first().Word);
    TIniFileForEXE::WriteString(QStringLiteral("AutoRunInterval"), QStringLiteral("2000"));

    QFile::remove(OutFile);
    Data.SetModified(true);
    if (!Data.SaveToFile(QFileInfo(OutFile).absoluteFilePath()))
        throw Error(QStringLiteral("Cannot write %1").arg(OutFile));
    std::printf("%s: %d entries, %d pictures from the emoji font\n", qPrintable(OutFile), int(Entries.size()), Drawn);
}

} // namespace

int main(int argc, char* argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication App(argc, argv);
    const QStringList Args = App.arguments();
    if (Args.size() != 3) {
        std::fprintf(stderr, "usage: make-demo WORDS.txt OUT.tlo\n");
        return 2;
    }
    try {
        MakeDemo(Args[1], Args[2]);
    } catch (const std::exception& E) {
        std::fprintf(stderr, "make-demo: %s\n", qPrintable(ErrorText(E)));
        return 1;
    }
    return 0;
}
