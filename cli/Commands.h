// The commands of kolt-tarvo-cli. Each checks all of its input first and
// throws TInputError before anything is sent; errors of the controller or
// the port come as TError.
#pragma once

#include <QList>
#include <QString>
#include <QStringList>

class TExchangeLine;
struct TInvocation;

struct TCliCommand
{
    QString name;
    QStringList arguments; // their names, as the usage shows them
    QString summary;
    void (*run)(TExchangeLine &line, const TInvocation &invocation);
    bool verifies = false;    // reads what it wrote back, unless --no-verify
    QStringList options = {}; // the flags it takes after its name
    QStringList optional = {}; // the arguments that may follow the others
};

namespace CliCommands {

const QList<TCliCommand> &All();
// nullptr when there is no command of that name.
const TCliCommand *Find(const QString &name);

} // namespace CliCommands
