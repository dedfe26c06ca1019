#include "Commands.h"

#include "Backup.h"
#include "CommandLine.h"
#include "ConfigJson.h"
#include "InputChecks.h"
#include "InputError.h"
#include "Progress.h"
#include "StdStreams.h"
#include "Verification.h"
#include "calibration/TankTableTransfer.h"
#include "common/Cp1251.h"
#include "common/Error.h"
#include "config/ConfigImage.h"
#include "config/ConfigTransfer.h"
#include "terminal/RemoteFile.h"
#include "terminal/TerminalCommand.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QSaveFile>

#include <functional>

namespace {

constexpr qint64 kMaxOffset = INT32_MAX;

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

int ChunksOf(const TTankTables &tables)
{
    int chunks = 0;
    for (int i = 0; i < TTankTables::Count; ++i) {
        if (tables[i].Modified)
            chunks += TProgress::ChunksFor(TankTableFile::BlockSize);
    }
    return chunks;
}

QString NativePath(const QString &path)
{
    return QDir::toNativeSeparators(path);
}

// The whole "config" as the controller sends it, refused when shorter than
// the configuration; its first ConfigImage::Size bytes.
QByteArray ReadConfigImage(TTerminal &terminal)
{
    QByteArray image;
    ReadRemoteFile(terminal, ConfigFile::Name, 0, 0, image);
    TTerminalConfig decoded;
    ConfigImage::Decode(image, decoded);
    return image.left(ConfigImage::Size);
}

// Writes "config", reads it back when asked to, then runs "reload".
void WriteConfigImage(TTerminal &terminal, const QByteArray &image, bool verify)
{
    WriteRemoteFile(terminal, ConfigFile::Name, 0, image);
    if (verify)
        Verification::ReadBack(terminal, ConfigFile::Name, 0, image);
    ReloadConfig(terminal);
}

// A table read whole: a short answer is refused.
void FetchWholeTable(TTerminal &terminal, TankTable &table)
{
    const qsizetype received = FetchTankTable(terminal, table);
    if (received < TankTableFile::BlockSize)
        throw TError(QStringLiteral("Таблица резервуара %1 повреждена: получено %2 байт из %3")
                         .arg(table.TankNo)
                         .arg(received)
                         .arg(TankTableFile::BlockSize));
}

// Writes the marked tables, each read back after writing when asked to.
void WriteTables(TTerminal &terminal, TTankTables &tables, bool verify)
{
    std::function<void(const TankTable &)> readBack;
    if (verify) {
        readBack = [&terminal](const TankTable &table) {
            Verification::ReadBack(terminal, TankTableFile::Name, TankTableFile::BlockOffset(table.TankNo),
                                   TankTableFile::BlockBytes(table));
        };
    }
    WriteBackTankTables(terminal, tables, readBack);
}

void LoadBackup(const QString &path, QByteArray &configImage, TTankTables &tables)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw TInputError(QStringLiteral("FILE: %1: %2").arg(NativePath(path), file.errorString()));
    Backup::FromJson(InputChecks::ParseJsonObject(file.readAll(), NativePath(path)), configImage, tables);
}

void Exec(TTerminal &terminal, const TInvocation &invocation)
{
    const QByteArray text = CommandLineText(invocation.arguments.at(0), QStringLiteral("TEXT"));
    TTerminalCommand command(terminal);
    command.Execute(text);
    QByteArray answer;
    for (const QByteArray &line : command.Lines())
        answer += Cp1251::toUnicode(line).toUtf8() + '\n';
    StdStreams::WriteOutput(answer);
}

void ReadFile(TTerminal &terminal, const TInvocation &invocation)
{
    const QStringList &arguments = invocation.arguments;
    const QByteArray name = RemoteFileName(arguments.at(0));
    const qint32 offset = Offset(arguments.at(1));
    const qint32 length = qint32(InputChecks::ParseInteger(arguments.at(2), 0, INT32_MAX, QStringLiteral("LENGTH")));
    QByteArray bytes;
    ReadRemoteFile(terminal, name, offset, length, bytes);
    StdStreams::WriteOutput(bytes);
}

void WriteFile(TTerminal &terminal, const TInvocation &invocation)
{
    const QByteArray name = RemoteFileName(invocation.arguments.at(0));
    const qint32 offset = Offset(invocation.arguments.at(1));
    const QByteArray bytes = StdStreams::ReadInput();
    if (offset + qint64(bytes.size()) > kMaxOffset)
        throw TInputError(QStringLiteral("standard input: %1 bytes from offset %2 go beyond %3")
                              .arg(bytes.size()).arg(offset).arg(kMaxOffset));
    TProgress progress(terminal, TProgress::ChunksFor(bytes.size()));
    WriteRemoteFile(terminal, name, offset, bytes);
}

void ReadConfigCommand(TTerminal &terminal, const TInvocation &)
{
    TTerminalConfig config;
    ReadConfig(terminal, config);
    StdStreams::WriteOutput(JsonText(ConfigJson::ToJson(config)));
}

