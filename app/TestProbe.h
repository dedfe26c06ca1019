// A test-only window into the running program, for tests that drive it from
// outside with real input events: with KOLT_TARVO_TEST_PROBE set (to any
// text), it reads one-line queries about the widgets on screen from the
// program's standard input and writes each answer as one line to its
// standard output. Without the variable there is no probe.
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
//   watch                "ok"; from then on, a line "\c" (a backslash and
//                        "c") follows every pass of the event loop in which
//                        something on screen may have changed: a paint, a
//                        move or resize, a window's title, shown, hidden or (de)activated, the
//                        focus. No answer starts so (a text's backslashes are
//                        doubled), so that a test can wait for these
//                        instead of asking again and again.
// "none" answers a query about something not on screen, "error ..." a query
// not understood. Names are looked up in the active modal dialog while one
// is open, else in every visible window.
//
// The standard streams serve on every platform: a Windows build run under
// wine gets the pipes of the Linux test that started it as its standard
// handles. A thread of its own reads the queries, as a blocking read is the
// one way to wait for a pipe everywhere; it hands each line to the GUI
// thread, which answers. That read cannot be interrupted, so the thread is
// not joined: it ends when the input ends, or with the process.
#pragma once

#include <QObject>

#include <memory>

class TTestProbe : public QObject
{
    Q_OBJECT

public:
    static constexpr const char *VariableName = "KOLT_TARVO_TEST_PROBE";

    // A probe serving the standard streams when the variable is set; else none.
    static std::unique_ptr<TTestProbe> FromEnvironment();
    ~TTestProbe() override;

    static QString Answer(const QString &query);

    static constexpr const char *ChangeNote = "\\c";

protected:
    void customEvent(QEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    struct TInput;

    TTestProbe();
    void Reply(const QByteArray &query);
    static void WriteLine(const QByteArray &line);
    void WriteChangeNote();

    bool m_notePending = false;

    std::shared_ptr<TInput> m_input;
};
