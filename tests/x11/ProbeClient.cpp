#include "ProbeClient.h"

#include "app/TestProbe.h"

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
    m_asking = true;
    const QDeadlineTimer deadline(kAnswerMs);
    QString answer;
    for (bool answered = false; !answered;) {
        while (!answered && m_program.canReadLine()) {
            answer = QString::fromUtf8(m_program.readLine());
            answered = IsAnswer(answer);
        }
        if (answered)
            break;
        if (deadline.hasExpired() || !m_program.waitForReadyRead(int(deadline.remainingTime()))) {
            if (m_program.canReadLine())
                continue;
            ++m_late;
            answer.clear();
            break;
        }
    }
    m_asking = false;
    return answer;
}

void ProbeClient::Watch()
{
    m_program.write("watch\n");
    ++m_late; // its "ok" answers no query
}

void ProbeClient::Drain()
{
    if (m_asking)
        return;
    while (m_program.canReadLine()) {
        QString line = QString::fromUtf8(m_program.readLine());
        if (IsAnswer(line))
            qWarning("probe: an answer that no query waits for: %s", qPrintable(line));
    }
}

bool ProbeClient::IsAnswer(QString &line)
{
    line.chop(1);
    if (line.endsWith(u'\r')) // a Windows program's C library ends its lines with CR LF
        line.chop(1);
    if (line == QLatin1String(TTestProbe::ChangeNote)) {
        ++m_notes;
        return false;
    }
    if (m_late > 0) {
        --m_late;
        return false;
    }
    return true;
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
