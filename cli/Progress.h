// Progress of a transfer on standard error, shown only when standard error
// is a terminal: "chunks written N of M" for each operation that writes,
// counted from the file write steps that the exchange line reports as done
// against the chunks its plan holds. The line ends with the operation, and
// before any other command, so that what that command prints (the answer to
// "reload") stands on a line of its own.
#pragma once

#include <QObject>

class TExchangeLine;
struct TExchangeStep;

class TProgress : public QObject
{
    Q_OBJECT

public:
    explicit TProgress(const TExchangeLine &line);

private:
    void CommandStarted(const TExchangeStep &step);
    void CommandFinished(const TExchangeStep &step, bool succeeded);
    void RunningChanged(bool running);
    void EndLine();

    int m_written = 0; // by the running operation
    bool m_lineOpen = false;
};
