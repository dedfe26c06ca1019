// The one error class of the program: a single message text.
#pragma once

#include <QString>
#include <exception>

class TError : public std::exception
{
public:
    explicit TError(const QString &message) : m_message(message), m_utf8(message.toUtf8()) {}

    const QString &Message() const noexcept { return m_message; }
    const char *what() const noexcept override { return m_utf8.constData(); }

private:
    QString m_message;
    QByteArray m_utf8;
};
