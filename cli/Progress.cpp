#include "Progress.h"

#include "StdStreams.h"
#include "terminal/ExchangeLine.h"

TProgress::TProgress(const TExchangeLine &line)
{
    if (!StdStreams::ErrorIsTerminal())
        return;
    connect(&line, &TExchangeLine::commandStarted, this, &TProgress::CommandStarted);
    connect(&line, &TExchangeLine::commandFinished, this, &TProgress::CommandFinished);
    connect(&line, &TExchangeLine::exchangeRunningChanged, this, &TProgress::RunningChanged);
}

void TProgress::CommandStarted(const TExchangeStep &step)
{
    if (step.Kind != TExchangeStep::TKind::Write)
        EndLine();
}

void TProgress::CommandFinished(const TExchangeStep &step, bool succeeded)
{
    if (!succeeded || step.Kind != TExchangeStep::TKind::Write)
        return;
    ++m_written;
    StdStreams::WriteError(
        QStringLiteral("\rchunks written %1 of %2").arg(m_written).arg(step.Plan.Writes).toUtf8());
    m_lineOpen = true;
}

void TProgress::RunningChanged(bool running)
{
    if (running)
        return;
    EndLine();
    m_written = 0;
}

void TProgress::EndLine()
{
    if (m_lineOpen)
        StdStreams::WriteError("\n");
    m_lineOpen = false;
}
