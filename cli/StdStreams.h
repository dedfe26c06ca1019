// The process's standard streams as raw bytes.
#pragma once

#include <QByteArray>

namespace StdStreams {

// All of standard input, unchanged.
QByteArray ReadInput();
// Writes bytes to standard output unchanged and flushes them. Throws
// TError with the system's message when the output does not take them.
void WriteOutput(const QByteArray &bytes);
// The same on standard error, whose failures go unreported.
void WriteError(const QByteArray &bytes);

bool ErrorIsTerminal();

} // namespace StdStreams
