// A settings file of the test's own. While a SettingsFile lives, the main
// window and the companion read and write it instead of the file beside the
// executable, so a stray file there cannot change a test's outcome. It
// starts absent, so a window starts on port 1.
#pragma once

#include <QTemporaryDir>
#include <QtGlobal>

class SettingsFile
{
public:
    SettingsFile() { Use(m_dir.filePath(QStringLiteral("kolt-tarvo-conf.ini"))); }
    ~SettingsFile() { qunsetenv(kVariable); }
    SettingsFile(const SettingsFile &) = delete;
    SettingsFile &operator=(const SettingsFile &) = delete;

    QString Path() const { return m_path; }
    // Points the settings at another file (one that cannot be written, say).
    void Use(const QString &path)
    {
        m_path = path;
        qputenv(kVariable, path.toLocal8Bit());
    }

private:
    static constexpr const char *kVariable = "KOLT_TARVO_SETTINGS";
    QTemporaryDir m_dir;
    QString m_path;
};
