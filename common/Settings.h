// The settings file: an INI file beside the executable holding the COM port
// number (section "conn", key "port").
#pragma once

#include <QString>

namespace Settings {

// The executable's path with its extension replaced by ".ini", or the file
// named by the environment variable KOLT_TARVO_SETTINGS when it is set.
// executablePath is the path of the program itself (its settings file is
// shared by the companion programs).
QString FilePath(const QString &executablePath);

// The port number stored in the file; 1 when the file, the section or the
// key is missing or the value is not a number. "0x" and "$" make the rest
// hexadecimal.
int ReadPort(const QString &path);

// Parses one value as ReadPort() does; false when it is not a number.
bool ParsePort(const QString &value, int *port);

// Stores the port number, keeping everything else in the file, which is
// replaced whole or not at all. Throws TError "Unable to write to <path>".
void WritePort(const QString &path, int port);

} // namespace Settings
