#include "StdStreams.h"

#include "common/Error.h"

#include <QString>

#include <cerrno>
#include <cstdio>
#include <cstring>

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

// False with errno set when the stream did not take all bytes.
bool Write(FILE *stream, const QByteArray &bytes)
{
    MakeBinary(stream);
    const size_t written = std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stream);
    return std::fflush(stream) == 0 && written == size_t(bytes.size());
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
    errno = 0;
    if (!Write(stdout, bytes))
        throw TError(QStringLiteral("standard output: %1").arg(QString::fromLocal8Bit(std::strerror(errno))));
}

void WriteError(const QByteArray &bytes)
{
    // Nowhere is left to report a failure of the error stream.
    Write(stderr, bytes);
}

bool ErrorIsTerminal()
{
    return KOLT_ISATTY(KOLT_FILENO(stderr)) != 0;
}

} // namespace StdStreams
