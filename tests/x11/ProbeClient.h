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

private:
    QProcess &m_program;
    // Answers to earlier queries that came too late, still to be skipped.
    int m_late = 0;
};
