// The process's standard streams as raw bytes.
#pragma once

#include <QByteArray>

namespace StdStreams {

// All of standard input, unchanged.
QByteArray ReadInput();
// Writes bytes to standard output or error unchanged and flushes them.
void WriteOutput(const QByteArray &bytes);
void WriteError(const QByteArray &bytes);

bool ErrorIsTerminal();

} // namespace StdStreams
