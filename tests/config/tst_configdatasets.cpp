#include "ConfigMembers.h"
#include "config/ConfigDataSet.h"
#include "config/ConfigDataSets.h"
#include "config/DataSetField.h"
#include "config/NozzleFilter.h"
#include "config/PickList.h"
#include "config/TerminalConfig.h"

#include <QTest>
#include <functional>

using Setter = std::function<void(TTerminalConfig &)>;
Q_DECLARE_METATYPE(Setter)

class TestConfigDataSets : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void fillMakesNumberedRows();
    void storeReadsBackWhatFillWrote();
    void storeUsesRowNumbersAndLowBits();
    void everyRecordNumberHasOneColumn_data();
    void everyRecordNumberHasOneColumn();
    void emptiedCellIsStoredAsZero();
    void cellRoles();
    void titles();
    void nozzleFilterShowsOneDispenser();
    void levelGaugeListOrder();

private:
    TTerminalConfig Sample() const;

    std::unique_ptr<TConfigDataSet> tanks;
    std::unique_ptr<TConfigDataSet> pumps;
    std::unique_ptr<TConfigDataSet> nozzles;
};

void TestConfigDataSets::init()
{
    tanks = std::make_unique<TConfigDataSet>(ConfigDataSets::TankFields());
    pumps = std::make_unique<TConfigDataSet>(ConfigDataSets::PumpFields());
    nozzles = std::make_unique<TConfigDataSet>(ConfigDataSets::NozzleFields());
}

TTerminalConfig TestConfigDataSets::Sample() const
{
    TTerminalConfig config;
    for (int i = 0; i < TTerminalConfig::TankCount; ++i)
        config.tanks[i] = {quint8(i % 2), quint16(60000 + i), quint8(i), quint8(1 + i % 4),
                           quint8(10 + i), qint16(-5 * i), qint16(-1 - i), qint16(3000 + i)};
    for (int j = 0; j < TTerminalConfig::PumpCount; ++j) {
        config.pumps[j] = {1, quint8(j % 2), quint8(4 - j), quint8(20 + j), {}};
        for (int k = 0; k < TPumpConfig::NozzleCount; ++k)
            config.pumps[j].nozzles[k] = {quint8((j + k) % 2), quint8(1 + (j * 4 + k) % 6)};
    }
    return config;
}

void TestConfigDataSets::fillMakesNumberedRows()
{
    ConfigDataSets::Fill(Sample(), *tanks, *pumps, *nozzles);
    QCOMPARE(tanks->rowCount(), 6);
    QCOMPARE(pumps->rowCount(), 4);
    QCOMPARE(nozzles->rowCount(), 16);
    for (int row = 0; row < 6; ++row)
        QCOMPARE(tanks->Value(row, TankColumn::No), row + 1);
    for (int row = 0; row < 16; ++row) {
        QCOMPARE(nozzles->Value(row, NozzleColumn::PumpNo), row / 4 + 1);
        QCOMPARE(nozzles->Value(row, NozzleColumn::NozzNo), row % 4 + 1);
    }
    QCOMPARE(tanks->Value(5, TankColumn::FuelCode), 60005); // unsigned
    QCOMPARE(tanks->Value(5, TankColumn::Hmin), -6);        // signed
}

void TestConfigDataSets::storeReadsBackWhatFillWrote()
{
    const TTerminalConfig sample = Sample();
    ConfigDataSets::Fill(sample, *tanks, *pumps, *nozzles);
    TTerminalConfig stored;
    ConfigDataSets::Store(*tanks, *pumps, *nozzles, stored);
    QVERIFY(stored.tanks == sample.tanks);
    QVERIFY(stored.pumps == sample.pumps);
}

