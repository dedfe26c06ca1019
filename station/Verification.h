// Comparing what a controller file holds with what it should hold.
#pragma once

#include "FileRange.h"
#include "terminal/ExchangeStep.h"

#include <QByteArray>
#include <QList>

class TExchange;

struct TDifference
{
    TFileRange range;
    bool missing = false; // the controller sent fewer bytes than expected
};

namespace Verification {

// The runs of bytes in which Actual, read from Offset of the file Name,
// differs from Expected; what Actual lacks at the end is one run of its own.
// Bytes beyond Expected are not compared.
QList<TDifference> Compare(const QByteArray &Name, qint32 Offset, const QByteArray &Expected,
                           const QByteArray &Actual);

// Reads Written back from Offset of the controller file Name. Throws TError
// naming the file, the first differing offset and both byte values.
TExchangePlan ReadBackPlan();
void ReadBack(TExchange &Exchange, const QByteArray &Name, qint32 Offset, const QByteArray &Written);

} // namespace Verification
