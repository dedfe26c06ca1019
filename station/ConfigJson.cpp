#include "ConfigJson.h"

#include "InputChecks.h"
#include "InputError.h"
#include "common/Cp1251.h"
#include "config/ConfigImage.h"
#include "config/ConfigSchema.h"

#include <QJsonArray>
#include <QSet>

namespace {

using ConfigSchema::TNumber;
using ConfigSchema::TSlots;
using ConfigSchema::TText;

QString Key(std::string_view name)
{
    return QLatin1String(name.data(), qsizetype(name.size()));
}

template<typename Record>
QJsonObject RecordToJson(const Record &record);

template<typename Record, typename T>
QJsonValue ToJson(const TNumber<Record, T> &, T value)
{
    return int(value);
}

template<typename Record, qsizetype Capacity>
QJsonValue ToJson(const TText<Record, Capacity> &, const TConfigText<Capacity> &text)
{
    return Cp1251::toUnicode(text.Bytes());
}

template<typename Record, typename Slot, std::size_t Count>
QJsonValue ToJson(const TSlots<Record, Slot, Count> &, const std::array<Slot, Count> &records)
{
    QJsonArray array;
    for (const Slot &slot : records)
        array.append(RecordToJson(slot));
    return array;
}

// One key per member, by the member's name.
template<typename Record>
QJsonObject RecordToJson(const Record &record)
{
    QJsonObject object;
    ConfigSchema::Visit(record, [&](const auto &member, const auto &value) {
        object.insert(Key(member.name), ToJson(member, value));
    });
    return object;
}

template<typename Record>
void RecordFromJson(const QJsonObject &object, const QString &path, Record &record);

// Takes each member from the object, checked against what the member holds:
// an integer within the range of its type, a text within its capacity, as
// many records as it has slots.
class TJsonReader
{
public:
    TJsonReader(const QJsonObject &object, const QString &path) : m_object(object), m_path(path) {}

    template<typename Record, typename T>
    void operator()(const TNumber<Record, T> &member, T &value)
    {
        value = InputChecks::CheckedInteger<T>(Take(member.name), Field(member.name));
    }

    template<typename Record, qsizetype Capacity>
    void operator()(const TText<Record, Capacity> &member, TConfigText<Capacity> &text)
    {
        text = InputChecks::CheckedText(Take(member.name), member.capacity, Field(member.name));
    }

    template<typename Record, typename Slot, std::size_t Count>
    void operator()(const TSlots<Record, Slot, Count> &member, std::array<Slot, Count> &records)
    {
        const QJsonArray array = InputChecks::CheckedArray(Take(member.name), Count, Field(member.name));
        for (std::size_t i = 0; i < Count; ++i) {
            const QString field = QStringLiteral("%1[%2]").arg(Field(member.name)).arg(i);
            RecordFromJson(InputChecks::CheckedObject(array.at(qsizetype(i)), field), field, records[i]);
        }
    }

    // Refuses the keys that no member took.
    void RejectUnknownKeys() const
    {
        for (auto it = m_object.begin(); it != m_object.end(); ++it) {
            if (!m_taken.contains(it.key()))
                throw TInputError(QStringLiteral("%1: неизвестный ключ").arg(Field(it.key())));
        }
    }

private:
    QJsonValue Take(std::string_view name)
    {
        const QString key = Key(name);
        m_taken.insert(key);
        if (!m_object.contains(key))
            throw TInputError(QStringLiteral("%1: отсутствует").arg(Field(key)));
        return m_object.value(key);
    }

    QString Field(std::string_view name) const { return Field(Key(name)); }
    QString Field(const QString &key) const
    {
        return m_path.isEmpty() ? key : m_path + u'.' + key;
    }

    const QJsonObject &m_object;
    QString m_path;
    QSet<QString> m_taken;
};

template<typename Record>
void RecordFromJson(const QJsonObject &object, const QString &path, Record &record)
{
    TJsonReader reader(object, path);
    ConfigSchema::Visit(record, reader);
    reader.RejectUnknownKeys();
}

} // namespace

namespace ConfigJson {

QJsonObject ToJson(const TTerminalConfig &Config)
{
    return RecordToJson(Config);
}

QJsonObject ToJsonWithImage(const QByteArray &Image)
{
    TTerminalConfig config;
    ConfigImage::Decode(Image, config);
    QJsonObject object = ToJson(config);
    object.insert(QLatin1String(ImageKey), QString::fromLatin1(Image.left(ConfigImage::Size).toHex().toUpper()));
    return object;
}

TTerminalConfig FromJson(const QJsonObject &object, const QString &path)
{
    TTerminalConfig config;
    RecordFromJson(object, path, config);
    return config;
}

QByteArray ImageFromJson(QJsonObject object, const QString &path)
{
    const QString key = QLatin1String(ImageKey);
    if (!object.contains(key))
        return ConfigImage::Encode(FromJson(object, path));
    const QByteArray image =
        InputChecks::CheckedHex(object.take(key), ConfigImage::Size, path.isEmpty() ? key : path + u'.' + key);
    return ConfigImage::EncodeOver(image, FromJson(object, path));
}

} // namespace ConfigJson
