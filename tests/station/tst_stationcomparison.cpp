// The one comparison of two stations, in the words of the pages: every kind
// of member (numbers signed and unsigned, texts, pick lists with a code no
// list knows, checkboxes; top-level and in tank, dispenser and nozzle
// slots), the bytes no page shows, tanks' tables (one entry, a run, two
// runs, many runs, a short read), and whole stations: the configuration,
// then the tables either side holds.
#include "ConfigMembers.h"
#include "common/Error.h"
#include "config/ConfigImage.h"
#include "config/TerminalConfig.h"
#include "station/StationComparison.h"
#include "station/StationImage.h"

#include <QSet>
#include <QtEndian>
#include <QTest>

#include <functional>

using Change = std::function<void(TTerminalConfig &, QByteArray &)>;
Q_DECLARE_METATYPE(Change)

namespace {

// A station as one reads it: every kind of member holds a value that its
// page shows by name.
TTerminalConfig Station()
{
    TTerminalConfig config;
    config.apn = QByteArray("internet.mts.ru");
    config.server_name = QByteArray("azs.example.ru");
    config.server_port = 80;
    config.server_dir = QByteArray("/exchange");
    config.oper_psw = QByteArray("1111");
    config.admin_psw = QByteArray("9024");
    config.admin_tel = QByteArray("+79001234567");
    config.sync_time = 300;
    for (int i = 0; i < TTerminalConfig::TankCount; ++i) {
        TTankConfig &tank = config.tanks[i];
        tank.active = 1;
        tank.fuel_code = quint16(92 + i);
        tank.adapter_type = 6;
        tank.adapter_comport_no = 2;
        tank.adapter_adr = quint8(i + 1);
        tank.adapter_h0 = -15;
        tank.hmin = 100;
        tank.hmax = 2500;
    }
    for (int j = 0; j < TTerminalConfig::PumpCount; ++j) {
        TPumpConfig &pump = config.pumps[j];
        pump.active = 1;
        pump.adapter_type = 1;
        pump.adapter_comport_no = 3;
        pump.adapter_adr = quint8(j + 1);
        for (int k = 0; k < TPumpConfig::NozzleCount; ++k)
            pump.nozzles[k] = {1, quint8(k + 1)};
    }
    config.card_sector = 3;
    config.card_psw = QByteArray("A1B2C3D4E5F6");
    return config;
}

QByteArray Block(const QList<qint32> &volumes)
{
    QByteArray block(4 * volumes.size(), '\0');
    for (qsizetype k = 0; k < volumes.size(); ++k)
        qToLittleEndian(volumes[k], block.data() + 4 * k);
    return block;
}

// A rising table: 100 at every step of height.
QList<qint32> Rising()
{
    QList<qint32> volumes;
    for (int k = 0; k < 400; ++k)
        volumes << 100 * k;
    return volumes;
}

} // namespace

class TestStationComparison : public QObject
{
    Q_OBJECT

private slots:
    void configuration_data();
    void configuration();
    void everyMemberNamedOnItsOwn();
    void writeCheckForm();
    void shortImageIsRefused();
    void table_data();
    void table();
    void station_data();
    void station();
};

