#pragma once

#include <QString>

#include <stdexcept>

// A failure that reaches the user as a message: the text is what the user reads. Raised by
// services and shown by windows; the what() text is the same message in UTF-8.
class Error : public std::runtime_error
{
public:
    explicit Error(const QString& Text);

    QString Text() const;
};

// A programming error or a broken precondition. The message names the source file and
// line where it was raised, after the text.
class AssertionError : public Error
{
public:
    AssertionError(const QString& Text, const char* File, int Line);
};

// Raises an AssertionError naming this source file and line when Condition is false.
#define TUMBALO_ASSERT(Condition, Text)                                                                                \
    do {                                                                                                               \
        if (!(Condition))                                                                                              \
            throw AssertionError((Text), __FILE__, __LINE__);                                                          \
    } while (false)

// The text of any exception, for message boxes and standard error.
QString ErrorText(const std::exception& E);
