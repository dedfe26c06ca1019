// The configuration as a JSON object: one key per member of
// TTerminalConfig, texts in UTF-8.
#pragma once

#include <QJsonObject>
#include <QString>

class TTerminalConfig;

namespace ConfigJson {

QJsonObject ToJson(const TTerminalConfig &Config);

// Every member must be present with a value it can hold; unknown keys are
// refused. Throws TInputError naming the field, path being the object's
// own name ("config" inside a backup, empty for a whole document).
TTerminalConfig FromJson(const QJsonObject &object, const QString &path = {});

} // namespace ConfigJson
