#include "StandInProcess.h"

#include <QDir>
#include <QFile>

namespace {

constexpr int kStartMs = 30000;
const QString kStateFolder = QStringLiteral("state");
const QString kTranscript = QStringLiteral("transcript.txt");

QByteArray Contents(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

StandInProcess::StandInProcess(const QString &folder, const QString &portsFolder, int port)
    : m_folder(folder), m_portsFolder(portsFolder), m_port(port)
{
    m_process.setProgram(QStringLiteral(KOLT_SIM_PATH));
    m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
}

StandInProcess::~StandInProcess()
{
    Stop();
}

bool StandInProcess::Start(QString *error)
{
    const QDir folder(m_folder);
    const QString state = folder.filePath(kStateFolder + QString::number(m_port));
    folder.mkpath(state);
    QStringList arguments{QStringLiteral("--dir"), m_portsFolder, QStringLiteral("--port"), QString::number(m_port),
                          QStringLiteral("--state"), state, QStringLiteral("--transcript"),
                          folder.filePath(QString::number(m_port) + kTranscript)};
    for (const QString &fault : m_faults)
        arguments << QStringLiteral("--fault") << fault;
    m_process.setArguments(arguments);
    m_process.start();
    // It says so once the port is linked.
    while (!m_process.canReadLine()) {
        if (!m_process.waitForReadyRead(kStartMs)) {
            *error = QStringLiteral("controller-sim did not start: ") + m_process.errorString();
            return false;
        }
    }
    m_process.readAll();
    return true;
}

bool StandInProcess::Stop()
{
    if (m_process.state() == QProcess::NotRunning)
        return true;
    m_process.terminate();
    if (m_process.waitForFinished(kStartMs))
        return m_process.exitStatus() == QProcess::NormalExit && m_process.exitCode() == 0;
    m_process.kill();
    m_process.waitForFinished(kStartMs);
    return false;
}

QStringList StandInProcess::Commands() const
{
    // One line per command: time, bytes in, bytes out, command.
    QStringList commands;
    const QByteArray text = Contents(QDir(m_folder).filePath(QString::number(m_port) + kTranscript));
    QList<QByteArray> lines = text.split('\n');
    lines.removeLast(); // not ended yet, or empty
    for (const QByteArray &line : lines) {
        const QList<QByteArray> fields = line.split('\t');
        if (fields.size() >= 4)
            commands.append(QString::fromLatin1(fields.mid(3).join('\t')));
    }
    return commands;
}

QByteArray StandInProcess::File(const QString &name) const
{
    return Contents(FilePath(name));
}

bool StandInProcess::SetFile(const QString &name, const QByteArray &bytes)
{
    if (m_process.state() != QProcess::NotRunning)
        return false;
    QFile file(FilePath(name));
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

QString StandInProcess::FilePath(const QString &name) const
{
    return QDir(m_folder).filePath(kStateFolder + QString::number(m_port) + u'/' + name);
}
