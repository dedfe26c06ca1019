#include "ConfigJson.h"

#include "InputChecks.h"
#include "InputError.h"
#include "common/Cp1251.h"
#include "config/ConfigImage.h"
#include "config/TerminalConfig.h"

#include <QJsonArray>
#include <QSet>

#include <concepts>
#include <type_traits>

namespace {

// The members of each record by their JSON names, in image order; the
// one list serves both directions.
template<typename Config, typename Visitor>
    requires std::same_as<std::remove_const_t<Config>, TTerminalConfig>
void VisitMembers(Config &c, Visitor &&v)
{
    v("apn", c.apn);
    v("server_name", c.server_name);
    v("server_port", c.server_port);
    v("server_dir", c.server_dir);
    v("server_login", c.server_login);
    v("server_psw", c.server_psw);
    v("sync_time", c.sync_time);
    v("oper_psw", c.oper_psw);
    v("admin_psw", c.admin_psw);
    v("admin_tel", c.admin_tel);
    v("tanks", c.tanks);
    v("pumps", c.pumps);
    v("card_sector", c.card_sector);
    v("card_psw", c.card_psw);
}

template<typename Tank, typename Visitor>
    requires std::same_as<std::remove_const_t<Tank>, TTankConfig>
void VisitMembers(Tank &t, Visitor &&v)
{
    v("active", t.active);
    v("fuel_code", t.fuel_code);
    v("adapter_type", t.adapter_type);
    v("adapter_comport_no", t.adapter_comport_no);
    v("adapter_adr", t.adapter_adr);
    v("adapter_h0", t.adapter_h0);
    v("hmin", t.hmin);
    v("hmax", t.hmax);
}

template<typename Pump, typename Visitor>
    requires std::same_as<std::remove_const_t<Pump>, TPumpConfig>
void VisitMembers(Pump &p, Visitor &&v)
{
    v("active", p.active);
    v("adapter_type", p.adapter_type);
    v("adapter_comport_no", p.adapter_comport_no);
    v("adapter_adr", p.adapter_adr);
    v("nozzles", p.nozzles);
}

template<typename Nozzle, typename Visitor>
    requires std::same_as<std::remove_const_t<Nozzle>, TNozzleConfig>
void VisitMembers(Nozzle &n, Visitor &&v)
{
    v("active", n.active);
    v("tank_no", n.tank_no);
}

template<typename Record>
QJsonObject RecordToJson(const Record &record);

struct TJsonWriter
{
    QJsonObject &object;

    template<std::integral T>
    void operator()(const char *key, T value) const
    {
        object.insert(QLatin1String(key), int(value));
    }

    template<qsizetype Capacity>
    void operator()(const char *key, const TConfigText<Capacity> &text) const
    {
        object.insert(QLatin1String(key), Cp1251::toUnicode(text.Bytes()));
    }

    template<typename Record, std::size_t Count>
    void operator()(const char *key, const std::array<Record, Count> &records) const
    {
        QJsonArray array;
        for (const Record &record : records)
            array.append(RecordToJson(record));
        object.insert(QLatin1String(key), array);
    }
};

template<typename Record>
QJsonObject RecordToJson(const Record &record)
{
    QJsonObject object;
    VisitMembers(record, TJsonWriter{object});
    return object;
}

template<typename Record>
void RecordFromJson(const QJsonObject &object, const QString &path, Record &record);

// Takes each member from the object, checked against the member's type.
class TJsonReader
{
public:
    TJsonReader(const QJsonObject &object, const QString &path) : m_object(object), m_path(path) {}

    template<std::integral T>
    void operator()(const char *key, T &value)
    {
        value = InputChecks::CheckedInteger<T>(Take(key), Field(key));
    }

    template<qsizetype Capacity>
    void operator()(const char *key, TConfigText<Capacity> &text)
    {
        text = InputChecks::CheckedText(Take(key), Capacity, Field(key));
    }

    template<typename Record, std::size_t Count>
    void operator()(const char *key, std::array<Record, Count> &records)
    {
        const QJsonArray array = InputChecks::CheckedArray(Take(key), Count, Field(key));
        for (std::size_t i = 0; i < Count; ++i) {
            const QString field = QStringLiteral("%1[%2]").arg(Field(key)).arg(i);
            RecordFromJson(InputChecks::CheckedObject(array.at(qsizetype(i)), field), field, records[i]);
        }
    }

    // Refuses the keys that no member took.
    void RejectUnknownKeys() const
    {
        for (auto it = m_object.begin(); it != m_object.end(); ++it) {
            if (!m_taken.contains(it.key()))
                throw TInputError(QStringLiteral("%1: unknown key").arg(Field(it.key())));
        }
    }

private:
    QJsonValue Take(const char *key)
    {
        const QString name = QLatin1String(key);
        m_taken.insert(name);
        if (!m_object.contains(name))
            throw TInputError(QStringLiteral("%1: missing").arg(Field(name)));
        return m_object.value(name);
    }

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
    VisitMembers(record, reader);
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
