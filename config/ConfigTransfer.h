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

// Reads the whole "config" (length 0) and returns its first
// ConfigImage::Size bytes, as they are; a shorter answer is refused. Throws
// TError.
QByteArray ReadConfigImage(TExchange &Exchange);

// Reads "config" and decodes it into Config; a failed read leaves Config
// unchanged. Throws TError.
void ReadConfig(TExchange &Exchange, TTerminalConfig &Config);

// Writes the image of Config into "config", then runs "reload". Throws TError.
void WriteConfig(TExchange &Exchange, const TTerminalConfig &Config);

// Runs "reload": the controller takes up the "config" just written. Returns
// the answer's lines, the controller's word on it: whether it took the file
// up only they can tell, in the controller's own wording.
QList<QByteArray> ReloadConfig(TExchange &Exchange);
