#include "ProbeClient.h"

#include <QDeadlineTimer>
#include <QStringList>

namespace {
constexpr int kAnswerMs = 10000;
}

QString ProbeClient::Ask(const QString &query)
{
    if (m_socket.state() != QLocalSocket::ConnectedState) {
        m_socket.abort();
        m_socket.connectToServer(m_name);
        if (!m_socket.waitForConnected(kAnswerMs))
            return {};
    }
    m_socket.write(query.toUtf8() + '\n');
    const QDeadlineTimer deadline(kAnswerMs);
    while (!m_socket.canReadLine()) {
        if (deadline.hasExpired() || !m_socket.waitForReadyRead(int(deadline.remainingTime()))) {
            m_socket.abort();
            return {};
        }
    }
    return QString::fromUtf8(m_socket.readLine()).chopped(1);
}

std::optional<QRect> ProbeClient::Where(const QString &query)
{
    const QStringList numbers = Ask(query).split(u' ');
    if (numbers.size() != 4)
        return std::nullopt;
    return QRect(numbers.at(0).toInt(), numbers.at(1).toInt(), numbers.at(2).toInt(), numbers.at(3).toInt());
}

QString ProbeClient::Text(const QString &objectName)
{
    QString text;
    const QString answer = Ask(QStringLiteral("text ") + objectName);
    for (qsizetype i = 0; i < answer.size(); ++i) {
        if (answer.at(i) == u'\\' && i + 1 < answer.size()) {
            ++i;
            text += answer.at(i) == u'n' ? QChar(u'\n') : answer.at(i);
        } else {
            text += answer.at(i);
        }
    }
    return text;
}
