#include "XDisplay.h"

#include <QDeadlineTimer>
#include <QPoint>

namespace {

constexpr int kStartMs = 30000;
constexpr int kToolMs = 20000;
const QString kScreen = QStringLiteral("1280x1024x24");

void Stop(QProcess &process)
{
    if (process.state() == QProcess::NotRunning)
        return;
    process.terminate();
    if (!process.waitForFinished(kToolMs)) {
        process.kill();
        process.waitForFinished(kToolMs);
    }
}

} // namespace

XDisplay::XDisplay() = default;

XDisplay::~XDisplay()
{
    Stop(m_windowManager);
    Stop(m_server);
}

bool XDisplay::Start(QString *error)
{
    m_display = qEnvironmentVariable(DisplayVariable);
    if (!m_display.isEmpty())
        return true;

    // The server writes the number of the display it found free to the
    // descriptor given, here its standard output.
    m_server.setProcessChannelMode(QProcess::SeparateChannels);
    m_server.start(QStringLiteral("Xvfb"), {QStringLiteral("-displayfd"), QStringLiteral("1"),
                                           QStringLiteral("-screen"), QStringLiteral("0"), kScreen,
                                           QStringLiteral("-nolisten"), QStringLiteral("tcp")});
    const QDeadlineTimer deadline(kStartMs);
    while (!m_server.canReadLine()) {
        if (!m_server.waitForReadyRead(int(deadline.remainingTime()))) {
            if (m_server.state() == QProcess::NotRunning || deadline.hasExpired()) {
                *error = QStringLiteral("Xvfb did not start: ") + m_server.errorString() + u' '
                         + QString::fromLocal8Bit(m_server.readAllStandardError());
                return false;
            }
        }
    }
    m_display = u':' + QString::fromLatin1(m_server.readLine()).trimmed();

    // A window manager announces itself on the root window: xprop reports
    // every change of the root's properties as it happens, starting before
    // the window manager so that the announcement cannot be missed.
    QProcess rootWatch;
    rootWatch.setProcessEnvironment(Environment());
    rootWatch.start(QStringLiteral("xprop"), {QStringLiteral("-root"), QStringLiteral("-spy")});
    if (!rootWatch.waitForStarted(kToolMs)) {
        *error = QStringLiteral("xprop did not start: ") + rootWatch.errorString();
        return false;
    }
    m_windowManager.setProcessEnvironment(Environment());
    m_windowManager.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_windowManager.setStandardOutputFile(QProcess::nullDevice());
    m_windowManager.start(QStringLiteral("openbox"), {QStringLiteral("--sm-disable")});
    bool announced = false;
    while (!announced) {
        while (rootWatch.canReadLine()) {
            if (rootWatch.readLine().startsWith("_NET_SUPPORTING_WM_CHECK(WINDOW): window id"))
                announced = true;
        }
        if (!announced && !rootWatch.waitForReadyRead(int(deadline.remainingTime()))) {
            *error = QStringLiteral("openbox did not start on ") + m_display;
            Stop(rootWatch);
            return false;
        }
    }
    Stop(rootWatch);
    return true;
}

QProcessEnvironment XDisplay::Environment() const
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("DISPLAY"), m_display);
    environment.remove(QStringLiteral("XAUTHORITY"));
    environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), m_home.path());
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), m_home.path());
    // Window titles are UTF-8; xdotool matches them in a UTF-8 locale.
    environment.insert(QStringLiteral("LC_ALL"), QStringLiteral("C.UTF-8"));
    return environment;
}

bool XDisplay::Run(const QString &program, const QStringList &arguments, QString *output) const
{
    QProcess process;
    process.setProcessEnvironment(Environment());
    process.start(program, arguments);
    if (!process.waitForFinished(kToolMs)) {
        process.kill();
        process.waitForFinished(kToolMs);
        return false;
    }
    if (output)
        *output = QString::fromUtf8(process.readAllStandardOutput()).trimmed();
    return process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}

bool XDisplay::Xdotool(const QStringList &arguments, QString *output) const
{
    return Run(QStringLiteral("xdotool"), arguments, output);
}

bool XDisplay::ClickAt(const QPoint &point, int count) const
{
    return Xdotool({QStringLiteral("mousemove"), QStringLiteral("--sync"), QString::number(point.x()),
                    QString::number(point.y()), QStringLiteral("click"), QStringLiteral("--repeat"),
                    QString::number(count), QStringLiteral("1")});
}

bool XDisplay::Keys(const QStringList &keys) const
{
    return Xdotool(QStringList{QStringLiteral("key"), QStringLiteral("--delay"), QStringLiteral("50")} + keys);
}

bool XDisplay::Type(const QString &text) const
{
    return Xdotool({QStringLiteral("type"), QStringLiteral("--delay"), QStringLiteral("30"), text});
}

QString XDisplay::WindowTitle(const QString &titlePattern) const
{
    QString titles;
    if (!Xdotool({QStringLiteral("search"), QStringLiteral("--onlyvisible"), QStringLiteral("--name"), titlePattern,
                  QStringLiteral("getwindowname")},
                 &titles))
        return {};
    return titles.section(u'\n', 0, 0);
}

QString XDisplay::FocusedWindowTitle() const
{
    QString title;
    return Xdotool({QStringLiteral("getwindowfocus"), QStringLiteral("getwindowname")}, &title) ? title : QString();
}

bool XDisplay::MapAgain(const QString &titlePattern) const
{
    return Xdotool({QStringLiteral("search"), QStringLiteral("--name"), titlePattern, QStringLiteral("windowmap"),
                    QStringLiteral("%@")});
}

bool XDisplay::Screenshot(const QString &path) const
{
    return Run(QStringLiteral("import"), {QStringLiteral("-window"), QStringLiteral("root"), path});
}
