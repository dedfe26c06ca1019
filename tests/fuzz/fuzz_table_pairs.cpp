// Height and volume pairs from an arbitrary file, as Import and
// `write-table --csv` read them.
//
// Whatever the text, a reading either fails with a line that exists or gives
// pairs; their interpolation fills one run of lines without a gap, every
// value within the given volumes; and the text Export writes of it reads
// back to the same volumes.

#include "FuzzSupport.h"
#include "calibration/TablePairs.h"
#include "calibration/TankTable.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cmath>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *bytes, size_t size)
{
    FuzzedDataProvider data(bytes, size);
    const int lineCount = data.ConsumeIntegralInRange(0, TankTable::EntryCount);
    const std::string text = data.ConsumeRemainingBytesAsString();
    const TablePairs::TReading reading = TablePairs::Read(QByteArray::fromStdString(text));

    if (reading.Fault != TablePairs::TReading::None) {
        Require(reading.Pairs.isEmpty() || reading.Fault != TablePairs::TReading::NoPair, "no pair means none");
        if (reading.Fault != TablePairs::TReading::NoPair)
            Require(reading.Line >= 1 && qsizetype(reading.Line) <= qsizetype(std::count(text.begin(), text.end(), '\n')) + 1,
                    "the fault names a line of the text");
        return 0;
    }
    Require(!reading.Pairs.isEmpty(), "a reading gives pairs");

    double low = reading.Pairs.first().Volume;
    double high = low;
    for (const TablePairs::TPair &pair : reading.Pairs) {
        low = std::min(low, pair.Volume);
        high = std::max(high, pair.Volume);
    }
    const QList<std::optional<qint32>> volumes = TablePairs::Interpolate(reading.Pairs, lineCount);
    Require(volumes.size() == lineCount, "a volume entry for every line");
    const auto first = std::find_if(volumes.begin(), volumes.end(), [](const auto &v) { return v.has_value(); });
    const auto afterLast = std::find_if(volumes.rbegin(), volumes.rend(), [](const auto &v) { return v.has_value(); }).base();
    for (auto at = first; at < afterLast; ++at) {
        Require(at->has_value(), "the filled lines have no gap");
        Require(**at >= std::llround(low) && **at <= std::llround(high), "a volume within the given ones");
    }

    const TablePairs::TReading back = TablePairs::Read(TablePairs::Text(volumes));
    if (first == volumes.end()) {
        Require(back.Fault == TablePairs::TReading::NoPair, "an empty table exports no pair");
        return 0;
    }
    Require(back.Fault == TablePairs::TReading::None, "an export reads back");
    Require(TablePairs::Interpolate(back.Pairs, lineCount) == volumes, "an export reads back to its volumes");
    return 0;
}
