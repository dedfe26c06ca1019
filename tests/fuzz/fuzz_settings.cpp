// The settings file over arbitrary contents.
//
// ReadPort never throws and gives 1 or a number that some "key = value" line
// of the file holds; after WritePort(n) on the same file it reads n. Every
// number ParsePort reads back from its decimal text, and a non-negative one
// also from "$" and "0x" hexadecimal.

#include "FuzzSupport.h"
#include "common/Settings.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <QFile>
#include <QStringList>
#include <QTemporaryDir>

namespace {

// Whether Port is what ParsePort makes of the value of some line.
bool SomeLineHolds(const QByteArray &contents, int port)
{
    for (const QString &line : QString::fromLocal8Bit(contents).split(u'\n')) {
        const qsizetype eq = line.indexOf(u'=');
        int value = 0;
        if (eq > 0 && Settings::ParsePort(line.mid(eq + 1), &value) && value == port)
            return true;
    }
    return false;
}

bool ParsesTo(const QString &text, int expected)
{
    int port = 0;
    return Settings::ParsePort(text, &port) && port == expected;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *bytes, size_t size)
{
    static const QTemporaryDir dir;
    static const QString path = dir.filePath(QStringLiteral("settings.ini"));

    FuzzedDataProvider data(bytes, size);
    const int written = data.ConsumeIntegral<int>();
    const QByteArray contents = QByteArray::fromStdString(data.ConsumeRemainingBytesAsString());

    Require(ParsesTo(QString::number(written), written), "ParsePort reads a decimal number back");
    if (written >= 0) {
        const QString hex = QString::number(written, 16);
        Require(ParsesTo(u'$' + hex, written) && ParsesTo(QStringLiteral("0x") + hex.toUpper(), written),
                "ParsePort reads a hexadecimal number back");
    }

    QFile file(path);
    Require(file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(contents) == contents.size(),
            "the file is written");
    file.close();

    try {
        const int port = Settings::ReadPort(path);
        Require(port == 1 || SomeLineHolds(contents, port), "ReadPort gives 1 or a value of the file");
        Settings::WritePort(path, written);
        Require(Settings::ReadPort(path) == written, "ReadPort reads what WritePort stored");
    } catch (...) {
        Require(false, "neither ReadPort nor WritePort throws on a writable file");
    }
    return 0;
}
