#include "ConfigTransfer.h"

#include "ConfigImage.h"
#include "TerminalConfig.h"
#include "terminal/RemoteFile.h"
#include "terminal/TerminalCommand.h"

namespace {
const QByteArray kFileName = QByteArrayLiteral("config");
}

void ReadConfig(TTerminal &Terminal, TTerminalConfig &Config)
{
    QByteArray image;
    ReadRemoteFile(Terminal, kFileName, 0, 0, image);
    ConfigImage::Decode(image, Config);
}

void WriteConfig(TTerminal &Terminal, const TTerminalConfig &Config)
{
    WriteRemoteFile(Terminal, kFileName, 0, ConfigImage::Encode(Config));
    TTerminalCommand(Terminal).Execute(QByteArrayLiteral("reload"));
}
