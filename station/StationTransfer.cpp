#include "StationTransfer.h"

#include "Verification.h"
#include "calibration/TankTableTransfer.h"
#include "config/ConfigImage.h"
#include "config/ConfigTransfer.h"
#include "terminal/RemoteFile.h"

TExchangePlan WriteConfigImagePlan(bool Checked)
{
    return WriteFilePlan(ConfigImage::Size) + (Checked ? ReadBackPlan() : TExchangePlan{}) + ReloadPlan();
}

QList<QByteArray> WriteConfigImage(TExchange &Exchange, const QByteArray &Image, const TWriteCheck &Check)
{
    WriteRemoteFile(Exchange, ConfigFile::Name, 0, Image);
    if (Check)
        Verification::CheckConfig(Exchange, Image, *Check);
    return ReloadConfig(Exchange);
}

TExchangePlan WriteTablesPlan(const TTankTables &Tables, bool Checked)
{
    TExchangePlan plan = WriteBackPlan(Tables);
    for (int i = 0; Checked && i < TTankTables::Count; ++i) {
        if (Tables[i].Modified)
            plan = plan + ReadBackPlan();
    }
    return plan;
}

void WriteTables(TExchange &Exchange, TTankTables &Tables, const TWriteCheck &Check)
{
    std::function<void(const TankTable &)> readBack;
    if (Check)
        readBack = [&](const TankTable &table) { Verification::CheckTable(Exchange, table, *Check); };
    WriteBackTankTables(Exchange, Tables, readBack);
}

TExchangePlan WriteStationPlan(const TTankTables &Tables, bool Checked)
{
    return WriteConfigImagePlan(Checked) + WriteTablesPlan(Tables, Checked);
}

void WriteStation(TExchange &Exchange, const QByteArray &ConfigImage, TTankTables &Tables, const TWriteCheck &Check,
                  const std::function<void(const QList<QByteArray> &)> &Reloaded)
{
    const QList<QByteArray> answer = WriteConfigImage(Exchange, ConfigImage, Check);
    if (Reloaded)
        Reloaded(answer);
    WriteTables(Exchange, Tables, Check);
}
