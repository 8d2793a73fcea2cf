// The real progress dialog: shown over the work, cancelled by its button, and a busy dialog
// without a button for work that cannot stop.

#include "QtProgressRunner.h"

#include <QApplication>
#include <QProgressDialog>
#include <QPushButton>
#include <QWidget>

#include <gtest/gtest.h>

namespace {

QProgressDialog* ShownDialog(QWidget& Parent)
{
    QProgressDialog* Dialog = Parent.findChild<QProgressDialog*>();
    return Dialog && Dialog->isVisible() ? Dialog : nullptr;
}

TEST(ProgressRunnerTest, CancelButtonStopsTheWorkBeforeItsNextEntry)
{
    QWidget Parent;
    Parent.show();
    QtProgressRunner Runner(&Parent, 0);
    int Done = 0;
    QString Caption;
    Runner.Run(QStringLiteral("Appending entries..."), true, [&](const TProgress& Progress) {
        for (int Entry = 0; Entry < 100; ++Entry) {
            if (!Progress(Entry, 100))
                break;
            ++Done;
            if (Entry == 10) {
                QProgressDialog* Dialog = ShownDialog(Parent);
                ASSERT_NE(Dialog, nullptr);
                Caption = Dialog->labelText();
                EXPECT_EQ(Dialog->maximum(), 100);
                EXPECT_TRUE(Dialog->isModal());
                Dialog->findChild<QPushButton*>()->click();
            }
        }
    });
    EXPECT_EQ(Done, 11);
    EXPECT_EQ(Caption, "Appending entries...");
    EXPECT_EQ(ShownDialog(Parent), nullptr);
}

TEST(ProgressRunnerTest, WorkThatCannotStopShowsABusyDialogWithoutButton)
{
    QWidget Parent;
    Parent.show();
    QtProgressRunner Runner(&Parent, 400);
    bool Shown = false;
    bool HasButton = true;
    bool Answer = false;
    Runner.Run(QStringLiteral("Saving..."), false, [&](const TProgress& Progress) {
        // The dialog is on screen before the work starts, whatever the minimum duration.
        QProgressDialog* Dialog = ShownDialog(Parent);
        Shown = Dialog != nullptr;
        HasButton = Dialog && Dialog->findChild<QPushButton*>() && Dialog->findChild<QPushButton*>()->isVisible();
        Answer = Progress(1, 2);
    });
    EXPECT_TRUE(Shown);
    EXPECT_FALSE(HasButton);
    EXPECT_TRUE(Answer);
    EXPECT_EQ(ShownDialog(Parent), nullptr);
}

TEST(ProgressRunnerTest, ErrorsOfTheWorkReachTheCallerAndTheDialogGoes)
{
    QWidget Parent;
    Parent.show();
    QtProgressRunner Runner(&Parent, 0);
    EXPECT_THROW(Runner.Run(QStringLiteral("Exporting..."), true,
                     [](const TProgress& Progress) {
                         Progress(0, 5);
                         throw std::runtime_error("disk full");
                     }),
        std::runtime_error);
    EXPECT_EQ(ShownDialog(Parent), nullptr);
}

} // namespace
