// Progress of a controller operation in the status bar: a bar over all the
// commands the operation will send and a short text naming the current step.
//
// The display only follows the terminal: each command a transaction starts
// names the step ("Запись tanks.tbl: резервуар 2"), each one that ends moves
// the bar on. It never sends, waits or delays anything. It is hidden outside
// an operation; an operation begun while another one runs (and is refused
// by the terminal) leaves the running one's display alone.
#pragma once

#include <QWidget>

class QLabel;
class QProgressBar;
class TTerminal;

class TExchangeProgress : public QWidget
{
    Q_OBJECT

public:
    explicit TExchangeProgress(TTerminal &terminal, QWidget *parent = nullptr);

    // Shows the display for an operation of totalCommands commands.
    void Begin(int totalCommands);
    // Hides it again once the outermost operation has ended.
    void End();

    // Begin() for its lifetime; End() also when the operation throws.
    class Session
    {
    public:
        Session(TExchangeProgress &progress, int totalCommands);
        ~Session();
        Session(const Session &) = delete;
        Session &operator=(const Session &) = delete;

    private:
        TExchangeProgress &m_progress;
    };

    // The step text for a command as sent, without its CR.
    static QString StepText(const QByteArray &command);
    // The file write commands that writing bytes takes: one per 32 bytes.
    static int FileWriteCommands(qsizetype bytes);

    QLabel *lblStep;
    QProgressBar *pbCommands;

private:
    void CommandStarted(const QByteArray &command);
    void CommandFinished();

    int m_depth = 0;
};
