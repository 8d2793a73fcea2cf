#pragma once

#include <QImage>
#include <QPushButton>
#include <QTableView>
#include <QVariant>
#include <QWidget>

// Small controls of the editor window that Qt has no ready-made widget for.

// The editor's grid: a table view that reports presses, moves and releases of the mouse on
// its cells after it has handled them itself, so that by then the focus has moved to the cell
// under the pointer (the fill-drag relies on that). The headers are widgets of their own, so
// presses on them are never reported.
class TEditorGrid final : public QTableView
{
    Q_OBJECT

public:
    explicit TEditorGrid(QWidget* Parent = nullptr);

    // Writes what an open cell editor holds into its cell and closes it, so that a command
    // that moves the focus does not have the editor write into the entry it moved to.
    void CommitEdit();

signals:
    // Position in the cells' area (the viewport), after the view moved its focus.
    void MouseDown(Qt::MouseButton Button, const QPoint& Position);
    void MouseMove(Qt::MouseButtons Buttons, const QPoint& Position);
    void MouseUp(Qt::MouseButton Button, const QPoint& Position);

protected:
    void mousePressEvent(QMouseEvent* Event) override;
    void mouseMoveEvent(QMouseEvent* Event) override;
    void mouseReleaseEvent(QMouseEvent* Event) override;

private:
    class TDelegate;
    TDelegate* FDelegate; // Qt child
};

// The background colour box: a button showing the entry's colour as a swatch. A click asks
// for another colour (Clicked), Delete or Backspace asks to take the colour away (Cleared); the
// owner decides and writes the entry, which then shows here through SetValue. The value is
// a colour value (0x00BBGGRR, or a system colour with the high byte 0xFF) or null.
class TColorBox final : public QPushButton
{
    Q_OBJECT

public:
    explicit TColorBox(QWidget* Parent = nullptr);

    void SetValue(const QVariant& Value);
    const QVariant& Value() const { return FValue; }
    // The colour the swatch shows; invalid for null.
    QColor Color() const;

signals:
    void Cleared();

protected:
    void keyPressEvent(QKeyEvent* Event) override;
    void changeEvent(QEvent* Event) override;

private:
    void UpdateSwatch();

    QVariant FValue;
};

// The editor's picture control: shows one picture scaled to fit, centred, keeping its
// proportions. It takes no input; pictures come and go through the editor's buttons.
class TPictureView final : public QWidget
{
    Q_OBJECT

public:
    explicit TPictureView(QWidget* Parent = nullptr);

    void SetPicture(const QImage& Picture);
    void Clear() { SetPicture(QImage()); }
    const QImage& Picture() const { return FPicture; }
    bool HasPicture() const { return !FPicture.isNull(); }

protected:
    void paintEvent(QPaintEvent* Event) override;

private:
    QImage FPicture;
};
