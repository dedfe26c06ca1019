// Progress of a controller operation in the status bar: a bar over all the
// commands the operation will send and a short text naming the current step.
//
// The display only shows what the exchange line tells it: the operation's
// plan when it begins, each command's step ("Запись tanks.tbl: резервуар
// 2", "Проверка таблицы резервуара 2") when it starts, its number when it
// ends. It never sends, waits or
// delays anything. It is hidden outside an operation and for an operation
// that sends no command (a line typed on the console).
#pragma once

#include <QWidget>

class QLabel;
class QProgressBar;
class TExchangeLine;
struct TExchangeStep;

class TExchangeProgress : public QWidget
{
    Q_OBJECT

public:
    explicit TExchangeProgress(const TExchangeLine &line, QWidget *parent = nullptr);

    // The text naming a step.
    static QString StepText(const TExchangeStep &step);

    QLabel *lblStep;
    QProgressBar *pbCommands;

private:
    void RunningChanged(bool running);
    void CommandStarted(const TExchangeStep &step);
    void CommandFinished(const TExchangeStep &step);

    const TExchangeLine &m_line;
};
