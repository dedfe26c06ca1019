// A test-only window into the running program, for tests that drive it from
// outside with real input events: with KOLT_TARVO_TEST_PROBE set to the name
// of a local socket, it answers one-line queries there about the widgets on
// screen. Without the variable it does nothing.
//
// Queries, one per line; each answer is one line:
//   widget NAME          "x y w h" of the widget (or of the button of the
//                        action) called NAME, in global screen coordinates
//   cell VIEW ROW COL    "x y w h" of that cell of an item view
//   item VIEW TEXT       "x y w h" of the tab or item shown as TEXT
//   current VIEW         "row col" of the view's current index
//   text NAME            the text the widget NAME shows, "\n" for a line end
//   focus                "NAME CLASS": the class of the widget holding the
//                        focus, after the name of it or of its nearest
//                        named ancestor
// "none" answers a query about something not on screen, "error ..." a query
// not understood. Names are looked up in the active modal dialog while one
// is open, else in every visible window.
#pragma once

#include <QObject>

class QLocalServer;

class TTestProbe : public QObject
{
    Q_OBJECT

public:
    static constexpr const char *VariableName = "KOLT_TARVO_TEST_PROBE";

    // Listens when the variable is set.
    explicit TTestProbe(QObject *parent = nullptr);

    static QString Answer(const QString &query);

private:
    void Serve();

    QLocalServer *m_server = nullptr;
};
