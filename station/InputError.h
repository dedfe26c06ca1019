// Bad input or usage: reported before anything goes to the controller.
#pragma once

#include <QString>
#include <exception>

class TInputError : public std::exception
{
public:
    explicit TInputError(const QString &message) : m_message(message), m_utf8(message.toUtf8()) {}

    const QString &Message() const noexcept { return m_message; }
    const char *what() const noexcept override { return m_utf8.constData(); }

private:
    QString m_message;
    QByteArray m_utf8;
};
