#include "Backup.h"

#include "ConfigJson.h"
#include "InputChecks.h"
#include "InputError.h"

#include <QJsonArray>

namespace {
const QString kConfig = QStringLiteral("config");
const QString kTables = QStringLiteral("tables");
} // namespace

namespace Backup {

QJsonObject ToJson(const QByteArray &ConfigImage, const TTankTables &Tables)
{
    QJsonObject tables;
    for (int i = 0; i < TTankTables::Count; ++i) {
        const TankTable &slot = Tables[i];
        if (!slot.Loaded)
            continue;
        QJsonArray volumes;
        for (const qint32 volume : slot.Volumes)
            volumes.append(volume);
        tables.insert(QString::number(slot.TankNo), volumes);
    }
    return QJsonObject{{kConfig, ConfigJson::ToJsonWithImage(ConfigImage)}, {kTables, tables}};
}

void FromJson(const QJsonObject &Document, QByteArray &ConfigImage, TTankTables &Tables)
{
    for (auto it = Document.begin(); it != Document.end(); ++it) {
        if (it.key() != kConfig && it.key() != kTables)
            throw TInputError(QStringLiteral("%1: неизвестный ключ").arg(it.key()));
    }
    if (!Document.contains(kConfig))
        throw TInputError(kConfig + QStringLiteral(": отсутствует"));
    ConfigImage = ConfigJson::ImageFromJson(InputChecks::CheckedObject(Document.value(kConfig), kConfig), kConfig);

    Tables.Reset();
    if (!Document.contains(kTables))
        return;
    const QJsonObject tables = InputChecks::CheckedObject(Document.value(kTables), kTables);
    for (auto it = tables.begin(); it != tables.end(); ++it) {
        const QString field = kTables + u'.' + it.key();
        bool isNumber = false;
        const int tankNo = it.key().toInt(&isNumber);
        TankTable *slot = isNumber && QString::number(tankNo) == it.key() ? Tables.ForTank(tankNo) : nullptr;
        if (!slot)
            throw TInputError(QStringLiteral("%1: неизвестный ключ, резервуары 1..%2").arg(field).arg(TTankTables::Count));
        slot->Volumes = InputChecks::CheckedTable(it.value(), field);
        slot->Loaded = true;
        slot->Modified = true;
    }
}

} // namespace Backup
