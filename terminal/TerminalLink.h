// A listener of a TTerminal: four optional handler slots.
#pragma once

#include <QByteArray>
#include <QString>
#include <functional>

class TTerminal;

using TNotifyEvent = std::function<void(TTerminal *Sender)>;
using TErrorEvent = std::function<void(TTerminal *Sender, const QString &Text)>;
using TDataEvent = std::function<void(TTerminal *Sender, const QByteArray &Text)>;

class TTerminalLink
{
public:
    TNotifyEvent OnOpen;
    TNotifyEvent OnClose;
    TErrorEvent OnError;
    TDataEvent OnData;
};
