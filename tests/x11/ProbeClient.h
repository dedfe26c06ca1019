// The test's side of the program's test probe (see app/TestProbe.h): queries
// on the program's standard input, answers on its standard output.
#pragma once

#include <QProcess>
#include <QRect>
#include <QString>
#include <optional>

class ProbeClient
{
public:
    // The program must have been started with its standard output read
    // here and nothing else written to it.
    explicit ProbeClient(QProcess &program) : m_program(program) {}

    // The answer to one query; empty when the program does not answer.
    QString Ask(const QString &query);
    // A rectangle answer in screen coordinates; none for "none".
    std::optional<QRect> Where(const QString &query);
    // A text answer with its line ends restored.
    QString Text(const QString &objectName);

    // Asks the program to note each change on its screen from now on
    // ("watch"), without waiting for it to answer.
    void Watch();
    // The change notes read so far.
    quint64 Notes() const { return m_notes; }
    // Reads what has come outside a query: notes, and answers that came late.
    void Drain();
    // Whether a query is waiting for its answer (and reads for itself).
    bool Asking() const { return m_asking; }

private:
    // Takes one line that came; false for a note or a late answer.
    bool IsAnswer(QString &line);

    QProcess &m_program;
    // Answers to earlier queries that came too late, still to be skipped.
    int m_late = 0;
    quint64 m_notes = 0;
    bool m_asking = false;
};
