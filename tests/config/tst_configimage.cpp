#include "ConfigMembers.h"
#include "common/Error.h"
#include "config/ConfigImage.h"
#include "config/TerminalConfig.h"

#include <QMap>
#include <QTest>
#include <QtEndian>
#include <functional>

using Setter = std::function<void(TTerminalConfig &)>;
Q_DECLARE_METATYPE(Setter)

class TestConfigImage : public QObject
{
    Q_OBJECT

private slots:
    void layout_data();
    void layout();
    void everyMemberHasItsPlace();
    void everyMember_data();
    void everyMember();
    void decodeEncodeIsIdentity();
    void longerAnswerDecodesAsItsFirstBytes();
    void shortAnswerIsRejected();
    void gapBytesAreKept();
    void textWithoutNulStaysInItsField();
    void clearEmptiesFieldsAndKeepsGaps();
    void encodeOverKeepsWhatIsUnchanged_data();
    void encodeOverKeepsWhatIsUnchanged();
};

// Each case stores one value, checks the bytes it yields at an offset and
// that decoding the image gives back the stored value.
void TestConfigImage::layout_data()
{
    QTest::addColumn<Setter>("set");
    QTest::addColumn<int>("offset");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<Setter>("expect"); // the value read back, when not the stored one

    const Setter same;
    QTest::newRow("server port 80")
        << Setter([](TTerminalConfig &c) { c.server_port = 80; }) << 64
        << QByteArray::fromHex("5000") << same;
    QTest::newRow("sync time 0x1234")
        << Setter([](TTerminalConfig &c) { c.sync_time = 0x1234; }) << 146
        << QByteArray::fromHex("3412") << same;
    QTest::newRow("tank 1 hmin -1")
        << Setter([](TTerminalConfig &c) { c.tanks[0].hmin = -1; }) << 264
        << QByteArray::fromHex("ffff") << same;
    QTest::newRow("tank 1 fuel code 65535 at odd offset")
        << Setter([](TTerminalConfig &c) { c.tanks[0].fuel_code = 65535; }) << 257
        << QByteArray::fromHex("ffff") << same;
    QTest::newRow("tank 6 hmax")
        << Setter([](TTerminalConfig &c) { c.tanks[5].hmax = -2; }) << 346
        << QByteArray::fromHex("feff") << same;
    QTest::newRow("tank 3 record")
        << Setter([](TTerminalConfig &c) {
               c.tanks[2] = {1, 0x0201, 6, 2, 7, -300, 10, 3000};
           })
        << 288 << QByteArray::fromHex("01 0102 06 02 07 d4fe 0a00 b80b")
        << same;
    QTest::newRow("dispenser 2 record")
        << Setter([](TTerminalConfig &c) {
               c.pumps[1] = {1, 1, 3, 9, {{{1, 2}, {0, 3}, {1, 4}, {0, 5}}}};
           })
        << 368 << QByteArray::fromHex("01 01 03 09 0102 0003 0104 0005") << same;
    QTest::newRow("nozzle 4 of dispenser 4 tank_no")
        << Setter([](TTerminalConfig &c) { c.pumps[3].nozzles[3].tank_no = 6; }) << 411
        << QByteArray::fromHex("06") << same;
    QTest::newRow("card sector")
        << Setter([](TTerminalConfig &c) { c.card_sector = 200; }) << 416
        << QByteArray::fromHex("c8") << same;
    QTest::newRow("apn of 31 chars ends in NUL")
        << Setter([](TTerminalConfig &c) { c.apn = QByteArray(31, 'a'); }) << 0
        << QByteArray(31, 'a') + '\0' << same;
    QTest::newRow("apn of 40 chars is cut to 31")
        << Setter([](TTerminalConfig &c) { c.apn = QByteArray(40, 'b'); }) << 0
        << QByteArray(31, 'b') + '\0'
        << Setter([](TTerminalConfig &c) { c.apn = QByteArray(31, 'b'); });
    QTest::newRow("server dir of 63 chars")
        << Setter([](TTerminalConfig &c) { c.server_dir = QByteArray(63, 'd'); }) << 66
        << QByteArray(63, 'd') + '\0' << same;
    QTest::newRow("admin phone of 20 chars is cut to 15")
        << Setter([](TTerminalConfig &c) { c.admin_tel = QByteArray("12345678901234567890"); }) << 164
        << QByteArray("123456789012345") + '\0'
        << Setter([](TTerminalConfig &c) { c.admin_tel = QByteArray("123456789012345"); });
    QTest::newRow("cp1251 operator password")
        << Setter([](TTerminalConfig &c) { c.oper_psw = QByteArray("\xcf\xe0\xf0\xee\xeb\xfc"); }) << 148
        << QByteArray("\xcf\xe0\xf0\xee\xeb\xfc\0\0", 8) << same;
    QTest::newRow("card password of 12 chars has no NUL")
        << Setter([](TTerminalConfig &c) { c.card_psw = QByteArray("ABCDEFGHIJKL"); }) << 417
        << QByteArray("ABCDEFGHIJKL") << same;
    QTest::newRow("card password of 14 chars is cut to 12")
        << Setter([](TTerminalConfig &c) { c.card_psw = QByteArray("ABCDEFGHIJKLMN"); }) << 417
        << QByteArray("ABCDEFGHIJKL")
        << Setter([](TTerminalConfig &c) { c.card_psw = QByteArray("ABCDEFGHIJKL"); });
    QTest::newRow("empty server name is 32 NULs")
        << Setter([](TTerminalConfig &c) { c.server_name = QByteArray(); }) << 32
        << QByteArray(32, '\0') << same;
}

