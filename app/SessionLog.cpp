#include "SessionLog.h"

#include "TrafficStore.h"
#include "common/Cp1251.h"

#include <QDir>

TSessionLog::TSessionLog(const TTrafficStore &traffic, QObject *parent) : QObject(parent), m_traffic(traffic)
{
}

TSessionLog::~TSessionLog()
{
    Stop();
}

bool TSessionLog::Start(const QString &path)
{
    Stop();
    m_file.setFileName(path);
    if (!m_file.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Text)) {
        m_errorText = QStringLiteral("Не удалось открыть журнал %1: %2")
                          .arg(QDir::toNativeSeparators(path), m_file.errorString());
        return false;
    }
    m_errorText.clear();
    m_line = m_traffic.LineCount() - 1;
    m_column = m_traffic.LineLength(m_line);
    return true;
}

void TSessionLog::Stop()
{
    if (!Active())
        return;
    WriteReceived();
    if (Active() && m_traffic.LineLength(m_line) > m_column) {
        WriteLine(QDateTime::currentDateTime(), "RX", m_traffic.LineBytes(m_line, m_column));
        m_column = m_traffic.LineLength(m_line);
    }
    m_file.close();
}

void TSessionLog::WriteReceived()
{
    if (!Active() || m_line == m_traffic.LineCount() - 1)
        return;
    const QDateTime now = QDateTime::currentDateTime();
    while (Active() && m_line < m_traffic.LineCount() - 1) {
        WriteLine(now, "RX", m_traffic.LineBytes(m_line, m_column));
        ++m_line;
        m_column = 0;
    }
}

void TSessionLog::WriteSent(const QByteArray &line, const QDateTime &sentAt)
{
    if (Active())
        WriteLine(sentAt, "TX", line);
}

void TSessionLog::WriteLine(const QDateTime &time, const char *direction, const QByteArray &line)
{
    const QByteArray stamp = time.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz")).toLatin1();
    const QByteArray text = stamp + ' ' + direction + ' ' + Cp1251::toUnicode(line).toUtf8() + '\n';
    if (m_file.write(text) != text.size() || !m_file.flush())
        Fail();
}

void TSessionLog::Fail()
{
    m_errorText = QStringLiteral("Журнал %1 остановлен: %2")
                      .arg(QDir::toNativeSeparators(m_file.fileName()), m_file.errorString());
    // What could not be written is dropped: the next session starts afresh.
    m_file.close();
    emit failed(m_errorText);
}
