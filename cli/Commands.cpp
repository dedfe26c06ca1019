#include "Commands.h"

#include "CommandLine.h"
#include "StdStreams.h"
#include "calibration/TablePairs.h"
#include "calibration/TableText.h"
#include "calibration/TankTableTransfer.h"
#include "common/Cp1251.h"
#include "common/Error.h"
#include "common/SaveFile.h"
#include "config/ConfigImage.h"
#include "config/ConfigTransfer.h"
#include "station/Backup.h"
#include "station/ConfigJson.h"
#include "station/InputChecks.h"
#include "station/InputError.h"
#include "station/StationComparison.h"
#include "station/StationImage.h"
#include "station/StationTransfer.h"
#include "station/Verification.h"
#include "terminal/Exchange.h"
#include "terminal/ExchangeScript.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>

namespace {

constexpr qint64 kMaxOffset = INT32_MAX;

// How a write is checked: what was written read back and compared, unless
// --no-verify.
TWriteCheck Check(const TInvocation &invocation)
{
    if (!invocation.verify)
        return std::nullopt;
    return TStationDifference::TSides{QStringLiteral("записано"), QStringLiteral("в контроллере")};
}

// Text that goes into a command line: code page 1251, no control characters.
QByteArray CommandLineText(const QString &text, const QString &field)
{
    for (const QChar c : text) {
        if (c.category() == QChar::Other_Control)
            throw TInputError(QStringLiteral("%1: control characters cannot be sent").arg(field));
    }
    return InputChecks::Cp1251Text(text, field);
}

// A controller file name: one word of the command line.
QByteArray RemoteFileName(const QString &name)
{
    if (name.isEmpty() || name.contains(u' '))
        throw TInputError(QStringLiteral("NAME: a file name is one non-empty word"));
    return CommandLineText(name, QStringLiteral("NAME"));
}

qint32 Offset(const QString &text)
{
    return qint32(InputChecks::ParseInteger(text, 0, kMaxOffset, QStringLiteral("OFFSET")));
}

QByteArray JsonText(const QJsonObject &object)
{
    return QJsonDocument(object).toJson(QJsonDocument::Indented);
}

QString NativePath(const QString &path)
{
    return QDir::toNativeSeparators(path);
}

// The controller's word on "reload", on standard error: only its wording
// tells whether it took the configuration up.
void PrintReloadAnswer(const QList<QByteArray> &answer)
{
    QByteArray text;
    for (const QByteArray &line : answer)
        text += QStringLiteral("reload: %1\n").arg(Cp1251::toUnicode(line)).toUtf8();
    StdStreams::WriteError(text);
}

const QString kFile = QStringLiteral("FILE");

// The backup at path, given as the argument so named. Its every error names
// that argument; a refused document only when named, as where two files
// are read.
void LoadBackup(const QString &path, QByteArray &configImage, TTankTables &tables, const QString &argument = kFile,
                bool named = false)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw TInputError(QStringLiteral("%1: %2: %3").arg(argument, NativePath(path), file.errorString()));
    try {
        Backup::FromJson(InputChecks::ParseJsonObject(file.readAll(), NativePath(path)), configImage, tables);
    } catch (const TInputError &error) {
        if (!named)
            throw;
        throw TInputError(QStringLiteral("%1: %2").arg(argument, error.Message()));
    }
}

// The configuration and the tables of a backup, as LoadBackup() reads it.
TStationImage BackupImage(const QString &path, const QString &argument = kFile, bool named = false)
{
    QByteArray configImage;
    TTankTables tables;
    LoadBackup(path, configImage, tables, argument, named);
    return TStationImage::Of(configImage, tables);
}

const QString kChangedOnly = QStringLiteral("--changed-only");

void Exec(TExchangeLine &line, const TInvocation &invocation)
{
    const QByteArray text = CommandLineText(invocation.arguments.at(0), QStringLiteral("TEXT"));
    TExchangeScript script;
    script.Command(text, [](TExchange &, const QList<QByteArray> &lines) {
        QByteArray answer;
        for (const QByteArray &line : lines)
            answer += Cp1251::toUnicode(line).toUtf8() + '\n';
        StdStreams::WriteOutput(answer);
    });
    script.Run(line);
}

void ReadFile(TExchangeLine &line, const TInvocation &invocation)
{
    const QStringList &arguments = invocation.arguments;
    const QByteArray name = RemoteFileName(arguments.at(0));
    const qint32 offset = Offset(arguments.at(1));
    const qint32 length = qint32(InputChecks::ParseInteger(arguments.at(2), 0, INT32_MAX, QStringLiteral("LENGTH")));
    TExchangeScript script;
    script.Read(name, offset, length, 0, [length](TExchange &exchange, const QByteArray &bytes) {
        // A '>' starting an answer line ends the answer, so what is missing
        // may have been cut off as well as never sent.
        if (length > 0 && bytes.size() < length)
            throw exchange.Failure(QStringLiteral("%1 of %2 bytes came").arg(bytes.size()).arg(length));
        StdStreams::WriteOutput(bytes);
    });
    script.Run(line);
}

