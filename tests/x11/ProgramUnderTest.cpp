#include "ProgramUnderTest.h"

#include "app/TestProbe.h"

#include <QDir>

ProgramUnderTest::ProgramUnderTest()
    : m_program(qEnvironmentVariable("KOLT_X11_PROGRAM", QStringLiteral(KOLT_APP_PATH))),
      m_launcher(qEnvironmentVariable("KOLT_X11_LAUNCHER")),
      m_ports(qEnvironmentVariable("KOLT_X11_PORTS")),
      m_windows(m_program.endsWith(QStringLiteral(".exe"), Qt::CaseInsensitive))
{
}

QString ProgramUnderTest::PortsFolder(const QString &testFolder) const
{
    return m_ports.isEmpty() ? testFolder : m_ports;
}

QString ProgramUnderTest::FileName(const QString &path) const
{
    const QString absolute = QDir(path).absolutePath();
    return m_windows ? QStringLiteral("Z:") + QString(absolute).replace(u'/', u'\\') : absolute;
}

void ProgramUnderTest::Start(QProcess &process, QProcessEnvironment environment, const QString &testFolder,
                             const QString &settingsPath) const
{
    environment.insert(QStringLiteral("KOLT_TARVO_SETTINGS"), FileName(settingsPath));
    environment.insert(QString::fromLatin1(TTestProbe::VariableName), QStringLiteral("1"));
    if (!m_windows) {
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        environment.insert(QStringLiteral("KOLT_TARVO_PORTS"), PortsFolder(testFolder));
    }
    process.setProcessEnvironment(environment);
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    if (m_launcher.isEmpty())
        process.start(m_program, QStringList());
    else
        process.start(m_launcher, {m_program});
}
