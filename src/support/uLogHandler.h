#pragma once

#include <QString>

#include <functional>
#include <memory>

class MessageBoxes;

// Appends plain lines (no time stamp, no level) to a log file, opening and closing the file for
// every line so it can be read or removed while the program runs and every written line is on
// disk. A name that cannot serve as the log file is reported once, as a warning through the
// message boxes the handler was given; logging is then off and WriteLine writes nothing.
class TLogHandler
{
public:
    // Boxes shows the failure of SetFileName; it must outlive the calls to SetFileName. With
    // nullptr the failure only switches logging off.
    explicit TLogHandler(MessageBoxes* Boxes = nullptr);

    // Binds the handler to the log file Name: checks the name and creates its folder (see
    // CheckFileName). The file itself is not touched. Nothing happens when Name equals the
    // current FileName.
    void SetFileName(const QString& Name);

    // Appends Text and CR LF to the log file in UTF-8, creating the file when missing; nothing
    // when no file is set. Fails with an Error "Unable to write to <file>" when the file cannot
    // be opened or written.
    void WriteLine(const QString& Text);

    // Calls Operation with Argument. Label only names the call for the reader of the call site;
    // nothing is logged, and errors of Operation pass through unchanged.
    void Run(const QString& Argument, const QString& Label, const std::function<void(const QString&)>& Operation);

    // The log file's full path; empty while no usable name is set.
    const QString& FileName() const { return FFileName; }

private:
    MessageBoxes* FBoxes;
    QString FFileName;
};

// The program-wide log handler. Until the play window installs its own with ReplaceLogHandler,
// this is a handler without a file, whose WriteLine writes nothing.
TLogHandler& LogHandler();

// Puts Handler in place of the program-wide log handler and returns the previous one (nullptr
// when nothing had asked for one yet).
std::unique_ptr<TLogHandler> ReplaceLogHandler(std::unique_ptr<TLogHandler> Handler);
