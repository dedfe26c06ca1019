// The test's side of the program's query socket (see app/TestProbe.h).
#pragma once

#include <QLocalSocket>
#include <QRect>
#include <QString>
#include <optional>

class ProbeClient
{
public:
    explicit ProbeClient(const QString &name) : m_name(name) {}

    // The answer to one query; empty when the program does not answer.
    QString Ask(const QString &query);
    // A rectangle answer in screen coordinates; none for "none".
    std::optional<QRect> Where(const QString &query);
    // A text answer with its line ends restored.
    QString Text(const QString &objectName);

private:
    QString m_name;
    QLocalSocket m_socket;
};
