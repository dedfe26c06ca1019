#include "ExchangeProgress.h"

#include "common/Cp1251.h"
#include "terminal/ExchangeLine.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>

TExchangeProgress::TExchangeProgress(const TExchangeLine &line, QWidget *parent) : QWidget(parent), m_line(line)
{
    setObjectName(QStringLiteral("ExchangeProgress"));
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(4, 0, 4, 0);
    layout->setSpacing(6);

    lblStep = new QLabel(this);
    lblStep->setObjectName(QStringLiteral("lblStep"));
    lblStep->setMinimumWidth(180);
    layout->addWidget(lblStep, 1);

    pbCommands = new QProgressBar(this);
    pbCommands->setObjectName(QStringLiteral("pbCommands"));
    pbCommands->setFixedSize(170, 14);
    pbCommands->setFormat(QStringLiteral("%v из %m"));
    layout->addWidget(pbCommands);

    connect(&line, &TExchangeLine::exchangeRunningChanged, this, &TExchangeProgress::RunningChanged);
    connect(&line, &TExchangeLine::commandStarted, this, &TExchangeProgress::CommandStarted);
    connect(&line, &TExchangeLine::commandFinished, this, &TExchangeProgress::CommandFinished);
    hide();
}

QString TExchangeProgress::StepText(const TExchangeStep &step)
{
    switch (step.Kind) {
    case TExchangeStep::TKind::Command:
        return QStringLiteral("Команда %1").arg(Cp1251::toUnicode(step.Command));
    case TExchangeStep::TKind::Check:
        // The one file moved by numbered blocks holds the tanks' tables.
        if (step.Part > 0)
            return QStringLiteral("Проверка таблицы резервуара %1").arg(step.Part);
        return QStringLiteral("Проверка %1").arg(Cp1251::toUnicode(step.File));
    case TExchangeStep::TKind::Read:
    case TExchangeStep::TKind::Write:
        break;
    }
    QString text = step.Kind == TExchangeStep::TKind::Read ? QStringLiteral("Чтение ") : QStringLiteral("Запись ");
    text += Cp1251::toUnicode(step.File);
    // The one file moved by numbered blocks holds the tanks' tables.
    if (step.Part > 0)
        text += QStringLiteral(": резервуар %1").arg(step.Part);
    return text;
}

void TExchangeProgress::RunningChanged(bool running)
{
    const int commands = m_line.Plan().Commands();
    if (!running || commands == 0) {
        hide();
        return;
    }
    pbCommands->setRange(0, commands);
    pbCommands->setValue(0);
    lblStep->clear();
    show();
}

void TExchangeProgress::CommandStarted(const TExchangeStep &step)
{
    lblStep->setText(StepText(step));
}

void TExchangeProgress::CommandFinished(const TExchangeStep &step)
{
    pbCommands->setValue(step.Number);
}
