// The configuration's exchange with the controller's "config" file. Each
// operation is a script (TExchangeScript): what it sends and its plan, at
// once.
#pragma once

#include "terminal/ExchangeScript.h"

#include <QByteArray>
#include <QList>

#include <functional>

class TTerminalConfig;

namespace ConfigFile {
inline constexpr char Name[] = "config";
}

// The controller's answer lines to "reload".
using TReloadAnswer = std::function<void(const QList<QByteArray> &Lines)>;

// Reads the whole "config" (length 0) into Image: its first
// ConfigImage::Size bytes, as they are, once they decode; a shorter answer
// is refused (TError) and leaves Image unchanged.
TExchangeScript ReadConfigImageScript(QByteArray &Image);

// Reads "config" and decodes it into Config; a failed read leaves Config
// unchanged.
TExchangeScript ReadConfigScript(TTerminalConfig &Config);

// Writes the image of Config, as it is now, into "config", then runs
// "reload".
TExchangeScript WriteConfigScript(const TTerminalConfig &Config);

// Runs "reload": the controller takes up the "config" just written. Answer,
// when given, gets the answer's lines, the controller's word on it: whether
// it took the file up only they can tell, in the controller's own wording.
TExchangeScript ReloadScript(const TReloadAnswer &Answer = {});