void TestStationComparison::configuration_data()
{
    QTest::addColumn<Change>("change"); // of the controller's side: its members, then its image
    QTest::addColumn<QStringList>("lines");

    const auto row = [](const char *name, Change change, const QStringList &lines) {
        QTest::newRow(name) << change << lines;
    };
    const auto member = [](std::function<void(TTerminalConfig &)> set) -> Change {
        return [set](TTerminalConfig &config, QByteArray &) { set(config); };
    };
    row("the same", member([](TTerminalConfig &) {}), {});
    row("unsigned 16 bits at its top", member([](TTerminalConfig &c) { c.server_port = 65535; }),
        {"Http · Порт: 80 → 65535"});
    row("unsigned 16 bits in a tank", member([](TTerminalConfig &c) { c.tanks[5].fuel_code = 65535; }),
        {"Резервуары · резервуар 6 · Код топлива: 97 → 65535"});
    row("signed, below zero", member([](TTerminalConfig &c) { c.tanks[1].hmax = -1; }),
        {"Резервуары · резервуар 2 · Hmax: 2500 → -1"});
    row("signed, two-level title", member([](TTerminalConfig &c) { c.tanks[3].adapter_h0 = -32768; }),
        {"Резервуары · резервуар 4 · Уровнемер · H0: -15 → -32768"});
    row("a byte", member([](TTerminalConfig &c) { c.card_sector = 255; }), {"Карты · Сектор: 3 → 255"});
    row("a text emptied", member([](TTerminalConfig &c) { c.apn = QByteArray(); }),
        {"GPRS · APN: «internet.mts.ru» → «»"});
    row("a Cyrillic text in a group", member([](TTerminalConfig &c) { c.admin_psw = QByteArray("\xCF\xE0\xF0", 3); }),
        {"Администрирование · Администратор · Пароль: «9024» → «Пар»"});
    row("a text filling its field", member([](TTerminalConfig &c) { c.card_psw = QByteArray("ABCDEFGHIJKL"); }),
        {"Карты · Пароль: «A1B2C3D4E5F6» → «ABCDEFGHIJKL»"});
    row("a pick list's names", member([](TTerminalConfig &c) { c.tanks[0].adapter_type = 4; }),
        {"Резервуары · резервуар 1 · Уровнемер · Тип: Сенсор (Modbus) → PetroVend"});
    row("a code no list knows", member([](TTerminalConfig &c) { c.tanks[2].adapter_comport_no = 9; }),
        {"Резервуары · резервуар 3 · Уровнемер · Порт: RS485-1 → 9"});
    row("a dispenser's pick list", member([](TTerminalConfig &c) { c.pumps[0].adapter_type = 0; }),
        {"ТРК 1 · Контроллер · Тип: Slavutich → -"});
    row("a dispenser's checkbox", member([](TTerminalConfig &c) { c.pumps[1].active = 0; }),
        {"ТРК 2 · Активен: да → нет"});
    row("a nozzle's checkbox", member([](TTerminalConfig &c) { c.pumps[2].nozzles[1].active = 0; }),
        {"ТРК 3 · пистолет 2 · Активен: да → нет"});
    row("a checkbox holding neither 0 nor 1", member([](TTerminalConfig &c) { c.tanks[4].active = 2; }),
        {"Резервуары · резервуар 5 · Активен: да → 2"});
    row("a nozzle's tank", member([](TTerminalConfig &c) { c.pumps[3].nozzles[3].tank_no = 6; }),
        {"ТРК 4 · пистолет 4 · Резервуар: 4 → 6"});
    row("listed by page, then in image order", member([](TTerminalConfig &c) {
            c.card_psw = QByteArray("X");
            c.pumps[0].adapter_adr = 9;
            c.apn = QByteArray("a");
            c.tanks[0].hmin = 0;
            c.oper_psw = QByteArray("2");
            c.server_port = 8080;
            c.admin_tel = QByteArray();
        }),
        {"Администрирование · Оператор · Пароль: «1111» → «2»",
         "Администрирование · Администратор · Телефон: «+79001234567» → «»",
         "GPRS · APN: «internet.mts.ru» → «a»", "Http · Порт: 80 → 8080",
         "Резервуары · резервуар 1 · Hmin: 100 → 0", "ТРК 1 · Контроллер · Адрес: 1 → 9", "Карты · Пароль: «A1B2C3D4E5F6» → «X»"});
    row("gap bytes", [](TTerminalConfig &, QByteArray &image) {
            image[180] = 1;
            image[255] = 2;
            image[415] = 3;
        },
        {"прочие байты конфигурации: 3"});
    row("a byte after a text's end", [](TTerminalConfig &, QByteArray &image) { image[52] = 'x'; },
        {"прочие байты конфигурации: 1"});
    row("a member and gap bytes", [](TTerminalConfig &config, QByteArray &image) {
            config.tanks[1].hmax = 2000;
            image[268] = 7;
            image[300] = 7;
        },
        {"Резервуары · резервуар 2 · Hmax: 2500 → 2000", "прочие байты конфигурации: 2"});
}

// The controller's side differs from the window's as the row changes it.
void TestStationComparison::configuration()
{
    QFETCH(Change, change);
    QFETCH(QStringList, lines);

    const TTerminalConfig station = Station();
    TTerminalConfig changed = station;
    QByteArray gaps(ConfigImage::Size, '\0');
    change(changed, gaps);
    QByteArray theirs = ConfigImage::Encode(changed);
    for (qsizetype i = 0; i < theirs.size(); ++i)
        theirs[i] = char(theirs[i] | gaps[i]);

    const QList<TStationDifference> differences = StationComparison::CompareConfig(ConfigImage::Encode(station), theirs);
    QCOMPARE(StationComparison::Lines(differences, std::nullopt), lines);
}

