#include "SaveFile.h"

#include <QFileInfo>

TSaveFile::TSaveFile(const QString &Path) : m_file(Path)
{
}

bool TSaveFile::Open()
{
    const QFileInfo target(m_file.fileName()); // follows links
    if (target.exists() && !target.isFile()) {
        m_refusal = QStringLiteral("Not a regular file, not replaced");
        return false;
    }
    return m_file.open(QIODevice::WriteOnly);
}

bool TSaveFile::Commit()
{
    if (!m_refusal.isEmpty())
        return false;
    return m_file.flush() && m_file.commit();
}

bool TSaveFile::Commit(const QByteArray &Bytes)
{
    if (!m_refusal.isEmpty())
        return false;
    return m_file.write(Bytes) == Bytes.size() && Commit();
}

QString TSaveFile::ErrorString() const
{
    return m_refusal.isEmpty() ? m_file.errorString() : m_refusal;
}

bool TSaveFile::Write(const QString &Path, const QByteArray &Bytes, QString &Error)
{
    TSaveFile file(Path);
    if (file.Open() && file.Commit(Bytes))
        return true;
    Error = file.ErrorString();
    return false;
}
