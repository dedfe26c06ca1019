#include "ConfigTransfer.h"

#include "ConfigImage.h"
#include "TerminalConfig.h"
#include "common/Error.h"
#include "terminal/Exchange.h"

namespace {

// The answer of the read, decoded; a short one fails at the read.
TTerminalConfig Decoded(TExchange &exchange, const QByteArray &bytes)
{
    TTerminalConfig decoded;
    try {
        ConfigImage::Decode(bytes, decoded);
    } catch (const TError &error) {
        throw exchange.Failure(error.Message());
    }
    return decoded;
}

} // namespace

TExchangeScript ReadConfigImageScript(QByteArray &Image)
{
    TExchangeScript script;
    script.Read(ConfigFile::Name, 0, 0, 0, [&Image](TExchange &exchange, const QByteArray &bytes) {
        Decoded(exchange, bytes);
        Image = bytes.left(ConfigImage::Size);
    });
    return script;
}

TExchangeScript ReadConfigScript(TTerminalConfig &Config)
{
    TExchangeScript script;
    script.Read(ConfigFile::Name, 0, 0, 0,
                [&Config](TExchange &exchange, const QByteArray &bytes) { Config = Decoded(exchange, bytes); });
    return script;
}

TExchangeScript WriteConfigScript(const TTerminalConfig &Config)
{
    TExchangeScript script;
    script.Write(ConfigFile::Name, 0, ConfigImage::Encode(Config));
    script += ReloadScript();
    return script;
}

TExchangeScript ReloadScript(const TReloadAnswer &Answer)
{
    TExchangeScript script;
    script.Command(QByteArrayLiteral("reload"), [Answer](TExchange &, const QList<QByteArray> &lines) {
        if (Answer)
            Answer(lines);
    });
    return script;
}
