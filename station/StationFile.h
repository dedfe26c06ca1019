// A station's configuration and calibration tables in one file, in the
// backup format (Backup.h) that both programs read and write, so that a file
// saved in the window restores with "kolt-tarvo-cli restore" and a backup
// made there opens in the window.
#pragma once

#include "calibration/TankTable.h"
#include "config/TerminalConfig.h"

#include <QString>

struct TStationFile
{
    // Decoded from the file's "config" bytes, gap bytes included.
    TTerminalConfig Config;
    // The tables the file holds, Loaded and Modified; the others empty.
    TTankTables Tables;
};

namespace StationFile {

// Writes the image of Config and every Loaded table into Path, atomically:
// the file is either complete or as it was. Throws TError naming the file.
void Save(const QString &Path, const TTerminalConfig &Config, const TTankTables &Tables);

// Reads Path through the input checks (InputChecks.h). Throws TError naming the
// file and, for a refused document, the field.
TStationFile Load(const QString &Path);

} // namespace StationFile
