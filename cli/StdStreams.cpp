#include "StdStreams.h"

#include <QtGlobal>

#include <cstdio>

#ifdef Q_OS_WIN
#include <fcntl.h>
#include <io.h>
#define KOLT_ISATTY _isatty
#define KOLT_FILENO _fileno
#else
#include <unistd.h>
#define KOLT_ISATTY isatty
#define KOLT_FILENO fileno
#endif

namespace {

// Text mode on Windows would turn CR LF into LF and stop at Ctrl-Z.
void MakeBinary([[maybe_unused]] FILE *stream)
{
#ifdef Q_OS_WIN
    _setmode(_fileno(stream), _O_BINARY);
#endif
}

void Write(FILE *stream, const QByteArray &bytes)
{
    MakeBinary(stream);
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stream);
    std::fflush(stream);
}

} // namespace

namespace StdStreams {

QByteArray ReadInput()
{
    MakeBinary(stdin);
    QByteArray bytes;
    char buffer[4096];
    size_t count = 0;
    while ((count = std::fread(buffer, 1, sizeof buffer, stdin)) > 0)
        bytes.append(buffer, qsizetype(count));
    return bytes;
}

void WriteOutput(const QByteArray &bytes)
{
    Write(stdout, bytes);
}

void WriteError(const QByteArray &bytes)
{
    Write(stderr, bytes);
}

bool ErrorIsTerminal()
{
    return KOLT_ISATTY(KOLT_FILENO(stderr)) != 0;
}

} // namespace StdStreams