void WriteFile(TExchangeLine &line, const TInvocation &invocation)
{
    const QByteArray name = RemoteFileName(invocation.arguments.at(0));
    const qint32 offset = Offset(invocation.arguments.at(1));
    const QByteArray bytes = StdStreams::ReadInput();
    if (offset + qint64(bytes.size()) > kMaxOffset)
        throw TInputError(QStringLiteral("standard input: %1 bytes from offset %2 go beyond %3")
                              .arg(bytes.size()).arg(offset).arg(kMaxOffset));
    TExchangeScript script;
    script.Write(name, offset, bytes);
    if (invocation.verify && !bytes.isEmpty())
        script += Verification::FileCheck(name, offset, bytes);
    script.Run(line);
}

void ReadConfigCommand(TExchangeLine &line, const TInvocation &)
{
    TTerminalConfig config;
    ReadConfigScript(config).Run(line);
    StdStreams::WriteOutput(JsonText(ConfigJson::ToJson(config)));
}

void WriteConfigCommand(TExchangeLine &line, const TInvocation &invocation)
{
    const QJsonObject object = InputChecks::ParseJsonObject(StdStreams::ReadInput(), QStringLiteral("standard input"));
    const QByteArray image = ConfigJson::ImageFromJson(object);
    WriteConfigImageScript(image, Check(invocation), PrintReloadAnswer).Run(line);
}

const QString kCsv = QStringLiteral("--csv");
const QString kAllowGaps = QStringLiteral("--allow-gaps");

void ReadTable(TExchangeLine &line, const TInvocation &invocation)
{
    TankTable table;
    table.TankNo = InputChecks::TankNumber(invocation.arguments.at(0));
    FetchTankTableScript(table, TEmptyTable::Refused).Run(line);
    QByteArray text;
    if (invocation.options.contains(kCsv)) {
        text = TablePairs::Text(QList<std::optional<qint32>>(table.Volumes.begin(), table.Volumes.end()));
    } else {
        for (const qint32 volume : table.Volumes)
            text += QByteArray::number(volume) + '\n';
    }
    StdStreams::WriteOutput(text);
}

// The lines of a tank's table: up to its hmax from "config"; tanks without
// a row there have every line.
int TankLineCount(TExchangeLine &line, int tankNo)
{
    if (tankNo > TTerminalConfig::TankCount)
        return TankTable::EntryCount;
    TTerminalConfig config;
    ReadConfigScript(config).Run(line);
    return TableLineCount(config.tanks[tankNo - 1].hmax);
}

// Height and volume pairs, interpolated; an empty height reads as 0. Below
// the tank's hmax one is refused unless --allow-gaps.
InputChecks::Volumes TableFromPairs(TExchangeLine &line, int tankNo, const QStringList &options)
{
    const TablePairs::TReading reading = TablePairs::Read(StdStreams::ReadInput());
    const QString where = QStringLiteral("standard input: line %1: ").arg(reading.Line);
    switch (reading.Fault) {
    case TablePairs::TReading::NoPair:
        throw TInputError(QStringLiteral("standard input: no height and volume pair"));
    case TablePairs::TReading::NotAPair:
        throw TInputError(where + QStringLiteral("not a height and a volume"));
    case TablePairs::TReading::HeightTwice:
        throw TInputError(where + QStringLiteral("height given before with another volume"));
    case TablePairs::TReading::None:
        break;
    }
    const QList<std::optional<qint32>> volumes = TablePairs::Interpolate(reading.Pairs, TankTable::EntryCount);
    const qsizetype firstGap = volumes.indexOf(std::nullopt);
    if (firstGap >= 0 && !options.contains(kAllowGaps)) {
        const int lineCount = TankLineCount(line, tankNo);
        if (firstGap < lineCount)
            throw TInputError(QStringLiteral("standard input: no volume at height %1, and tank %2 has heights "
                                             "0..%3; --allow-gaps writes 0 there")
                                  .arg(firstGap * TankTable::HeightStep)
                                  .arg(tankNo)
                                  .arg((lineCount - 1) * TankTable::HeightStep));
    }
    InputChecks::Volumes table{};
    for (int k = 0; k < TankTable::EntryCount; ++k)
        table[k] = volumes[k].value_or(0);
    return table;
}

void WriteTable(TExchangeLine &line, const TInvocation &invocation)
{
    TTankTables tables;
    const QStringList &options = invocation.options;
    const int tankNo = InputChecks::TankNumber(invocation.arguments.at(0));
    if (options.contains(kAllowGaps) && !options.contains(kCsv))
        throw TInputError(QStringLiteral("%1: only with %2").arg(kAllowGaps, kCsv));
    TankTable *slot = tables.ForTank(tankNo);
    slot->Volumes = options.contains(kCsv) ? TableFromPairs(line, tankNo, options)
                                            : InputChecks::ParseTableText(StdStreams::ReadInput());
    slot->Loaded = true;
    slot->Modified = true;
    if (options.contains(kChangedOnly)) {
        WriteChangedOnly(line, {{}, {{tankNo, TankTableFile::BlockBytes(*slot)}}}, Check(invocation));
        return;
    }
    WriteTablesScript(tables, Check(invocation)).Run(line);
}

