#include "ExchangeScript.h"

#include "Exchange.h"
#include "RemoteFile.h"
#include "TerminalCommand.h"

void TExchangeScript::Read(const QByteArray &Name, qint32 Offset, qint32 Length, int Part, TBytesHandler Done)
{
    m_entries.append({.Step = {.Kind = TExchangeStep::TKind::Read, .File = Name, .Offset = Offset, .Size = Length,
                               .Part = Part},
                      .Bytes = std::move(Done)});
}

void TExchangeScript::ReadBack(const QByteArray &Name, qint32 Offset, qint32 Length, int Part, TBytesHandler Done)
{
    m_entries.append({.Step = {.Kind = TExchangeStep::TKind::Check, .File = Name, .Offset = Offset, .Size = Length,
                               .Part = Part},
                      .Bytes = std::move(Done)});
}

void TExchangeScript::Write(const QByteArray &Name, qint32 Offset, const QByteArray &Bytes, int Part)
{
    for (qsizetype done = 0; done < Bytes.size(); done += RemoteFileCommand::WriteChunk) {
        const QByteArray chunk = Bytes.mid(done, RemoteFileCommand::WriteChunk);
        m_entries.append({.Step = {.Kind = TExchangeStep::TKind::Write, .File = Name, .Offset = Offset + qint32(done),
                                   .Size = qint32(chunk.size()), .Part = Part},
                          .Chunk = chunk});
    }
}

void TExchangeScript::Command(const QByteArray &Text, TLinesHandler Done)
{
    m_entries.append({.Step = {.Kind = TExchangeStep::TKind::Command, .Command = Text}, .Lines = std::move(Done)});
}

void TExchangeScript::Then(TWork Work)
{
    m_entries.append({.Work = std::move(Work)});
}

TExchangeScript &TExchangeScript::operator+=(const TExchangeScript &Other)
{
    m_entries += Other.m_entries;
    return *this;
}

TExchangePlan TExchangeScript::Plan() const
{
    TExchangePlan plan;
    for (const TEntry &entry : m_entries) {
        if (entry.Work)
            continue;
        switch (entry.Step.Kind) {
        case TExchangeStep::TKind::Command:
            ++plan.Others;
            break;
        case TExchangeStep::TKind::Read:
            ++plan.Reads;
            break;
        case TExchangeStep::TKind::Write:
            ++plan.Writes;
            break;
        case TExchangeStep::TKind::Check:
            ++plan.Checks;
            break;
        }
    }
    return plan;
}

void TExchangeScript::Run(TExchange &Exchange) const
{
    for (const TEntry &entry : m_entries) {
        const TExchangeStep &step = entry.Step;
        if (entry.Work) {
            entry.Work(Exchange);
            continue;
        }
        switch (step.Kind) {
        case TExchangeStep::TKind::Read:
        case TExchangeStep::TKind::Check: {
            QByteArray bytes;
            if (step.Kind == TExchangeStep::TKind::Read)
                ReadRemoteFile(Exchange, step.File, step.Offset, step.Size, bytes, step.Part);
            else
                ReadBackRemoteFile(Exchange, step.File, step.Offset, step.Size, bytes, step.Part);
            if (entry.Bytes)
                entry.Bytes(Exchange, bytes);
            break;
        }
        case TExchangeStep::TKind::Write: {
            TTerminalCommand command(Exchange);
            command.Execute(WriteFileCommand(step.File, step.Offset, entry.Chunk), step);
            break;
        }
        case TExchangeStep::TKind::Command: {
            TTerminalCommand command(Exchange);
            command.Execute(step.Command, step);
            if (entry.Lines)
                entry.Lines(Exchange, command.Lines());
            break;
        }
        }
    }
}

void TExchangeScript::Run(TExchangeLine &Line) const
{
    TExchange exchange(Line, Plan());
    Run(exchange);
}
