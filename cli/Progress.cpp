#include "Progress.h"

#include "StdStreams.h"
#include "terminal/RemoteFile.h"
#include "terminal/Terminal.h"

namespace {
constexpr int kChunkSize = 32; // bytes per write command of WriteRemoteFile
}

TProgress::TProgress(TTerminal &terminal, int totalChunks) : m_total(totalChunks)
{
    if (StdStreams::ErrorIsTerminal() && totalChunks > 0)
        connect(&terminal, &TTerminal::commandFinished, this, &TProgress::CommandFinished);
}

TProgress::~TProgress()
{
    if (m_written > 0)
        StdStreams::WriteError("\n");
}

int TProgress::ChunksFor(qsizetype bytes)
{
    return int((bytes + kChunkSize - 1) / kChunkSize);
}

void TProgress::CommandFinished(const QByteArray &command, bool succeeded)
{
    if (!succeeded || !command.startsWith(RemoteFileCommand::Write + QByteArray(" ")))
        return;
    ++m_written;
    StdStreams::WriteError(QStringLiteral("\rchunks written %1 of %2").arg(m_written).arg(m_total).toUtf8());
}
