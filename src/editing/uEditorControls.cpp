#include "uEditorControls.h"

#include "uColorValue.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QPointer>
#include <QStyledItemDelegate>

#include <cstdint>

// --- TEditorGrid -----------------------------------------------------------------------------

// The grid's item delegate, which remembers the cell editor it made last.
class TEditorGrid::TDelegate final : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    QWidget* createEditor(QWidget* Parent, const QStyleOptionViewItem& Option, const QModelIndex& Index) const override
    {
        QWidget* Editor = QStyledItemDelegate::createEditor(Parent, Option, Index);
        LastEditor = Editor;
        return Editor;
    }

    mutable QPointer<QWidget> LastEditor;
};

TEditorGrid::TEditorGrid(QWidget* Parent)
    : QTableView(Parent)
    , FDelegate(new TDelegate(this))
{
    setItemDelegate(FDelegate);
}

void TEditorGrid::CommitEdit()
{
    if (state() != QAbstractItemView::EditingState || !FDelegate->LastEditor)
        return;
    QWidget* Editor = FDelegate->LastEditor;
    commitData(Editor);
    closeEditor(Editor, QAbstractItemDelegate::NoHint);
}

void TEditorGrid::mousePressEvent(QMouseEvent* Event)
{
    QTableView::mousePressEvent(Event);
    emit MouseDown(Event->button(), Event->position().toPoint());
}

void TEditorGrid::mouseMoveEvent(QMouseEvent* Event)
{
    QTableView::mouseMoveEvent(Event);
    emit MouseMove(Event->buttons(), Event->position().toPoint());
}

void TEditorGrid::mouseReleaseEvent(QMouseEvent* Event)
{
    QTableView::mouseReleaseEvent(Event);
    emit MouseUp(Event->button(), Event->position().toPoint());
}

// --- TColorBox -------------------------------------------------------------------------------

TColorBox::TColorBox(QWidget* Parent)
    : QPushButton(Parent)
{
    setIconSize(QSize(48, 14));
    UpdateSwatch();
}

void TColorBox::SetValue(const QVariant& Value)
{
    FValue = Value.isNull() ? QVariant() : Value;
    UpdateSwatch();
}

QColor TColorBox::Color() const
{
    if (FValue.isNull())
        return {};
    return ColorFromValue(static_cast<std::uint32_t>(FValue.toLongLong()), QApplication::palette());
}

void TColorBox::keyPressEvent(QKeyEvent* Event)
{
    if (Event->key() == Qt::Key_Delete || Event->key() == Qt::Key_Backspace) {
        emit Cleared();
        Event->accept();
        return;
    }
    QPushButton::keyPressEvent(Event);
}

void TColorBox::changeEvent(QEvent* Event)
{
    QPushButton::changeEvent(Event);
    if (Event->type() == QEvent::PaletteChange)
        UpdateSwatch(); // system colours follow the theme
}

void TColorBox::UpdateSwatch()
{
    const QColor Shown = Color();
    if (!Shown.isValid()) {
        setIcon(QIcon());
        setText(QString());
        return;
    }
    QPixmap Swatch(iconSize());
    Swatch.fill(Shown);
    QPainter Painter(&Swatch);
    Painter.setPen(palette().color(QPalette::WindowText));
    Painter.drawRect(Swatch.rect().adjusted(0, 0, -1, -1));
    Painter.end();
    setIcon(QIcon(Swatch));
    setText(Shown.name(QColor::HexRgb).toUpper());
}

// --- TPictureView ----------------------------------------------------------------------------

TPictureView::TPictureView(QWidget* Parent)
    : QWidget(Parent)
{
    setFocusPolicy(Qt::NoFocus);
}

void TPictureView::SetPicture(const QImage& Picture)
{
    FPicture = Picture;
    update();
}

void TPictureView::paintEvent(QPaintEvent*)
{
    QPainter Painter(this);
    Painter.setPen(palette().color(QPalette::Mid));
    Painter.drawRect(rect().adjusted(0, 0, -1, -1));
    if (FPicture.isNull())
        return;
    const QRect Inner = rect().adjusted(1, 1, -1, -1);
    QSize Size = FPicture.size();
    if (Size.width() > Inner.width() || Size.height() > Inner.height())
        Size.scale(Inner.size(), Qt::KeepAspectRatio);
    QRect Target(QPoint(0, 0), Size);
    Target.moveCenter(Inner.center());
    Painter.setRenderHint(QPainter::SmoothPixmapTransform);
    Painter.drawImage(Target, FPicture);
}
