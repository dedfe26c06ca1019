// The session log: the terminal's traffic kept in a text file while the user
// asks for it. Each line goes out as soon as it is whole, flushed, with the
// local time to the millisecond and its direction:
//
//   2024-05-17 14:03:21.407 TX rdfile config 0 16
//   2024-05-17 14:03:21.433 RX >rdfile config 0 16
//
// in UTF-8, appended to what the file holds. Received lines are the log's
// lines as they arrived (without the user's local edits): a line is written
// when its LF arrives, the part of the open line received so far when the
// session stops. A file that cannot be written ends the session.
#pragma once

#include <QDateTime>
#include <QFile>
#include <QObject>

class TTrafficStore;

class TSessionLog : public QObject
{
    Q_OBJECT

public:
    explicit TSessionLog(const TTrafficStore &traffic, QObject *parent = nullptr);
    ~TSessionLog() override;

    // Appends to the file at path from the traffic's present end on; false,
    // with ErrorText() set, when it cannot be opened.
    bool Start(const QString &path);
    // Writes the open line's part received during the session and closes.
    void Stop();
    bool Active() const { return m_file.isOpen(); }
    QString Path() const { return m_file.fileName(); }
    QString ErrorText() const { return m_errorText; }

    // Writes the traffic lines completed since the last call.
    void WriteReceived();
    // Writes a line the tool sent, without its CR, stamped with the time
    // just before it went out.
    void WriteSent(const QByteArray &line, const QDateTime &sentAt);

signals:
    // The file could not be written; the session has ended.
    void failed(const QString &message);

private:
    void WriteLine(const QDateTime &time, const char *direction, const QByteArray &line);
    void Fail();

    const TTrafficStore &m_traffic;
    QFile m_file;
    QString m_errorText;
    // The traffic written so far: lines before this one, and its first
    // m_column shown bytes.
    qint64 m_line = 0;
    qint64 m_column = 0;
};
