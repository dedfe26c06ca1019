// The configuration as a JSON object: one key per member of
// TTerminalConfig, texts in UTF-8; optionally, next to the members, the
// whole "config" image as read, in hexadecimal under "image".
#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QString>

class TTerminalConfig;

namespace ConfigJson {

inline constexpr char ImageKey[] = "image";

QJsonObject ToJson(const TTerminalConfig &Config);

// The members decoded from Image and Image itself. Throws TError when
// Image is shorter than the configuration.
QJsonObject ToJsonWithImage(const QByteArray &Image);

// Every member must be present with a value it can hold; unknown keys are
// refused. Throws TInputError naming the field, path being the object's
// own name ("config" inside a backup, empty for a whole document).
TTerminalConfig FromJson(const QJsonObject &object, const QString &path = {});

// The bytes to write into "config": with an image in the object, the image
// with the members that differ from it laid over it (gap bytes and unchanged
// texts stay byte for byte); without, the members' image with zero gap bytes.
// Throws TInputError like FromJson().
QByteArray ImageFromJson(QJsonObject object, const QString &path = {});

} // namespace ConfigJson
