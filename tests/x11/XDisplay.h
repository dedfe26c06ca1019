// A real X server for tests that drive a program as a user does: Xvfb on a
// display number it picks itself, with openbox as the window manager, and
// the X tools that send input to it and look at it. With KOLT_X11_DISPLAY
// set, the display it names, whose window manager its owner runs, serves
// instead (wine's own programs are already shown there).
#pragma once

#include <QProcess>
#include <QProcessEnvironment>
#include <QRect>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

class XDisplay
{
public:
    XDisplay();
    ~XDisplay();

    XDisplay(const XDisplay &) = delete;
    XDisplay &operator=(const XDisplay &) = delete;

    static constexpr const char *DisplayVariable = "KOLT_X11_DISPLAY";

    // Starts the server and the window manager and waits until both serve.
    // False with *error set when either does not come up.
    bool Start(QString *error);

    // The environment of programs that are to show their windows here.
    QProcessEnvironment Environment() const;

    // Runs xdotool with the given arguments; its standard output in *output.
    bool Xdotool(const QStringList &arguments, QString *output = nullptr) const;
    // A left click at a point of the screen.
    bool ClickAt(const QPoint &point, int count = 1) const;
    // Key combinations in xdotool's names ("Return", "shift+Return", "ctrl+a").
    bool Keys(const QStringList &keys) const;
    // Types text into the window that holds the X input focus.
    bool Type(const QString &text) const;
    // Whether a visible window's title matches the regular expression.
    bool WindowShown(const QString &titlePattern) const { return !WindowTitle(titlePattern).isEmpty(); }
    // The title of a visible window that matches, empty when none does.
    QString WindowTitle(const QString &titlePattern) const;
    // The title of the window that holds the input focus.
    QString FocusedWindowTitle() const;
    // Maps the windows whose title matches, shown or not; false when none is there.
    bool MapAgain(const QString &titlePattern) const;

    // Saves the whole screen as an image.
    bool Screenshot(const QString &path) const;

private:
    bool Run(const QString &program, const QStringList &arguments, QString *output = nullptr) const;

    QTemporaryDir m_home; // settings and runtime folder of the programs shown
    QProcess m_server;
    QProcess m_windowManager;
    QString m_display;
};