// The image of one stored value: the bytes at offset, NUL elsewhere, and
// the value read back (expect, when not the stored one).
static void CheckLayout(const Setter &set, int offset, const QByteArray &bytes, const Setter &expect)
{
    TTerminalConfig config;
    set(config);
    const QByteArray image = ConfigImage::Encode(config);
    QCOMPARE(image.size(), ConfigImage::Size);
    QCOMPARE(image.mid(offset, bytes.size()).toHex(' '), bytes.toHex(' '));
    // No other byte is touched.
    QByteArray rest = image;
    rest.replace(offset, bytes.size(), QByteArray(bytes.size(), '\0'));
    QCOMPARE(rest, QByteArray(ConfigImage::Size, '\0'));

    TTerminalConfig expected;
    (expect ? expect : set)(expected);
    TTerminalConfig decoded;
    ConfigImage::Decode(image, decoded);
    QVERIFY(decoded == expected);
}

void TestConfigImage::layout()
{
    QFETCH(Setter, set);
    QFETCH(int, offset);
    QFETCH(QByteArray, bytes);
    QFETCH(Setter, expect);
    CheckLayout(set, offset, bytes, expect);
}

namespace {

// Where each member stands and how wide it is, written out from the image's
// layout, not taken from the schema under test.
struct TPlace
{
    int offset;
    int width;
    friend bool operator==(const TPlace &, const TPlace &) = default;
};

struct TExpected
{
    const char *name;
    TPlace place; // in its record
};

const TExpected kTopLevel[] = {
    {"apn", {0, 32}},           {"server_name", {32, 32}}, {"server_port", {64, 2}},
    {"server_dir", {66, 64}},   {"server_login", {130, 8}}, {"server_psw", {138, 8}},
    {"sync_time", {146, 2}},    {"oper_psw", {148, 8}},     {"admin_psw", {156, 8}},
    {"admin_tel", {164, 16}},   {"card_sector", {416, 1}},  {"card_psw", {417, 12}},
};
const TExpected kTank[] = {
    {"active", {0, 1}},      {"fuel_code", {1, 2}}, {"adapter_type", {3, 1}}, {"adapter_comport_no", {4, 1}},
    {"adapter_adr", {5, 1}}, {"adapter_h0", {6, 2}}, {"hmin", {8, 2}},         {"hmax", {10, 2}},
};
const TExpected kPump[] = {
    {"active", {0, 1}}, {"adapter_type", {1, 1}}, {"adapter_comport_no", {2, 1}}, {"adapter_adr", {3, 1}},
};
const TExpected kNozzle[] = {{"active", {0, 1}}, {"tank_no", {1, 1}}};

// Every member of every slot by its path ("pumps[1].nozzles[3].tank_no"):
// tank n at 256 + 16 (n - 1), dispenser p at 352 + 16 (p - 1), its nozzle k
// 4 + 2 (k - 1) into it.
QMap<QString, TPlace> ExpectedPlaces()
{
    QMap<QString, TPlace> places;
    const auto add = [&](const QString &prefix, int base, const auto &members) {
        for (const TExpected &member : members)
            places.insert(prefix + QLatin1String(member.name), {base + member.place.offset, member.place.width});
    };
    add({}, 0, kTopLevel);
    for (int i = 0; i < 6; ++i)
        add(QStringLiteral("tanks[%1].").arg(i), 256 + 16 * i, kTank);
    for (int j = 0; j < 4; ++j) {
        add(QStringLiteral("pumps[%1].").arg(j), 352 + 16 * j, kPump);
        for (int k = 0; k < 4; ++k)
            add(QStringLiteral("pumps[%1].nozzles[%2].").arg(j).arg(k), 352 + 16 * j + 4 + 2 * k, kNozzle);
    }
    return places;
}

template<typename Member>
int WidthOf(const Member &member)
{
    if constexpr (ConfigSchema::IsNumber<Member>)
        return int(Member::width);
    else
        return int(member.width);
}

} // namespace

