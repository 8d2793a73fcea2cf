#pragma once

#include "FileDialogs.h"

#include <QList>
#include <QString>

#include <deque>

// Answers file dialogs from queues the test fills (the empty text, a cancel, when a queue is
// empty) and records what each dialog was asked with.
class FakeFileDialogs final : public FileDialogs
{
public:
    struct Asked
    {
        QString Kind; // "save", "open" or "folder"
        QString Filter;
        QString DefaultExt;
        QString InitialFolder;
        QString ProposedName;
    };

    QString GetSaveFileName(const QString& Filter, const QString& DefaultExt, const QString& InitialFolder,
        const QString& ProposedName) override
    {
        Calls.append({ QStringLiteral("save"), Filter, DefaultExt, InitialFolder, ProposedName });
        return Next(SaveAnswers);
    }
    QString GetOpenFileName(const QString& Filter, const QString& InitialFolder) override
    {
        Calls.append({ QStringLiteral("open"), Filter, {}, InitialFolder, {} });
        return Next(OpenAnswers);
    }
    QString GetExistingFolder(const QString& InitialFolder) override
    {
        Calls.append({ QStringLiteral("folder"), {}, {}, InitialFolder, {} });
        return Next(FolderAnswers);
    }

    std::deque<QString> SaveAnswers;
    std::deque<QString> OpenAnswers;
    std::deque<QString> FolderAnswers;
    QList<Asked> Calls;

private:
    static QString Next(std::deque<QString>& Answers)
    {
        if (Answers.empty())
            return {};
        QString Answer = Answers.front();
        Answers.pop_front();
        return Answer;
    }
};
