// controller-sim run as a process of its own, serving COM<port> linked in
// a ports folder, with its files and its transcript kept in a folder of the
// test for inspection.
#pragma once

#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QStringList>

class StandInProcess
{
public:
    StandInProcess(const QString &folder, const QString &portsFolder, int port);
    ~StandInProcess();

    StandInProcess(const StandInProcess &) = delete;
    StandInProcess &operator=(const StandInProcess &) = delete;

    // Starts it and waits until the port is there; false with *error set
    // when it does not come up. Files and transcript carry over a restart.
    bool Start(QString *error);
    // Faults for the next Start(), as controller-sim's --fault takes them
    // ("refuse-write", "alter-write:10:10:26"); its commands count from 1
    // again there.
    void SetFaults(const QStringList &faults) { m_faults = faults; }
    // Stops it as SIGTERM does; the port link is gone afterwards.
    bool Stop();

    // The commands received in all its runs, in order.
    QStringList Commands() const;
    // A file of the controller as it stands now.
    QByteArray File(const QString &name) const;
    // Replaces a file of the controller while it is stopped: the next
    // Start serves it.
    bool SetFile(const QString &name, const QByteArray &bytes);

private:
    QString FilePath(const QString &name) const;

    QString m_folder;
    QString m_portsFolder;
    int m_port;
    QStringList m_faults;
    QProcess m_process;
};