// The schema places every member where the layout says, and places no
// member the layout lacks.
void TestConfigImage::everyMemberHasItsPlace()
{
    QMap<QString, TPlace> placed;
    ForEachConfigMember([&](const auto &m) { placed.insert(m.path, {int(m.offset), WidthOf(m.member)}); });
    const QMap<QString, TPlace> expected = ExpectedPlaces();
    QCOMPARE(expected.size(), 12 + 6 * 8 + 4 * 4 + 16 * 2);
    QCOMPARE(placed.keys(), expected.keys());
    for (auto it = expected.cbegin(); it != expected.cend(); ++it) {
        const TPlace at = placed.value(it.key());
        QVERIFY2(at == it.value(), qPrintable(QStringLiteral("%1 at %2, %3 bytes; expected at %4, %5 bytes")
                                                  .arg(it.key()).arg(at.offset).arg(at.width)
                                                  .arg(it.value().offset).arg(it.value().width)));
    }
}

// Every member of every slot at its place in the layout: a number with a
// distinct byte each (negative when signed), a text that fills its capacity.
void TestConfigImage::everyMember_data()
{
    QTest::addColumn<Setter>("set");
    QTest::addColumn<int>("offset");
    QTest::addColumn<QByteArray>("bytes");

    const QMap<QString, TPlace> expected = ExpectedPlaces();
    ForEachConfigMember([&](const auto &m) {
        using Member = decltype(m.member);
        QByteArray bytes;
        Setter set;
        if constexpr (ConfigSchema::IsNumber<Member>) {
            using T = typename Member::Type;
            const T value = T(0xA5C3);
            bytes.resize(Member::width);
            qToLittleEndian(value, bytes.data());
            set = [reach = m.reach, value](TTerminalConfig &c) { reach(c) = value; };
        } else {
            const QByteArray text(Member::capacity, 'x');
            bytes = text + QByteArray(m.member.width - Member::capacity, '\0');
            set = [reach = m.reach, text](TTerminalConfig &c) { reach(c) = text; };
        }
        // A member the layout lacks has no place: everyMemberHasItsPlace names it.
        QTest::newRow(qPrintable(m.path)) << set << expected.value(m.path, {-1, 0}).offset << bytes;
    });
}

void TestConfigImage::everyMember()
{
    QFETCH(Setter, set);
    QFETCH(int, offset);
    QFETCH(QByteArray, bytes);
    QVERIFY2(offset >= 0, "a member without a place in the layout");
    CheckLayout(set, offset, bytes, {});
}

// An image with a distinct byte everywhere that decodes into valid fields:
// texts end in NUL, the card password is full.
static QByteArray SampleImage()
{
    QByteArray image(ConfigImage::Size, '\0');
    for (int i = 0; i < image.size(); ++i)
        image[i] = char(0x20 + i % 0x5f);
    for (int end : {31, 63, 129, 137, 145, 155, 163, 179})
        image[end] = '\0';
    return image;
}

void TestConfigImage::decodeEncodeIsIdentity()
{
    const QByteArray image = SampleImage();
    TTerminalConfig config;
    ConfigImage::Decode(image, config);
    QCOMPARE(config.card_psw.Bytes().size(), 12);
    QCOMPARE(ConfigImage::Encode(config), image);
}

void TestConfigImage::longerAnswerDecodesAsItsFirstBytes()
{
    const QByteArray image = SampleImage();
    TTerminalConfig exact;
    ConfigImage::Decode(image, exact);
    TTerminalConfig longer;
    ConfigImage::Decode(image + QByteArray(100, '\x5a'), longer);
    QVERIFY(longer == exact);
}

void TestConfigImage::shortAnswerIsRejected()
{
    TTerminalConfig config;
    config.apn = QByteArray("internet");
    config.tanks[5].hmax = 1234;
    const TTerminalConfig before = config;
    try {
        ConfigImage::Decode(SampleImage().left(200), config);
        QFAIL("a short image was accepted");
    } catch (const TError &error) {
        QCOMPARE(error.Message(),
                 QStringLiteral("Конфигурация повреждена: получено 200 байт из 429"));
    }
    QVERIFY(config == before);
}

