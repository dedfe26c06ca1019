#include "Settings.h"

#include "Error.h"
#include "SaveFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>

namespace {

const QString kSection = QStringLiteral("conn");
const QString kKey = QStringLiteral("port");

#ifdef Q_OS_WIN
const char kNewline[] = "\r\n";
#else
const char kNewline[] = "\n";
#endif

bool IsSectionHeader(const QString &line, QString *name)
{
    const QString trimmed = line.trimmed();
    if (!trimmed.startsWith(u'[') || !trimmed.endsWith(u']'))
        return false;
    *name = trimmed.mid(1, trimmed.size() - 2).trimmed();
    return true;
}

// The key of a "key=value" line, empty for anything else.
QString KeyOf(const QString &line, QString *value = nullptr)
{
    const qsizetype eq = line.indexOf(u'=');
    if (eq <= 0)
        return {};
    if (value)
        *value = line.mid(eq + 1).trimmed();
    return line.left(eq).trimmed();
}

QStringList ReadLines(const QString &path, bool *exists)
{
    QFile file(path);
    *exists = file.open(QIODevice::ReadOnly);
    if (!*exists)
        return {};
    QString text = QString::fromLocal8Bit(file.readAll());
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    QStringList lines = text.split(u'\n');
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

} // namespace

namespace Settings {

QString FilePath(const QString &executablePath)
{
    const QString overridden = qEnvironmentVariable("KOLT_TARVO_SETTINGS");
    if (!overridden.isEmpty())
        return QFileInfo(overridden).absoluteFilePath();
    const QFileInfo exe(executablePath);
    const QString name = exe.fileName();
    const qsizetype dot = name.lastIndexOf(u'.');
    const QString base = dot > 0 ? name.left(dot) : name;
    return exe.absoluteDir().filePath(base + QStringLiteral(".ini"));
}

bool ParsePort(const QString &value, int *port)
{
    QString digits = value.trimmed();
    int base = 10;
    bool negative = false;
    if (digits.startsWith(u'-') || digits.startsWith(u'+')) {
        negative = digits.startsWith(u'-');
        digits.remove(0, 1);
    }
    if (digits.startsWith(u'$')) {
        digits.remove(0, 1);
        base = 16;
    } else if (digits.startsWith(QStringLiteral("0x"), Qt::CaseInsensitive)) {
        digits.remove(0, 2);
        base = 16;
    }
    if (digits.isEmpty() || !digits.at(0).isLetterOrNumber())
        return false;
    bool ok = false;
    const qint64 magnitude = digits.toLongLong(&ok, base);
    const qint64 number = negative ? -magnitude : magnitude;
    if (!ok || number < INT32_MIN || number > INT32_MAX)
        return false;
    *port = int(number);
    return true;
}

int ReadPort(const QString &path)
{
    bool exists = false;
    QString section;
    for (const QString &line : ReadLines(path, &exists)) {
        QString name;
        if (IsSectionHeader(line, &name)) {
            section = name;
            continue;
        }
        QString value;
        int port = 0;
        if (section.compare(kSection, Qt::CaseInsensitive) == 0
            && KeyOf(line, &value).compare(kKey, Qt::CaseInsensitive) == 0)
            return ParsePort(value, &port) ? port : 1;
    }
    return 1;
}

void WritePort(const QString &path, int port)
{
    // Opened first: a target that is refused is not read either (reading a
    // FIFO would wait for a writer).
    TSaveFile file(path);
    const QString failure = QStringLiteral("Unable to write to %1").arg(QDir::toNativeSeparators(path));
    if (!file.Open())
        throw TError(failure);
    bool exists = false;
    QStringList lines = ReadLines(path, &exists);
    const QString entry = kKey + u'=' + QString::number(port);

    qsizetype sectionStart = -1; // index of the section's header
    qsizetype sectionEnd = -1;   // index after its last line
    bool written = false;
    QString section;
    for (qsizetype i = 0; i < lines.size() && !written; ++i) {
        QString name;
        if (IsSectionHeader(lines.at(i), &name)) {
            if (sectionStart >= 0 && sectionEnd < 0)
                sectionEnd = i;
            section = name;
            if (sectionStart < 0 && section.compare(kSection, Qt::CaseInsensitive) == 0)
                sectionStart = i;
            continue;
        }
        if (sectionStart >= 0 && sectionEnd < 0
            && KeyOf(lines.at(i)).compare(kKey, Qt::CaseInsensitive) == 0) {
            lines[i] = entry;
            written = true;
        }
    }
    if (!written) {
        if (sectionStart < 0) {
            lines.append(u'[' + kSection + u']');
            lines.append(entry);
        } else {
            // After the section's last key, before any blank lines ending it.
            qsizetype at = sectionEnd < 0 ? lines.size() : sectionEnd;
            while (at > sectionStart + 1 && lines.at(at - 1).trimmed().isEmpty())
                --at;
            lines.insert(at, entry);
        }
    }

    // Written beside the file and then put in its place: a failure leaves
    // the old file as it was.
    const QByteArray text = (lines.join(QString::fromLatin1(kNewline)) + QString::fromLatin1(kNewline)).toLocal8Bit();
    if (!file.Commit(text))
        throw TError(failure);
}

} // namespace Settings
