// The one error class of the program: a single message text, and for a
// failure of a controller exchange where it happened.
#pragma once

#include <QByteArray>
#include <QString>
#include <exception>

// Where a controller exchange failed, as the transfer layer knows it: the
// command, what it moved, and why it did not complete. The message of the
// error stays what it is; the programs show this beside it.
struct TErrorPlace
{
    // Why a command did not complete; None when it did and its answer was
    // found wanting (the message says how).
    enum class TCause {
        None,
        NoAnswer,   // nothing came within the limit
        NoEcho,     // bytes came, but not the command's echo
        NoPrompt,   // the echo came, the prompt did not
        PortClosed, // the port closed while the command waited
        LinkFailed, // the line failed; LinkText says how
    };

    QByteArray Command{}; // as it is shown: a write's bytes as their count
    QByteArray File{};    // the controller file read or written; empty for none
    int Part = 0;         // the tank whose table it moves; 0 for none
    int AnswerLine = 0;   // the answer line at fault, from 1; 0 for none
    TCause Cause = TCause::None;
    QString LinkText{};   // LinkFailed: the link's error text
    int TimeoutMs = 0;    // NoAnswer, NoEcho, NoPrompt: the limit of silence

    bool IsEmpty() const { return Command.isEmpty() && AnswerLine == 0; }
};

class TError : public std::exception
{
public:
    explicit TError(const QString &message, const TErrorPlace &place = {})
        : m_message(message), m_utf8(message.toUtf8()), m_place(place) {}

    const QString &Message() const noexcept { return m_message; }
    // Empty unless a controller exchange failed.
    const TErrorPlace &Place() const noexcept { return m_place; }
    const char *what() const noexcept override { return m_utf8.constData(); }

private:
    QString m_message;
    QByteArray m_utf8;
    TErrorPlace m_place;
};
