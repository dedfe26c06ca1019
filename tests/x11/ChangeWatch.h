// What a test waits on instead of time: everything that can make a
// condition of the flows come true announces itself here. The program notes
// each change on its screen through its probe; the X server reports each
// change of the root window's properties (a window managed or gone, the
// active window) to xprop; the folder of the test, where the stand-in keeps
// its files and its transcript and the program saves its own, is watched.
// A count of what came lets a test check a condition and then wait only
// for what comes after that check.
#pragma once

#include <QDeadlineTimer>
#include <QFileSystemWatcher>
#include <QObject>
#include <QProcess>
#include <QProcessEnvironment>

class ProbeClient;

class ChangeWatch : public QObject
{
    Q_OBJECT

public:
    ~ChangeWatch() override;

    // Starts xprop on the display; false when it does not start.
    bool WatchDisplay(const QProcessEnvironment &environment);
    // The folder, its subfolders and their files, as they come and go.
    void WatchFolder(const QString &path);
    // The notes of the program, which has been asked to watch; the probe
    // must outlive this watch or be left with Forget().
    void WatchProgram(QProcess &program, ProbeClient &probe);
    void Forget();

    // How many changes have come so far.
    quint64 Count() const;
    // Waits until more than seen have come; false at the deadline.
    bool WaitPast(quint64 seen, const QDeadlineTimer &deadline);

signals:
    void changed();

private:
    void Add(const QString &path);
    void Came();

    QProcess m_rootWatch;
    QFileSystemWatcher m_files;
    QMetaObject::Connection m_program;
    ProbeClient *m_probe = nullptr;
    quint64 m_count = 0;
};
