// The configuration's exchange with the controller's "config" file.
#pragma once

class TTerminal;
class TTerminalConfig;

namespace ConfigFile {
inline constexpr char Name[] = "config";
}

// Reads "config" and decodes it into Config; a failed read leaves Config
// unchanged. Throws TError.
void ReadConfig(TTerminal &Terminal, TTerminalConfig &Config);

// Writes the image of Config into "config", then runs "reload". Throws TError.
void WriteConfig(TTerminal &Terminal, const TTerminalConfig &Config);

// Runs "reload": the controller takes up the "config" just written.
void ReloadConfig(TTerminal &Terminal);
