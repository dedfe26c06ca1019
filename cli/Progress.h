// Progress of a long transfer on standard error, shown only when standard
// error is a terminal: "chunks written N of M", counted from the file write
// commands that the terminal reports as finished.
#pragma once

#include <QObject>

class TTerminal;

class TProgress : public QObject
{
    Q_OBJECT

public:
    // totalChunks: the write commands the operation will send.
    TProgress(TTerminal &terminal, int totalChunks);
    ~TProgress() override; // ends the progress line

    // The write commands that sending bytes takes: one per 32 bytes.
    static int ChunksFor(qsizetype bytes);

private:
    void CommandFinished(const QByteArray &command, bool succeeded);

    int m_total;
    int m_written = 0;
};
