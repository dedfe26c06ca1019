#include "ChangeWatch.h"

#include "ProbeClient.h"

#include <QDir>
#include <QDirIterator>
#include <QEventLoop>
#include <QTimer>

ChangeWatch::~ChangeWatch()
{
    Forget();
    if (m_rootWatch.state() != QProcess::NotRunning) {
        m_rootWatch.kill();
        m_rootWatch.waitForFinished();
    }
}

bool ChangeWatch::WatchDisplay(const QProcessEnvironment &environment)
{
    m_rootWatch.setProcessEnvironment(environment);
    connect(&m_rootWatch, &QProcess::readyReadStandardOutput, this, [this] {
        m_rootWatch.readAllStandardOutput();
        Came();
    });
    m_rootWatch.start(QStringLiteral("xprop"), {QStringLiteral("-root"), QStringLiteral("-spy")});
    return m_rootWatch.waitForStarted();
}

void ChangeWatch::WatchFolder(const QString &path)
{
    connect(&m_files, &QFileSystemWatcher::directoryChanged, this, [this](const QString &folder) {
        Add(folder); // files and folders made since
        Came();
    });
    connect(&m_files, &QFileSystemWatcher::fileChanged, this, [this](const QString &file) {
        if (QFile::exists(file))
            m_files.addPath(file); // a file replaced by a rename is a new one
        Came();
    });
    Add(path);
}

void ChangeWatch::Add(const QString &path)
{
    QStringList paths{path};
    QDirIterator entries(path, QDir::AllEntries | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
    while (entries.hasNext())
        paths.append(entries.next());
    paths.removeIf([this](const QString &entry) {
        return m_files.files().contains(entry) || m_files.directories().contains(entry);
    });
    if (!paths.isEmpty())
        m_files.addPaths(paths);
}

void ChangeWatch::WatchProgram(QProcess &program, ProbeClient &probe)
{
    Forget();
    m_probe = &probe;
    m_program = connect(&program, &QProcess::readyReadStandardOutput, this, [this] {
        if (m_probe->Asking())
            return; // an answer; the notes that came with it count through Notes()
        m_probe->Drain();
        Came();
    });
}

void ChangeWatch::Forget()
{
    disconnect(m_program);
    m_probe = nullptr;
}

quint64 ChangeWatch::Count() const
{
    return m_count + (m_probe ? m_probe->Notes() : 0);
}

void ChangeWatch::Came()
{
    ++m_count;
    emit changed();
}

bool ChangeWatch::WaitPast(quint64 seen, const QDeadlineTimer &deadline)
{
    while (Count() == seen && !deadline.hasExpired()) {
        QEventLoop loop;
        connect(this, &ChangeWatch::changed, &loop, &QEventLoop::quit);
        QTimer::singleShot(deadline.remainingTime(), &loop, &QEventLoop::quit);
        loop.exec();
    }
    return Count() != seen;
}
