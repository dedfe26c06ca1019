#include "FileRange.h"

#include "calibration/TankTableTransfer.h"
#include "common/Cp1251.h"

#include <QStringList>

#include <algorithm>

namespace {

// The tables and entries that bytes first..last of "tanks.tbl" cover.
QString TablesCovered(qint64 first, qint64 last)
{
    using namespace TankTableFile;
    QStringList parts;
    for (qint64 block = first / BlockSize; block <= last / BlockSize; ++block) {
        const qint64 start = block * BlockSize;
        const qint64 from = std::max(first, start) - start;
        const qint64 to = std::min(last, start + BlockSize - 1) - start;
        const qint64 tank = block + 1;
        if (from == 0 && to == BlockSize - 1)
            parts << QStringLiteral("all of tank %1").arg(tank);
        else if (from / EntrySize == to / EntrySize)
            parts << QStringLiteral("tank %1 entry %2").arg(tank).arg(from / EntrySize);
        else
            parts << QStringLiteral("tank %1 entries %2..%3").arg(tank).arg(from / EntrySize).arg(to / EntrySize);
    }
    return parts.join(QStringLiteral(", "));
}

} // namespace

QString TFileRange::Describe() const
{
    QString text = QStringLiteral("%1 %2..%3").arg(Cp1251::toUnicode(file)).arg(first).arg(last);
    if (file == TankTableFile::Name)
        text += QStringLiteral(" (%1)").arg(TablesCovered(first, last));
    return text;
}
