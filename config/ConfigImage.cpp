#include "ConfigImage.h"

#include "ConfigSchema.h"
#include "TerminalConfig.h"
#include "common/Error.h"

#include <QtEndian>

#include <algorithm>

namespace {

using ConfigSchema::TNumber;
using ConfigSchema::TSlots;
using ConfigSchema::TText;

// Writes each member of Record at its offset from at, into an image of NULs.
template<typename Record>
void Put(const Record &record, char *at);

template<typename Record, typename T>
void Put(const TNumber<Record, T> &member, T value, char *at)
{
    qToLittleEndian(value, at + member.offset);
}

// The text, then the image's NULs up to the end of the field.
template<typename Record, qsizetype Capacity>
void Put(const TText<Record, Capacity> &member, const TConfigText<Capacity> &text, char *at)
{
    std::copy_n(text.Bytes().constData(), text.Bytes().size(), at + member.offset);
}

template<typename Record, typename Slot, std::size_t Count>
void Put(const TSlots<Record, Slot, Count> &member, const std::array<Slot, Count> &records, char *at)
{
    for (std::size_t i = 0; i < Count; ++i)
        Put(records[i], at + member.offset + member.stride * qsizetype(i));
}

template<typename Record>
void Put(const Record &record, char *at)
{
    ConfigSchema::Visit(record, [at](const auto &member, const auto &value) { Put(member, value, at); });
}

// Reads each member of Record from its offset from at.
template<typename Record>
void Take(const char *at, Record &record);

template<typename Record, typename T>
void Take(const TNumber<Record, T> &member, const char *at, T &value)
{
    value = qFromLittleEndian<T>(at + member.offset);
}

// The bytes before the first NUL within the field.
template<typename Record, qsizetype Capacity>
void Take(const TText<Record, Capacity> &member, const char *at, TConfigText<Capacity> &text)
{
    const char *field = at + member.offset;
    text = QByteArray(field, std::find(field, field + member.width, '\0') - field);
}

template<typename Record, typename Slot, std::size_t Count>
void Take(const TSlots<Record, Slot, Count> &member, const char *at, std::array<Slot, Count> &records)
{
    for (std::size_t i = 0; i < Count; ++i)
        Take(at + member.offset + member.stride * qsizetype(i), records[i]);
}

template<typename Record>
void Take(const char *at, Record &record)
{
    ConfigSchema::Visit(record, [at](const auto &member, auto &value) { Take(member, at, value); });
}

// Copies from original into image the field of every text that config
// holds as read holds it.
template<typename Record>
void KeepTexts(const Record &config, const Record &read, const char *original, char *image);

template<typename Record, typename T>
void KeepTexts(const TNumber<Record, T> &, const T &, const T &, const char *, char *)
{
}

template<typename Record, qsizetype Capacity>
void KeepTexts(const TText<Record, Capacity> &member, const TConfigText<Capacity> &config,
               const TConfigText<Capacity> &read, const char *original, char *image)
{
    if (config == read)
        std::copy_n(original + member.offset, member.width, image + member.offset);
}

template<typename Record, typename Slot, std::size_t Count>
void KeepTexts(const TSlots<Record, Slot, Count> &member, const std::array<Slot, Count> &config,
               const std::array<Slot, Count> &read, const char *original, char *image)
{
    for (std::size_t i = 0; i < Count; ++i) {
        const qsizetype at = member.offset + member.stride * qsizetype(i);
        KeepTexts(config[i], read[i], original + at, image + at);
    }
}

template<typename Record>
void KeepTexts(const Record &config, const Record &read, const char *original, char *image)
{
    ConfigSchema::Visit(config, [&](const auto &member, const auto &value) {
        KeepTexts(member, value, read.*member.member, original, image);
    });
}

} // namespace

namespace ConfigImage {

QByteArray Encode(const TTerminalConfig &Config)
{
    QByteArray image(Size, '\0');
    Put(Config, image.data());
    for (std::size_t g = 0; g < Config.gaps.size(); ++g)
        image[ConfigSchema::GapOffsets[g]] = Config.gaps[g];
    return image;
}

void Decode(const QByteArray &Image, TTerminalConfig &Config)
{
    if (Image.size() < Size)
        throw TError(QStringLiteral("Конфигурация повреждена: получено %1 байт из %2")
                         .arg(Image.size())
                         .arg(Size));

    Take(Image.constData(), Config);
    for (std::size_t g = 0; g < Config.gaps.size(); ++g)
        Config.gaps[g] = Image.at(ConfigSchema::GapOffsets[g]);
}

QByteArray EncodeOver(const QByteArray &Original, const TTerminalConfig &Config)
{
    TTerminalConfig read;
    Decode(Original, read);
    TTerminalConfig merged = Config;
    merged.gaps = read.gaps;
    QByteArray image = Encode(merged);
    // Numbers and gaps come back as they were; a text that Config leaves as
    // it was read keeps its bytes too: a text that fills its field, and
    // whatever stands after its NUL.
    KeepTexts(Config, read, Original.constData(), image.data());
    return image;
}

} // namespace ConfigImage
