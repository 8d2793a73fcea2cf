#include "uFrmHelp.h"

#include <QGuiApplication>
#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

TFrmHelp::TFrmHelp(QWidget* Parent)
    : QDialog(Parent)
    , cxMemo1(new QPlainTextEdit(this))
    , cxButton1(new QPushButton(QStringLiteral("OK"), this))
{
    setObjectName(QStringLiteral("FrmHelp"));
    cxMemo1->setObjectName(QStringLiteral("cxMemo1"));
    cxButton1->setObjectName(QStringLiteral("cxButton1"));

    cxMemo1->setReadOnly(true);
    cxMemo1->setPlainText(HelpLines().join(QLatin1Char('\n')));
    cxButton1->setDefault(true);
    cxButton1->setAutoDefault(true);
    connect(cxButton1, &QPushButton::clicked, this, &QDialog::accept);

    auto* Buttons = new QHBoxLayout;
    Buttons->addStretch();
    Buttons->addWidget(cxButton1);
    Buttons->addStretch();
    auto* Layout = new QVBoxLayout(this);
    Layout->addWidget(cxMemo1);
    Layout->addLayout(Buttons);

    resize(593, 294);
    if (const QScreen* Screen = Parent ? Parent->screen() : QGuiApplication::primaryScreen()) {
        QRect Frame(QPoint(0, 0), size());
        Frame.moveCenter(Screen->availableGeometry().center());
        move(Frame.topLeft());
    }
    FormCreate();
    // Enter presses OK even while the text box has the focus.
    cxButton1->setFocus();
}

void TFrmHelp::FormCreate()
{
    setWindowTitle(QStringLiteral("How to use Tumbalo"));
}

QStringList TFrmHelp::HelpLines()
{
    return {
        QStringLiteral("尽管让宝宝玩键盘和鼠标，电脑会给他反馈，给他成就感，他自己能学会控制它们。不用当心会弄坏"),
        QStringLiteral("系统，因为其它复杂的功能都被屏蔽了。也可以大人陪着宝宝玩，一起交流更有趣。因此有些功能键是"),
        QStringLiteral("为大人设计的："),
        QStringLiteral("Esc: 退出程序"),
        QStringLiteral("F1 : 帮助"),
        QStringLiteral("F2 : 编辑"),
        QStringLiteral("F4 : 标记为能读字(+Ctrl则为读字失败)"),
        QStringLiteral("F5 : 标记为能读图(+Ctrl则为读图失败)"),
        QStringLiteral("F6 : 文字开关"),
        QStringLiteral("F7 : 图片开关"),
        QStringLiteral("F8 : 读词开关"),
        QStringLiteral("F9 : 自动播放"),
        QStringLiteral("F10: 最小化窗体"),
        QStringLiteral("F11: 文字可否到窗体外"),
        QStringLiteral("F12: 全屏切换"),
    };
}
