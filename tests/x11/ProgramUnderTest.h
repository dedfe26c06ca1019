// The program the flows drive, as the environment chooses it:
//   KOLT_X11_PROGRAM   the program; unset, the Linux build of this tree
//   KOLT_X11_LAUNCHER  a program that runs it (wine, for a Windows build)
//   KOLT_X11_PORTS     the folder where the program finds COM<n> by itself
//                      (under wine: where its prefix's COM links point);
//                      unset, the test's own folder, which the program is
//                      given in KOLT_TARVO_PORTS
// A Windows program (a name ending in ".exe") reaches this machine's files
// through wine's drive Z: and asks for a file name in the system's own file
// dialog.
#pragma once

#include <QProcess>
#include <QProcessEnvironment>
#include <QString>

class ProgramUnderTest
{
public:
    ProgramUnderTest();

    bool Windows() const { return m_windows; }
    // Where the stand-ins link their ports for the program.
    QString PortsFolder(const QString &testFolder) const;
    // A file of this machine, as the program names it.
    QString FileName(const QString &path) const;
    // Starts it with the settings file given and its test probe on its
    // standard streams; its standard error goes to the test's.
    void Start(QProcess &process, QProcessEnvironment environment, const QString &testFolder,
               const QString &settingsPath) const;

private:
    QString m_program;
    QString m_launcher;
    QString m_ports;
    bool m_windows;
};