void TestConfigDataSets::storeUsesRowNumbersAndLowBits()
{
    const int tankRow = tanks->Append();
    tanks->SetValue(tankRow, TankColumn::No, 4);
    tanks->SetValue(tankRow, TankColumn::FuelCode, 70000);
    tanks->SetValue(tankRow, TankColumn::Hmax, 40000);
    tanks->SetValue(tankRow, TankColumn::AdapterAdr, 257);
    const int nozzleRow = nozzles->Append();
    nozzles->SetValue(nozzleRow, NozzleColumn::PumpNo, 2);
    nozzles->SetValue(nozzleRow, NozzleColumn::NozzNo, 3);
    nozzles->SetValue(nozzleRow, NozzleColumn::TankNo, 5);

    TTerminalConfig stored;
    ConfigDataSets::Store(*tanks, *pumps, *nozzles, stored);
    QCOMPARE(stored.tanks[3].fuel_code, quint16(4464));
    QCOMPARE(stored.tanks[3].hmax, qint16(40000 - 65536));
    QCOMPARE(stored.tanks[3].adapter_adr, quint8(1));
    QCOMPARE(stored.pumps[1].nozzles[2].tank_no, quint8(5));
    QCOMPARE(stored.tanks[0], TTankConfig());
}

// Every integer member of a tank, dispenser or nozzle, as the schema lists
// them, is shown by exactly one column of its row and stored from it.
void TestConfigDataSets::everyRecordNumberHasOneColumn_data()
{
    QTest::addColumn<Setter>("set");
    QTest::addColumn<QByteArray>("dataSet");
    QTest::addColumn<int>("row");
    QTest::addColumn<qint32>("value");

    ForEachConfigMember([](const auto &m) {
        using Member = decltype(m.member);
        if constexpr (ConfigSchema::IsNumber<Member>) {
            const QStringList &path = m.jsonPath;
            if (path.size() == 1)
                return; // no record of a grid
            QByteArray dataSet = "dsTank";
            int row = path.at(1).toInt();
            if (path.size() == 3 && path.first() == "pumps") {
                dataSet = "dsPump";
            } else if (path.size() == 5) {
                dataSet = "dsNozz";
                row = row * TPumpConfig::NozzleCount + path.at(3).toInt();
            }
            using T = typename Member::Type;
            const T value = T(0xA5C3); // distinct bytes, negative when signed
            QTest::newRow(qPrintable(m.path))
                << Setter([reach = m.reach, value](TTerminalConfig &c) { reach(c) = value; }) << dataSet << row
                << qint32(value);
        }
    });
}

void TestConfigDataSets::everyRecordNumberHasOneColumn()
{
    QFETCH(Setter, set);
    QFETCH(QByteArray, dataSet);
    QFETCH(int, row);
    QFETCH(qint32, value);

    TTerminalConfig config;
    set(config);
    ConfigDataSets::Fill(config, *tanks, *pumps, *nozzles);
    const TConfigDataSet *shown = dataSet == "dsTank" ? tanks.get() : dataSet == "dsPump" ? pumps.get() : nozzles.get();
    const QList<int> slotNumbers = dataSet == "dsTank"   ? QList<int>{TankColumn::No}
                                   : dataSet == "dsPump" ? QList<int>{PumpColumn::No}
                                                         : QList<int>{NozzleColumn::PumpNo, NozzleColumn::NozzNo};
    QList<int> showing;
    for (int column = 0; column < shown->columnCount(); ++column) {
        if (!slotNumbers.contains(column) && shown->Value(row, column) != 0)
            showing << column;
    }
    QCOMPARE(showing.size(), 1);
    QCOMPARE(shown->Value(row, showing.first()), value);

    TTerminalConfig stored;
    ConfigDataSets::Store(*tanks, *pumps, *nozzles, stored);
    QVERIFY(stored == config);
}

void TestConfigDataSets::emptiedCellIsStoredAsZero()
{
    ConfigDataSets::Fill(Sample(), *tanks, *pumps, *nozzles);
    const QModelIndex hmin = tanks->index(2, TankColumn::Hmin);
    QVERIFY(tanks->setData(hmin, QString()));
    QVERIFY(tanks->data(hmin).isNull());
    TTerminalConfig stored = Sample();
    ConfigDataSets::Store(*tanks, *pumps, *nozzles, stored);
    QCOMPARE(stored.tanks[2].hmin, qint16(0));
}

