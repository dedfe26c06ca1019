#include "TerminalCommand.h"

#include "Terminal.h"
#include "common/Cp1251.h"
#include "common/Error.h"

#include <QCoreApplication>

TTerminalCommand::TTerminalCommand(TTerminal &terminal) : m_terminal(terminal)
{
    m_link.OnClose = [this](TTerminal *) { HandleClose(); };
    m_link.OnError = [this](TTerminal *, const QString &text) { HandleError(text); };
    m_link.OnData = [this](TTerminal *, const QByteArray &chunk) { HandleData(chunk); };
    m_terminal.AddLink(&m_link);

    m_timer.setSingleShot(true);
    QObject::connect(&m_timer, &QTimer::timeout, [this] { HandleTimeout(); });
}

TTerminalCommand::~TTerminalCommand()
{
    Finish();
    m_terminal.RemoveLink(&m_link);
}

void TTerminalCommand::Start(const QByteArray &CommandText)
{
    if (m_busy || !m_terminal.ClaimExchange(this))
        throw TError(QStringLiteral("Терминал занят"));

    m_busy = true;
    m_succeeded = false;
    m_lines = {QByteArray()};
    m_errorText.clear();
    m_command = CommandText;
    m_echo = CommandText + "\r\r\n";
    m_echoBuffer.clear();
    m_echoPending = !CommandText.isEmpty();
    m_timer.start(m_terminal.CommandTimeout());
    emit m_terminal.commandStarted(m_command);

    try {
        m_terminal.Open();
        m_terminal.Send(CommandText + '\r');
    } catch (...) {
        Finish();
        throw;
    }
}

void TTerminalCommand::Execute(const QByteArray &CommandText)
{
    Start(CommandText);
    while (m_busy)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    if (!m_succeeded)
        throw TError(Cp1251::toUnicode(CommandText));
}

void TTerminalCommand::Finish()
{
    if (!m_busy)
        return;
    m_busy = false;
    m_timer.stop();
    m_terminal.ReleaseExchange(this);
    emit m_terminal.commandFinished(m_command, m_succeeded);
}

// The part of a chunk that belongs to the answer: nothing while the echo is
// awaited, then what follows the echo.
QByteArray TTerminalCommand::TakeAnswerPart(const QByteArray &chunk)
{
    if (!m_echoPending)
        return chunk;

    m_echoBuffer += chunk;
    const qsizetype found = m_echoBuffer.indexOf(m_echo);
    if (found < 0) {
        // Only a tail shorter than the echo can still be its beginning.
        const qsizetype keep = m_echo.size() - 1;
        if (m_echoBuffer.size() > keep)
            m_echoBuffer.remove(0, m_echoBuffer.size() - keep);
        return {};
    }
    QByteArray rest = m_echoBuffer.mid(found + m_echo.size());
    m_echoBuffer.clear();
    m_echoPending = false;
    m_atLineStart = true;
    return rest;
}

void TTerminalCommand::HandleData(const QByteArray &chunk)
{
    if (!m_busy)
        return;
    m_timer.stop();

    const QByteArray text = TakeAnswerPart(chunk);
    QByteArray piece;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char c = text.at(i);
        if (c == '\r')
            continue;
        if (c == '\n') {
            m_lines.last() += piece;
            m_lines.append(QByteArray());
            piece.clear();
            m_atLineStart = true;
        } else if (c == '>' && i == text.size() - 1 && m_atLineStart) {
            m_lines.removeLast();
            m_succeeded = true;
            Finish();
            return;
        } else {
            piece += c;
            m_atLineStart = false;
        }
    }
    m_lines.last() += piece;
    m_timer.start(m_terminal.CommandTimeout());
}

void TTerminalCommand::HandleClose()
{
    if (!m_busy)
        return;
    m_errorText = QStringLiteral("Порт закрыт");
    Finish();
}

void TTerminalCommand::HandleError(const QString &text)
{
    if (!m_busy)
        return;
    m_errorText = text;
    Finish();
}

void TTerminalCommand::HandleTimeout()
{
    if (!m_busy)
        return;
    m_errorText = QStringLiteral("Таймаут");
    Finish();
}