// Each member changed alone is one line of its own, named like no other.
void TestStationComparison::everyMemberNamedOnItsOwn()
{
    const TTerminalConfig station = Station();
    const QByteArray ours = ConfigImage::Encode(station);
    QSet<QString> places;
    int members = 0;
    ForEachConfigMember([&](const auto &m) {
        ++members;
        TTerminalConfig changed = station;
        auto &value = m.reach(changed);
        using Value = std::remove_cvref_t<decltype(value)>;
        if constexpr (std::is_integral_v<Value>)
            value = Value(value + 1);
        else if (value.Bytes().size() < Value::capacity)
            value = Value(value.Bytes() + "z");
        else
            value = Value(value.Bytes().chopped(1) + "z");
        const QStringList lines =
            StationComparison::Lines(StationComparison::CompareConfig(ours, ConfigImage::Encode(changed)), std::nullopt);
        QVERIFY2(lines.size() == 1, qPrintable(m.path + ": " + lines.join(" | ")));
        const QString place = lines.first().section(QStringLiteral(": "), 0, 0);
        QVERIFY2(!place.startsWith(QStringLiteral("прочие")), qPrintable(m.path));
        QVERIFY2(!places.contains(place), qPrintable(m.path + " named like another: " + place));
        places.insert(place);
    });
    QCOMPARE(members, 12 + 6 * 8 + 4 * (4 + 4 * 2));
}

void TestStationComparison::writeCheckForm()
{
    TTerminalConfig changed = Station();
    changed.tanks[1].hmax = 2000;
    changed.pumps[2].nozzles[1].active = 0;
    const QList<TStationDifference> differences =
        StationComparison::CompareConfig(ConfigImage::Encode(Station()), ConfigImage::Encode(changed));
    const TStationDifference::TSides sides{QStringLiteral("в окне"), QStringLiteral("в контроллере")};
    QCOMPARE(StationComparison::Lines(differences, sides),
             (QStringList{"Резервуары · резервуар 2 · Hmax: в окне 2500, в контроллере 2000",
                          "ТРК 3 · пистолет 2 · Активен: в окне да, в контроллере нет"}));

    QList<qint32> volumes = Rising();
    volumes[1] = 7;
    const auto table = StationComparison::CompareTable(2, Block(Rising()), Block(volumes));
    QVERIFY(table);
    QCOMPARE(table->Text(sides), QStringLiteral("Резервуар 2: высота 10 (в окне 100, в контроллере 7)"));
}

void TestStationComparison::shortImageIsRefused()
{
    const QByteArray image = ConfigImage::Encode(Station());
    try {
        StationComparison::CompareConfig(image, image.left(214));
        QFAIL("a short image was compared");
    } catch (const TError &error) {
        QCOMPARE(error.Message(), QStringLiteral("Конфигурация повреждена: получено 214 байт из 429"));
    }
}