void TestConfigDataSets::cellRoles()
{
    ConfigDataSets::Fill(Sample(), *tanks, *pumps, *nozzles);
    const QModelIndex active = tanks->index(0, TankColumn::Active);
    const QModelIndex no = tanks->index(0, TankColumn::No);
    const QModelIndex type = tanks->index(0, TankColumn::AdapterType);
    const QModelIndex table = tanks->index(0, TankColumn::Table);

    QCOMPARE(active.data(Qt::CheckStateRole).value<Qt::CheckState>(), Qt::Unchecked);
    QVERIFY(tanks->setData(active, Qt::Checked, Qt::CheckStateRole));
    QCOMPARE(tanks->Value(0, TankColumn::Active), 1);
    QVERIFY(tanks->flags(active) & Qt::ItemIsUserCheckable);

    QVERIFY(!(tanks->flags(no) & Qt::ItemIsEditable));
    QVERIFY(!tanks->setData(no, 9));
    QCOMPARE(tanks->Value(0, TankColumn::No), 1);

    QVERIFY(tanks->setData(type, 6));
    QCOMPARE(type.data(Qt::DisplayRole).toString(), QStringLiteral("Сенсор (Modbus)"));
    QCOMPARE(type.data(Qt::EditRole).toInt(), 6);
    QVERIFY(tanks->setData(type, 9));
    QCOMPARE(type.data(Qt::DisplayRole).toString(), QStringLiteral("9"));

    QCOMPARE(table.data().toString(), QStringLiteral("<таблица>"));
    QVERIFY(!(tanks->flags(table) & Qt::ItemIsEditable));
}

void TestConfigDataSets::titles()
{
    QStringList tankTitles;
    for (int c = 0; c < tanks->columnCount(); ++c)
        tankTitles << tanks->headerData(c, Qt::Horizontal).toString();
    QCOMPARE(tankTitles, QStringList({" ", "#", "Код топлива", "Hmin", "Hmax", "Уровнемер|Тип",
                                      "Уровнемер|Порт", "Уровнемер|Адрес", "Уровнемер|H0",
                                      "Град. табл."}));
    QCOMPARE(pumps->headerData(2, Qt::Horizontal).toString(), QStringLiteral("Контроллер|Тип"));
    QCOMPARE(nozzles->headerData(3, Qt::Horizontal).toString(), QStringLiteral("Резервуар"));
}

void TestConfigDataSets::nozzleFilterShowsOneDispenser()
{
    ConfigDataSets::Fill(Sample(), *tanks, *pumps, *nozzles);
    TNozzleFilter filter;
    filter.setSourceModel(nozzles.get());
    QCOMPARE(filter.rowCount(), 0);
    filter.SetPumpNo(3);
    QCOMPARE(filter.rowCount(), 4);
    for (int row = 0; row < 4; ++row) {
        QCOMPARE(filter.index(row, NozzleColumn::PumpNo).data().toInt(), 3);
        QCOMPARE(filter.index(row, NozzleColumn::NozzNo).data().toInt(), row + 1);
    }
    // An edit through the filter reaches the dispenser's row.
    QVERIFY(filter.setData(filter.index(1, NozzleColumn::TankNo), 6));
    QCOMPARE(nozzles->Value(9, NozzleColumn::TankNo), 6);
}

void TestConfigDataSets::levelGaugeListOrder()
{
    QList<int> keys;
    for (const TPickList::Entry &entry : TPickList::LevelGaugeTypes().Entries())
        keys << entry.key;
    QCOMPARE(keys, QList<int>({0, 1, 2, 3, 6, 4, 5}));
    QCOMPARE(TPickList::Ports().Text(2), QStringLiteral("RS485-1"));
    QCOMPARE(TPickList::PumpControllerTypes().Text(1), QStringLiteral("Slavutich"));
}

QTEST_GUILESS_MAIN(TestConfigDataSets)
#include "tst_configdatasets.moc"
