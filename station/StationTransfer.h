// A station written to the controller: the configuration image, "reload",
// then every changed calibration table; each, when checked, read back and
// compared right after it is written, the configuration before "reload".
// The commands and whole blocks written stay those of an unchecked write;
// the read-backs come after them.
//
// A write of only what changed reads the controller's bytes first
// (ReadStation()) and sends, of the chunks the whole write would send, only
// those that differ; each run of them is read back when checked.
#pragma once

#include "StationComparison.h"
#include "StationImage.h"
#include "config/ConfigTransfer.h"
#include "terminal/ExchangeScript.h"

#include <QByteArray>
#include <QList>

#include <memory>
#include <optional>

class TExchangeLine;
class TTankTables;

// How a write is checked: its bytes read back and compared, a difference
// reported with these names of the two sides ("в окне", "в контроллере");
// or, empty, not at all.
using TWriteCheck = std::optional<TStationDifference::TSides>;

// Writes Image into "config", reads it back when checked, then runs
// "reload", Reloaded given the controller's answer lines. A difference
// fails with TError naming it (Verification::ExpectConfig), before
// "reload".
TExchangeScript WriteConfigImageScript(const QByteArray &Image, const TWriteCheck &Check,
                                       const TReloadAnswer &Reloaded = {});

// Writes every Modified table in slot order (WriteBackScript), each block
// read back when checked before its mark is cleared. The first failure, a
// difference included, fails with TError and leaves that table and every
// later one marked.
TExchangeScript WriteTablesScript(TTankTables &Tables, const TWriteCheck &Check);

// WriteConfigImageScript(), then WriteTablesScript(). A failed
// configuration leaves every table marked.
TExchangeScript WriteStationScript(const QByteArray &ConfigImage, TTankTables &Tables, const TWriteCheck &Check,
                                   const TReloadAnswer &Reloaded = {});

// What the controller holds of what Ours covers, read as one operation on
// Line: all of "config" (its first ConfigImage::Size bytes, or fewer when it
// sent fewer) when Ours has a configuration, and the block of each of Ours'
// tanks as it came, short or empty where the controller sent less. Throws
// TError, "Терминал занят" while another operation holds Line.
TStationImage ReadStation(TExchangeLine &Line, const TStationImage &Ours);

// A write of Ours that sends only the chunks in which Held, what the
// controller holds (ReadStation()), differs; what Held lacks differs.
class TChangedWrite
{
public:
    TChangedWrite(const TStationImage &Ours, const TStationImage &Held);

    // Writes the configuration's chunks, reads their runs back and compares
    // when checked, then runs "reload" (Reloaded given its answer) also when
    // no chunk of it differed: the file alone does not tell whether the
    // controller has taken it up. Then each table the same way. A
    // difference fails with TError naming it (Verification), in the
    // configuration before "reload"; so does a read-back shorter than its
    // run.
    TExchangeScript Script(const TWriteCheck &Check, const TReloadAnswer &Reloaded = {}) const;

private:
    // Consecutive chunks that differ: Length bytes from Start of a part.
    struct TRun
    {
        qsizetype Start = 0;
        qsizetype Length = 0;
    };
    // A file's bytes, from Offset on, and their runs.
    struct TPart
    {
        QByteArray File;
        qint32 Offset = 0;
        int TankNo = 0; // 0 for "config"
        QByteArray Bytes;
        QList<TRun> Runs;
    };

    static TPart Part(const QByteArray &File, qint32 Offset, int TankNo, const QByteArray &Ours,
                      const QByteArray &Held);
    // The part's runs written, then, when checked, read back into Held: the
    // part's bytes with each run as the controller now holds it. Outside
    // the runs the controller held the part's bytes already.
    static TExchangeScript Write(const TPart &Part, const std::shared_ptr<QByteArray> &Held);

    std::optional<TPart> m_config;
    QList<TPart> m_tables;
};

// The write of only what changed on Line: ReadStation(), then
// TChangedWrite::Script() in an operation of its own. Throws TError.
void WriteChangedOnly(TExchangeLine &Line, const TStationImage &Ours, const TWriteCheck &Check,
                      const TReloadAnswer &Reloaded = {});
