#include "CliSettings.h"

#include "station/InputChecks.h"
#include "common/Settings.h"

#include <QDir>
#include <QFileInfo>

namespace CliSettings {

QString GuiSettingsFilePath(const QString &cliExecutablePath)
{
    // Settings::FilePath() derives the name from an executable's path and
    // honours KOLT_TARVO_SETTINGS; hand it the GUI's path beside this one.
    const QString guiExecutable = QFileInfo(cliExecutablePath).absoluteDir().filePath(QStringLiteral("kolt-tarvo-conf"));
    return Settings::FilePath(guiExecutable);
}

int ChoosePort(std::optional<int> portOption, const QString &cliExecutablePath)
{
    if (portOption)
        return *portOption;
    return Settings::ReadPort(GuiSettingsFilePath(cliExecutablePath));
}

std::optional<int> CommandTimeout()
{
    const QString value = qEnvironmentVariable("KOLT_TARVO_TIMEOUT_MS");
    if (value.isEmpty())
        return std::nullopt;
    return int(InputChecks::ParseInteger(value, 1, INT32_MAX, QStringLiteral("KOLT_TARVO_TIMEOUT_MS")));
}

} // namespace CliSettings