void TestConfigImage::gapBytesAreKept()
{
    const QByteArray read = SampleImage();
    TTerminalConfig config;
    ConfigImage::Decode(read, config);
    config.Clear();
    config.server_port = 80;
    const QByteArray written = ConfigImage::Encode(config);

    const QList<QPair<int, int>> gaps = {{180, 256}, {268, 272}, {284, 288}, {300, 304},
                                         {316, 320}, {332, 336}, {348, 352}, {364, 368},
                                         {380, 384}, {396, 400}, {412, 416}};
    int total = 0;
    for (const auto &[from, to] : gaps) {
        QCOMPARE(written.mid(from, to - from), read.mid(from, to - from));
        total += to - from;
    }
    QCOMPARE(total, TTerminalConfig::GapSize);
    // Everything else is the cleared configuration.
    QCOMPARE(written.mid(0, 64), QByteArray(64, '\0'));
    QCOMPARE(written.mid(256, 12), QByteArray(12, '\0'));
    QCOMPARE(written.mid(416, 13), QByteArray(13, '\0'));

    // Nothing read yet: zeros.
    QCOMPARE(ConfigImage::Encode(TTerminalConfig()), QByteArray(ConfigImage::Size, '\0'));
}

void TestConfigImage::textWithoutNulStaysInItsField()
{
    QByteArray image(ConfigImage::Size, '\0');
    image.replace(0, 32, QByteArray(32, 'a'));
    image.replace(32, 32, QByteArray(32, 'b'));
    image.replace(130, 8, QByteArray(8, 'l'));
    image.replace(138, 8, QByteArray(8, 'p'));
    TTerminalConfig config;
    ConfigImage::Decode(image, config);
    QCOMPARE(config.apn.Bytes(), QByteArray(31, 'a'));
    QCOMPARE(config.server_name.Bytes(), QByteArray(31, 'b'));
    QCOMPARE(config.server_login.Bytes(), QByteArray(7, 'l'));
    QCOMPARE(config.server_psw.Bytes(), QByteArray(7, 'p'));
}

void TestConfigImage::clearEmptiesFieldsAndKeepsGaps()
{
    TTerminalConfig config;
    ConfigImage::Decode(SampleImage(), config);
    const auto gaps = config.gaps;
    config.Clear();
    TTerminalConfig expected;
    expected.gaps = gaps;
    QVERIFY(config == expected);
    QVERIFY(config.apn.IsEmpty());
    QCOMPARE(config.pumps[3].nozzles[3], TNozzleConfig());
}

void TestConfigImage::encodeOverKeepsWhatIsUnchanged_data()
{
    QTest::addColumn<QString>("edit");     // the member given a new value
    QTest::addColumn<int>("offset");       // where the image changes
    QTest::addColumn<QByteArray>("bytes"); // to what

    QTest::newRow("nothing") << "" << 0 << QByteArray();
    QTest::newRow("a number") << "tanks[0].hmax" << 266 << QByteArray("\xD2\x04", 2);
    QTest::newRow("a text that filled its field") << "apn" << 0 << QByteArray("new") + QByteArray(29, '\0');
    QTest::newRow("a text with bytes after its end") << "server_name" << 32 << QByteArray("srv2") + QByteArray(28, '\0');
    QTest::newRow("the card password") << "card_psw" << 417 << QByteArray("12") + QByteArray(10, '\0');
}

// Over an image with non-zero gaps, a text filling its field and bytes
// after a text's end, only the edited member's field changes.
void TestConfigImage::encodeOverKeepsWhatIsUnchanged()
{
    QFETCH(QString, edit);
    QFETCH(int, offset);
    QFETCH(QByteArray, bytes);

    QByteArray original = SampleImage();
    original[31] = 'x';                              // apn without a NUL
    original.replace(32, 5, QByteArray("srv\0y", 5)); // server_name, bytes after its end
    TTerminalConfig config;
    ConfigImage::Decode(original, config);
    QCOMPARE(ConfigImage::Encode(config) == original, false);

    if (edit == "tanks[0].hmax")
        config.tanks[0].hmax = 1234;
    else if (edit == "apn")
        config.apn = QByteArray("new");
    else if (edit == "server_name")
        config.server_name = QByteArray("srv2");
    else if (edit == "card_psw")
        config.card_psw = QByteArray("12");
    QByteArray expected = original;
    expected.replace(offset, bytes.size(), bytes);
    QCOMPARE(ConfigImage::EncodeOver(original + "beyond", config).toHex(), expected.toHex());
}

QTEST_GUILESS_MAIN(TestConfigImage)
#include "tst_configimage.moc"