void BackupCommand(TExchangeLine &line, const TInvocation &invocation)
{
    const QString path = invocation.arguments.at(0);
    TSaveFile file(path);
    if (!file.Open())
        throw TInputError(QStringLiteral("FILE: %1: %2").arg(NativePath(path), file.ErrorString()));

    QByteArray configImage;
    TTankTables tables;
    TExchangeScript script = ReadConfigImageScript(configImage);
    for (int tankNo = Backup::FirstTank; tankNo <= Backup::LastTank; ++tankNo)
        script += FetchTankTableScript(*tables.ForTank(tankNo), TEmptyTable::Refused);
    script.Run(line);

    const QByteArray text = JsonText(Backup::ToJson(configImage, tables));
    if (!file.Commit(text))
        throw TError(QStringLiteral("%1: %2").arg(NativePath(path), file.ErrorString()));
}

void Restore(TExchangeLine &line, const TInvocation &invocation)
{
    QByteArray configImage;
    TTankTables tables;
    LoadBackup(invocation.arguments.at(0), configImage, tables);
    if (invocation.options.contains(kChangedOnly)) {
        WriteChangedOnly(line, TStationImage::Of(configImage, tables), Check(invocation), PrintReloadAnswer);
        return;
    }
    WriteStationScript(configImage, tables, Check(invocation), PrintReloadAnswer).Run(line);
}

// Lists everything in which the controller, or a second backup, differs
// from the backup, in the words of the pages, the backup's value first;
// fails when there is one. Reads what a restore of the backup writes and
// sends nothing else; with two files, the port is not opened.
void Diff(TExchangeLine &line, const TInvocation &invocation)
{
    const QString path = invocation.arguments.at(0);
    const bool twoFiles = invocation.arguments.size() > 1;
    const TStationImage ours = BackupImage(path, kFile, twoFiles);
    TStationImage theirs;
    QString sides;
    if (twoFiles) {
        const QString second = invocation.arguments.at(1);
        theirs = BackupImage(second, QStringLiteral("FILE2"), true);
        sides = QStringLiteral("%1 и %2").arg(NativePath(path), NativePath(second));
    } else {
        theirs = ReadStation(line, ours);
        sides = QStringLiteral("контроллером и %1").arg(NativePath(path));
    }
    const QList<TStationDifference> differences = StationComparison::CompareStation(ours, theirs);

    QByteArray listing;
    for (const QString &difference : StationComparison::Lines(differences, std::nullopt))
        listing += difference.toUtf8() + '\n';
    StdStreams::WriteOutput(listing);
    if (!differences.isEmpty())
        throw TError(QStringLiteral("Различий между %1: %2").arg(sides).arg(differences.size()));
}

} // namespace

namespace CliCommands {

const QList<TCliCommand> &All()
{
    static const QList<TCliCommand> commands = {
        {QStringLiteral("exec"), {QStringLiteral("TEXT")}, QStringLiteral("run one command; print its answer lines"), Exec},
        {QStringLiteral("read-file"), {QStringLiteral("NAME"), QStringLiteral("OFFSET"), QStringLiteral("LENGTH")},
         QStringLiteral("decoded bytes to standard output (LENGTH 0: the whole file)"), ReadFile},
        {QStringLiteral("write-file"), {QStringLiteral("NAME"), QStringLiteral("OFFSET")},
         QStringLiteral("bytes from standard input to the controller file"), WriteFile, true},
        {QStringLiteral("read-config"), {}, QStringLiteral("the configuration as JSON on standard output"),
         ReadConfigCommand},
        {QStringLiteral("write-config"), {}, QStringLiteral("JSON from standard input; writes \"config\", then \"reload\""),
         WriteConfigCommand, true},
        {QStringLiteral("read-table"), {QStringLiteral("TANK")},
         QStringLiteral("tank 1..16: its 400 values, one decimal number a line"), ReadTable, false, {kCsv}},
        {QStringLiteral("write-table"), {QStringLiteral("TANK")},
         QStringLiteral("400 decimal values from standard input into its block"), WriteTable, true,
         {kCsv, kAllowGaps, kChangedOnly}},
        {QStringLiteral("backup"), {QStringLiteral("FILE")},
         QStringLiteral("config and the tables of tanks 1..6 into one JSON file"), BackupCommand},
        {QStringLiteral("restore"), {QStringLiteral("FILE")},
         QStringLiteral("config, \"reload\", then every table present in FILE"), Restore, true, {kChangedOnly}},
        {QStringLiteral("diff"), {QStringLiteral("FILE")},
         QStringLiteral("list where the controller (or FILE2) differs from the backup FILE"), Diff, false, {},
         {QStringLiteral("FILE2")}},
        {QStringLiteral("verify"), {QStringLiteral("FILE")}, QStringLiteral("the same as diff FILE"), Diff},
    };
    return commands;
}

const TCliCommand *Find(const QString &name)
{
    for (const TCliCommand &command : All()) {
        if (command.name == name)
            return &command;
    }
    return nullptr;
}

} // namespace CliCommands
