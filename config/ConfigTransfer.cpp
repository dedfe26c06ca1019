#include "ConfigTransfer.h"

#include "ConfigImage.h"
#include "TerminalConfig.h"
#include "terminal/RemoteFile.h"
#include "terminal/TerminalCommand.h"

void ReadConfig(TTerminal &Terminal, TTerminalConfig &Config)
{
    QByteArray image;
    ReadRemoteFile(Terminal, ConfigFile::Name, 0, 0, image);
    ConfigImage::Decode(image, Config);
}

void WriteConfig(TTerminal &Terminal, const TTerminalConfig &Config)
{
    WriteRemoteFile(Terminal, ConfigFile::Name, 0, ConfigImage::Encode(Config));
    ReloadConfig(Terminal);
}

void ReloadConfig(TTerminal &Terminal)
{
    TTerminalCommand(Terminal).Execute(QByteArrayLiteral("reload"));
}
