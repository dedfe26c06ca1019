#include "StationFile.h"

#include "Backup.h"
#include "InputChecks.h"
#include "InputError.h"
#include "common/Error.h"
#include "common/SaveFile.h"
#include "config/ConfigImage.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>

namespace {

[[noreturn]] void Fail(const QString &path, const QString &problem)
{
    throw TError(QStringLiteral("%1: %2").arg(QDir::toNativeSeparators(path), problem));
}

} // namespace

namespace StationFile {

void Save(const QString &Path, const TTerminalConfig &Config, const TTankTables &Tables)
{
    const QByteArray text =
        QJsonDocument(Backup::ToJson(ConfigImage::Encode(Config), Tables)).toJson(QJsonDocument::Indented);
    QString error;
    if (!TSaveFile::Write(Path, text, error))
        Fail(Path, error);
}

TStationFile Load(const QString &Path)
{
    QFile file(Path);
    if (!file.open(QIODevice::ReadOnly))
        Fail(Path, file.errorString());
    const QByteArray text = file.readAll();
    if (file.error() != QFileDevice::NoError)
        Fail(Path, file.errorString());

    // Its error names the file already.
    const QJsonObject document = InputChecks::ParseJsonObject(text, QDir::toNativeSeparators(Path));
    TStationFile loaded;
    QByteArray image;
    try {
        Backup::FromJson(document, image, loaded.Tables);
    } catch (const TInputError &error) {
        Fail(Path, error.Message());
    }
    ConfigImage::Decode(image, loaded.Config);
    return loaded;
}

} // namespace StationFile
