#include "ProbeClient.h"

#include <QDeadlineTimer>
#include <QStringList>

namespace {
constexpr int kAnswerMs = 10000;
}

QString ProbeClient::Ask(const QString &query)
{
    if (m_program.state() != QProcess::Running)
        return {};
    m_program.write(query.toUtf8() + '\n');
    const QDeadlineTimer deadline(kAnswerMs);
    for (;;) {
        while (m_program.canReadLine()) {
            // A Windows program's C library ends its lines with CR LF.
            const QString answer = QString::fromUtf8(m_program.readLine()).chopped(1);
            if (m_late > 0) {
                --m_late;
                continue;
            }
            return answer.endsWith(u'\r') ? answer.chopped(1) : answer;
        }
        if (deadline.hasExpired() || !m_program.waitForReadyRead(int(deadline.remainingTime()))) {
            if (m_program.canReadLine())
                continue;
            ++m_late;
            return {};
        }
    }
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
