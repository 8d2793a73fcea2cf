#pragma once

#include <QDialog>
#include <QStringList>

class QPlainTextEdit;
class QPushButton;

// The help window of F1: the keys for the adult beside the child, in a read-only text box,
// and an OK button that is the default button. Shown modally by the play window and freed
// when it closes.
class TFrmHelp final : public QDialog
{
    Q_OBJECT

public:
    explicit TFrmHelp(QWidget* Parent = nullptr);

    // The fifteen lines of the text box, in order.
    static QStringList HelpLines();

private:
    void FormCreate();

    QPlainTextEdit* cxMemo1;
    QPushButton* cxButton1;
};
