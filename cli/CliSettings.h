// The GUI's settings, as the command-line companion finds them.
#pragma once

#include <QString>
#include <optional>

namespace CliSettings {

// The GUI's settings file: "kolt-tarvo-conf.ini" in the directory of this
// program, or the file named by KOLT_TARVO_SETTINGS when that is set.
QString GuiSettingsFilePath(const QString &cliExecutablePath);

// The port given on the command line, else the one in the GUI's settings
// file (1 when it holds none).
int ChoosePort(std::optional<int> portOption, const QString &cliExecutablePath);

// Inactivity time-out of a command in milliseconds: KOLT_TARVO_TIMEOUT_MS,
// else the terminal's default. Throws TInputError for a bad value.
std::optional<int> CommandTimeout();

} // namespace CliSettings
