#include "ConfigTransfer.h"

#include "ConfigImage.h"
#include "TerminalConfig.h"
#include "common/Error.h"
#include "terminal/Exchange.h"
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

QByteArray ReadConfigImage(TExchange &Exchange)
{
    QByteArray image;
    ReadRemoteFile(Exchange, ConfigFile::Name, 0, 0, image);
    TTerminalConfig decoded;
    try {
        ConfigImage::Decode(image, decoded);
    } catch (const TError &error) {
        throw Exchange.Failure(error.Message());
    }
    return image.left(ConfigImage::Size);
}

void ReadConfig(TExchange &Exchange, TTerminalConfig &Config)
{
    ConfigImage::Decode(ReadConfigImage(Exchange), Config);
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
