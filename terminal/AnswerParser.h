// Takes a controller's answer apart, chunk by chunk.
//
// Everything before the echo (the command followed by CR CR LF) is dropped.
// What follows is split into lines at LF; CR is ignored anywhere. The
// answer ends with the prompt: a '>' that is the last character of a chunk
// and stands at a line start. Whether the last character handled ended a
// line carries over from one answer to the next.
#pragma once

#include <QByteArray>
#include <QList>

class TAnswerParser
{
public:
    // Starts a new answer to command. An empty command awaits no echo.
    void Begin(const QByteArray &command);

    // Handles one chunk; true when it ended with the prompt.
    bool Feed(const QByteArray &chunk);

    // The answer's lines; on the prompt, without the line it stood on.
    const QList<QByteArray> &Lines() const { return m_lines; }
    bool AtLineStart() const { return m_atLineStart; }
    bool EchoPending() const { return m_echoPending; }

private:
    QByteArray TakeAnswerPart(const QByteArray &chunk);

    QList<QByteArray> m_lines;
    bool m_atLineStart = false;
    QByteArray m_echo;       // the command followed by CR CR LF
    QByteArray m_echoBuffer; // received while the echo is awaited
    bool m_echoPending = false;
};