void WriteConfigCommand(TTerminal &terminal, const TInvocation &invocation)
{
    const QJsonObject object = InputChecks::ParseJsonObject(StdStreams::ReadInput(), QStringLiteral("standard input"));
    const QByteArray image = ConfigJson::ImageFromJson(object);
    TProgress progress(terminal, TProgress::ChunksFor(image.size()));
    WriteConfigImage(terminal, image, invocation.verify);
}

void ReadTable(TTerminal &terminal, const TInvocation &invocation)
{
    TankTable table;
    table.TankNo = InputChecks::TankNumber(invocation.arguments.at(0));
    FetchWholeTable(terminal, table);
    QByteArray text;
    for (const qint32 volume : table.Volumes)
        text += QByteArray::number(volume) + '\n';
    StdStreams::WriteOutput(text);
}

void WriteTable(TTerminal &terminal, const TInvocation &invocation)
{
    TTankTables tables;
    TankTable *slot = tables.ForTank(InputChecks::TankNumber(invocation.arguments.at(0)));
    slot->Volumes = InputChecks::ParseTableText(StdStreams::ReadInput());
    slot->Loaded = true;
    slot->Modified = true;
    TProgress progress(terminal, ChunksOf(tables));
    WriteTables(terminal, tables, invocation.verify);
}

void BackupCommand(TTerminal &terminal, const TInvocation &invocation)
{
    const QString path = invocation.arguments.at(0);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        throw TInputError(QStringLiteral("FILE: %1: %2").arg(NativePath(path), file.errorString()));

    const QByteArray configImage = ReadConfigImage(terminal);
    TTankTables tables;
    for (int tankNo = Backup::FirstTank; tankNo <= Backup::LastTank; ++tankNo)
        FetchWholeTable(terminal, *tables.ForTank(tankNo));

    const QByteArray text = JsonText(Backup::ToJson(configImage, tables));
    if (file.write(text) != text.size() || !file.commit())
        throw TError(QStringLiteral("%1: %2").arg(NativePath(path), file.errorString()));
}

void Restore(TTerminal &terminal, const TInvocation &invocation)
{
    QByteArray configImage;
    TTankTables tables;
    LoadBackup(invocation.arguments.at(0), configImage, tables);

    TProgress progress(terminal, TProgress::ChunksFor(configImage.size()) + ChunksOf(tables));
    WriteConfigImage(terminal, configImage, invocation.verify);
    WriteTables(terminal, tables, invocation.verify);
}

// Lists every range in which the controller differs from the backup; fails
// when there is one.
void VerifyCommand(TTerminal &terminal, const TInvocation &invocation)
{
    const QString path = invocation.arguments.at(0);
    QByteArray configImage;
    TTankTables tables;
    LoadBackup(path, configImage, tables);

    QByteArray held;
    ReadRemoteFile(terminal, ConfigFile::Name, 0, 0, held);
    QList<TDifference> differences = Verification::Compare(ConfigFile::Name, 0, configImage, held);
    for (const TankTable &table : tables) {
        if (!table.Modified)
            continue;
        const qint32 offset = TankTableFile::BlockOffset(table.TankNo);
        ReadRemoteFile(terminal, TankTableFile::Name, offset, TankTableFile::BlockSize, held);
        differences += Verification::Compare(TankTableFile::Name, offset, TankTableFile::BlockBytes(table), held);
    }

    QByteArray listing;
    qint64 bytes = 0;
    for (const TDifference &difference : differences) {
        listing += ((difference.missing ? QStringLiteral("missing: ") : QStringLiteral("differs: "))
                    + difference.range.Describe() + u'\n').toUtf8();
        bytes += difference.range.last - difference.range.first + 1;
    }
    StdStreams::WriteOutput(listing);
    if (bytes > 0)
        throw TError(QStringLiteral("The controller and %1 differ in %2 %3")
                         .arg(NativePath(path)).arg(bytes).arg(bytes == 1 ? "byte" : "bytes"));
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
         QStringLiteral("bytes from standard input to the controller file"), WriteFile},
        {QStringLiteral("read-config"), {}, QStringLiteral("the configuration as JSON on standard output"),
         ReadConfigCommand},
        {QStringLiteral("write-config"), {}, QStringLiteral("JSON from standard input; writes \"config\", then \"reload\""),
         WriteConfigCommand, true},
        {QStringLiteral("read-table"), {QStringLiteral("TANK")},
         QStringLiteral("tank 1..16: its 400 values, one decimal number a line"), ReadTable},
        {QStringLiteral("write-table"), {QStringLiteral("TANK")},
         QStringLiteral("400 decimal values from standard input into its block"), WriteTable, true},
        {QStringLiteral("backup"), {QStringLiteral("FILE")},
         QStringLiteral("config and the tables of tanks 1..6 into one JSON file"), BackupCommand},
        {QStringLiteral("restore"), {QStringLiteral("FILE")},
         QStringLiteral("config, \"reload\", then every table present in FILE"), Restore, true},
        {QStringLiteral("verify"), {QStringLiteral("FILE")},
         QStringLiteral("list where the controller differs from the backup FILE"), VerifyCommand},
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
