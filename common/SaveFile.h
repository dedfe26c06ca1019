// Every file the tool writes: replaced whole or not at all.
//
// The bytes go into a new file beside the target, which a rename then puts
// in its place (QSaveFile; a link is followed and stays a link). A target
// that exists and is no regular file (a FIFO, a device, a directory) would
// be replaced by that rename, so it is refused instead, before anything is
// written.
#pragma once

#include <QByteArray>
#include <QSaveFile>
#include <QString>

class TSaveFile
{
public:
    explicit TSaveFile(const QString &Path);

    TSaveFile(const TSaveFile &) = delete;
    TSaveFile &operator=(const TSaveFile &) = delete;

    // Opens the new file; false, with ErrorString(), when the target is no
    // regular file or cannot be written.
    bool Open();
    // The open new file, for a writer that streams what it writes.
    QIODevice &Device() { return m_file; }
    // Puts what was written into Device() in place of the target; false,
    // the target untouched, on any failure. commit() does not see a failure
    // of the final flush in this Qt, hence the flush of its own.
    bool Commit();
    // Writes Bytes into the open file, then Commit().
    bool Commit(const QByteArray &Bytes);
    QString ErrorString() const;

    // Open(), then Commit().
    static bool Write(const QString &Path, const QByteArray &Bytes, QString &Error);

private:
    QSaveFile m_file;
    QString m_refusal; // why the target is not written, when it is refused
};
