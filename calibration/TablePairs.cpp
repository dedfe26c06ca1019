#include "TablePairs.h"

#include "TankTable.h"

#include <QStringDecoder>
#include <QStringList>

#include <algorithm>
#include <cmath>
#include <map>

namespace TablePairs {

namespace {

QString Decoded(const QByteArray &text)
{
    QStringDecoder decoder(QStringConverter::encodingForData(text).value_or(QStringConverter::Utf8));
    return decoder.decode(text);
}

QStringList Fields(const QString &line)
{
    const QChar separator = line.contains(u'\t') ? u'\t' : line.contains(u';') ? u';' : u',';
    QStringList fields = line.split(separator);
    for (QString &field : fields)
        field.remove(u'"').remove(u' ').remove(QChar::Nbsp);
    while (!fields.isEmpty() && fields.last().isEmpty())
        fields.removeLast();
    return fields;
}

std::optional<double> Number(QString field)
{
    bool ok = false;
    const double value = field.replace(u',', u'.').toDouble(&ok);
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    return value;
}

bool RoundsTo32Bits(double volume)
{
    return volume > double(INT32_MIN) - 0.5 && volume < double(INT32_MAX) + 0.5;
}

qint32 Rounded(double volume)
{
    return qint32(std::llround(volume));
}

} // namespace

TReading Read(const QByteArray &text)
{
    TReading reading;
    std::map<double, double> given; // height -> volume
    bool firstLine = true;
    int number = 0;
    for (const QString &line : Decoded(text).split(u'\n')) {
        ++number;
        const QStringList fields = Fields(line.trimmed());
        if (fields.isEmpty())
            continue;
        const bool header = firstLine && std::none_of(fields.begin(), fields.end(), [](const QString &field) {
            return Number(field).has_value();
        });
        firstLine = false;
        if (header)
            continue;

        const std::optional<double> height = fields.size() == 2 ? Number(fields[0]) : std::nullopt;
        const std::optional<double> volume = fields.size() == 2 ? Number(fields[1]) : std::nullopt;
        if (!height || !volume || !RoundsTo32Bits(*volume)) {
            reading.Fault = TReading::NotAPair;
            reading.Line = number;
            return reading;
        }
        const auto [at, added] = given.emplace(*height, *volume);
        if (!added && at->second != *volume) {
            reading.Fault = TReading::HeightTwice;
            reading.Line = number;
            return reading;
        }
        reading.Pairs.append({*height, *volume});
    }
    if (reading.Pairs.isEmpty())
        reading.Fault = TReading::NoPair;
    return reading;
}

QList<std::optional<qint32>> Interpolate(QList<TPair> Pairs, int LineCount)
{
    std::stable_sort(Pairs.begin(), Pairs.end(), [](const TPair &a, const TPair &b) { return a.Height < b.Height; });
    QList<std::optional<qint32>> volumes(qMax(LineCount, 0));
    if (Pairs.isEmpty())
        return volumes;
    for (int k = 0; k < volumes.size(); ++k) {
        const double height = double(TankTable::HeightStep) * k;
        if (height < Pairs.front().Height || height > Pairs.back().Height)
            continue;
        const auto above = std::lower_bound(Pairs.cbegin(), Pairs.cend(), height,
                                            [](const TPair &pair, double h) { return pair.Height < h; });
        if (above->Height == height) {
            volumes[k] = Rounded(above->Volume);
            continue;
        }
        const TPair &below = *(above - 1);
        const double share = (height - below.Height) / (above->Height - below.Height);
        const double volume = below.Volume + (above->Volume - below.Volume) * share;
        // Rounding errors must not carry a volume past the two it lies between.
        volumes[k] = Rounded(std::clamp(volume, std::min(below.Volume, above->Volume),
                                        std::max(below.Volume, above->Volume)));
    }
    return volumes;
}

QByteArray Text(const QList<std::optional<qint32>> &Volumes)
{
    QByteArray text = "height;volume\n";
    for (int k = 0; k < Volumes.size(); ++k) {
        if (Volumes[k])
            text += QByteArray::number(qint64(TankTable::HeightStep) * k) + ';' + QByteArray::number(*Volumes[k]) + '\n';
    }
    return text;
}

} // namespace TablePairs
