#include "AnswerParser.h"

void TAnswerParser::Begin(const QByteArray &command)
{
    m_lines = {QByteArray()};
    m_echo = command + "\r\r\n";
    m_echoBuffer.clear();
    m_echoPending = !command.isEmpty();
}

// The part of a chunk that belongs to the answer: nothing while the echo is
// awaited, then what follows the echo.
QByteArray TAnswerParser::TakeAnswerPart(const QByteArray &chunk)
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

bool TAnswerParser::Feed(const QByteArray &chunk)
{
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
            return true;
        } else {
            piece += c;
            m_atLineStart = false;
        }
    }
    m_lines.last() += piece;
    return false;
}