void TestStationComparison::table_data()
{
    QTest::addColumn<QByteArray>("theirs"); // against Rising()
    QTest::addColumn<QString>("line");      // empty: no difference

    const QByteArray rising = Block(Rising());
    const auto changed = [](std::function<void(QList<qint32> &)> change) {
        QList<qint32> volumes = Rising();
        change(volumes);
        return Block(volumes);
    };
    QTest::newRow("the same") << rising << QString();
    QTest::newRow("one entry") << changed([](QList<qint32> &v) { v[5] = 505; })
                               << "Резервуар 2: высота 50 (500 → 505)";
    QTest::newRow("the last entry") << changed([](QList<qint32> &v) { v[399] = -1; })
                                    << "Резервуар 2: высота 3990 (39900 → -1)";
    QTest::newRow("a run") << changed([](QList<qint32> &v) { for (int k = 0; k <= 3; ++k) v[k] += 5; })
                           << "Резервуар 2: высоты 0–30 (0 … 300 → 5 … 305)";
    QTest::newRow("two runs") << changed([](QList<qint32> &v) {
        for (int k = 0; k <= 3; ++k)
            v[k] += 5;
        v[10] = 0;
        v[11] = 0;
        v[12] = 0;
    }) << "Резервуар 2: высоты 0–30 (0 … 300 → 5 … 305), 100–120 (1000 … 1200 → 0 … 0)";
    QTest::newRow("six runs, four shown") << changed([](QList<qint32> &v) {
        for (int k = 0; k < 12; k += 2)
            v[k] = -k - 1;
    }) << "Резервуар 2: высоты 0 (0 → -1), 20 (200 → -3), 40 (400 → -5), 60 (600 → -7), и ещё участков: 2";
    QTest::newRow("a short read") << rising.left(800) << "Резервуар 2: высоты 2000–3990 (20000 … 39900 → нет данных)";
    QTest::newRow("a short read ending inside an entry")
        << rising.left(1598) << "Резервуар 2: высота 3990 (39900 → нет данных)";
    QTest::newRow("a short read after a difference")
        << changed([](QList<qint32> &v) { v[198] = 1; v[199] = 2; }).left(800)
        << "Резервуар 2: высоты 1980–1990 (19800 … 19900 → 1 … 2), 2000–3990 (20000 … 39900 → нет данных)";
    QTest::newRow("nothing read") << QByteArray() << "Резервуар 2: высоты 0–3990 (0 … 39900 → нет данных)";
}

void TestStationComparison::table()
{
    QFETCH(QByteArray, theirs);
    QFETCH(QString, line);

    const std::optional<TStationDifference> difference = StationComparison::CompareTable(2, Block(Rising()), theirs);
    QCOMPARE(difference ? difference->Text() : QString(), line);
}

void TestStationComparison::station_data()
{
    QTest::addColumn<bool>("ourConfig");          // else none: a table write's shape
    QTest::addColumn<QList<int>>("ourTanks");     // each holding Rising()
    QTest::addColumn<QList<int>>("theirTanks");   // each holding Rising()
    QTest::addColumn<bool>("theirsChanged");      // tank 2's hmax and its table's entry 5, where they have them
    QTest::addColumn<QStringList>("lines");

    const QString rising = QStringLiteral("0 … 39900");
    QTest::newRow("the same") << true << QList<int>{1, 2} << QList<int>{1} << false
                              << QStringList{"Резервуар 2: высоты 0–3990 (" + rising + " → нет данных)"};
    QTest::newRow("the configuration first, then the tables")
        << true << QList<int>{2} << QList<int>{2} << true
        << QStringList{"Резервуары · резервуар 2 · Hmax: 2500 → 2000", "Резервуар 2: высота 50 (500 → 505)"};
    QTest::newRow("tables in tank order, one side's only")
        << true << QList<int>{5, 3} << QList<int>{4, 3} << false
        << QStringList{"Резервуар 4: высоты 0–3990 (нет данных → " + rising + ")",
                       "Резервуар 5: высоты 0–3990 (" + rising + " → нет данных)"};
    QTest::newRow("tables alone") << false << QList<int>{2} << QList<int>{2} << true
                                  << QStringList{"Резервуар 2: высота 50 (500 → 505)"};
}

// Two stations: the configurations when there are any, then every tank's
// table either side holds, by tank.
void TestStationComparison::station()
{
    QFETCH(bool, ourConfig);
    QFETCH(QList<int>, ourTanks);
    QFETCH(QList<int>, theirTanks);
    QFETCH(bool, theirsChanged);
    QFETCH(QStringList, lines);

    TStationImage ours;
    TStationImage theirs;
    if (ourConfig) {
        TTerminalConfig changed = Station();
        if (theirsChanged)
            changed.tanks[1].hmax = 2000;
        ours.Config = ConfigImage::Encode(Station());
        theirs.Config = ConfigImage::Encode(changed);
    }
    for (const int tankNo : ourTanks)
        ours.Tables.insert(tankNo, Block(Rising()));
    for (const int tankNo : theirTanks) {
        QList<qint32> volumes = Rising();
        if (tankNo == 2 && theirsChanged)
            volumes[5] = 505;
        theirs.Tables.insert(tankNo, Block(volumes));
    }
    QCOMPARE(StationComparison::Lines(StationComparison::CompareStation(ours, theirs), std::nullopt), lines);
}

QTEST_GUILESS_MAIN(TestStationComparison)
#include "tst_stationcomparison.moc"
