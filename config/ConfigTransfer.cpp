#include "ConfigTransfer.h"

#include "ConfigImage.h"
#include "TerminalConfig.h"
#include "terminal/RemoteFile.h"
#include "terminal/TerminalCommand.h"

TExchangePlan ReadConfigPlan()
{
    return ReadFilePlan();
}

TExchangePlan WriteConfigPlan()
{
    return WriteFilePlan(ConfigImage::Size) + ReloadPlan();
}

TExchangePlan ReloadPlan()
{
    return {.Others = 1};
}

void ReadConfig(TExchange &Exchange, TTerminalConfig &Config)
{
    QByteArray image;
    ReadRemoteFile(Exchange, ConfigFile::Name, 0, 0, image);
    ConfigImage::Decode(image, Config);
}

void WriteConfig(TExchange &Exchange, const TTerminalConfig &Config)
{
    WriteRemoteFile(Exchange, ConfigFile::Name, 0, ConfigImage::Encode(Config));
    ReloadConfig(Exchange);
}

QList<QByteArray> ReloadConfig(TExchange &Exchange)
{
    TTerminalCommand command(Exchange);
    command.Execute(QByteArrayLiteral("reload"));
    return command.Lines();
}
