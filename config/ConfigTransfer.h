// The configuration's exchange with the controller's "config" file.
#pragma once

#include "terminal/ExchangeStep.h"

#include <QByteArray>
#include <QList>

class TExchange;
class TTerminalConfig;

namespace ConfigFile {
inline constexpr char Name[] = "config";
}

// What each of the operations below sends.
TExchangePlan ReadConfigPlan();
TExchangePlan WriteConfigPlan(); // the image's chunks, then "reload"
TExchangePlan ReloadPlan();

// Reads "config" and decodes it into Config; a failed read leaves Config
// unchanged. Throws TError.
void ReadConfig(TExchange &Exchange, TTerminalConfig &Config);

// Writes the image of Config into "config", then runs "reload". Throws TError.
void WriteConfig(TExchange &Exchange, const TTerminalConfig &Config);

// Runs "reload": the controller takes up the "config" just written. Returns
// the controller's answer lines.
QList<QByteArray> ReloadConfig(TExchange &Exchange);
