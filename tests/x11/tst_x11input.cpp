// The real program under a real X server with a window manager, against
// controller-sim run as a process, driven only by X input events from
// outside (xdotool). Every flow is checked on the stand-in's side (its
// transcript and files) and on the screen's side (window titles, and what
// the program's test probe says its widgets show). Positions on screen are
// asked of the program itself. When a step fails, the screen is kept as an
// image in the build folder (or in the folder KOLT_X11_SCREENSHOTS names).
// The same flows drive the Linux build or the Windows build under wine
// (ProgramUnderTest.h, and KOLT_X11_DISPLAY in XDisplay.h).
#include "ChangeWatch.h"
#include "ProbeClient.h"
#include "ProgramUnderTest.h"
#include "StandInProcess.h"
#include "XDisplay.h"
#include "app/EllipsisDelegate.h"
#include "calibration/TankTable.h"
#include "common/Cp1251.h"
#include "common/Settings.h"
#include "common/Version.h"
#include "config/ConfigDataSets.h"
#include "config/ConfigImage.h"
#include "config/TerminalConfig.h"
#include "terminal/RemoteFile.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtEndian>
#include <QtTest>

#include <functional>
#include <utility>
#include <memory>

namespace {

constexpr int kGuardMs = 30000;
constexpr int kRemapMs = 5000;
constexpr int kDoubleClick = 2;

// The main window's title: the project's name and version, as the build
// generated them, marked with "*" while the window holds changes that are
// not saved.
const QString kTitle = QRegularExpression::escape(
    QStringLiteral("%1-%2").arg(QLatin1String(Version::ProgramName), QLatin1String(Version::Number)));
const QString kMainTitle = u'^' + kTitle + QStringLiteral("\\*?$");
const QString kUnmarkedTitle = u'^' + kTitle + u'$';
const QString kMarkedTitle = u'^' + kTitle + QStringLiteral("\\*$");
// The error box and the question about unsaved changes.
const QString kErrorBoxTitle = QStringLiteral("^Kolt-tarvo-conf$");
const QString kQuestionTitle = kErrorBoxTitle;
const QString kQuestionText = QStringLiteral("Изменения не сохранены.");
const QString kConnTitle = QStringLiteral("^Настройки подключения$");
const QString kAnyTableTitle = QStringLiteral("Градуировочная таблица$");
const QString kSaveTitle = QStringLiteral("^Сохранить в файл$");
const QString kOpenTitle = QStringLiteral("^Открыть файл$");

QString TableTitle(int tankNo)
{
    return QStringLiteral("^Р#%1: Градуировочная таблица$").arg(tankNo);
}

QString OpenText(int port)
{
    return QStringLiteral("COM%1 открыт").arg(port);
}

const QString kWrittenAndChecked = QStringLiteral("Записано и проверено; ответ на \"reload\": OK");

const QByteArray kTableFile = QByteArrayLiteral("tanks.tbl");
const QString kTableRead = QStringLiteral("rdfile tanks.tbl ");
const QString kTableWrite = QStringLiteral("wrfile tanks.tbl ");

QString TableRead(int tankNo)
{
    constexpr int kBlock = int(sizeof(TankTable::Volumes));
    return QString::fromLatin1(ReadFileCommand(kTableFile, (tankNo - 1) * kBlock, kBlock));
}

TTerminalConfig Decoded(const QByteArray &image)
{
    TTerminalConfig config;
    ConfigImage::Decode(image, config);
    return config;
}

qint32 Volume(const QByteArray &tables, int tankNo, int entry)
{
    return qFromLittleEndian<qint32>(tables.constData() + (tankNo - 1) * sizeof(TankTable::Volumes) + 4 * entry);
}

void SetVolume(QByteArray &tables, int tankNo, int entry, qint32 volume)
{
    qToLittleEndian(volume, tables.data() + (tankNo - 1) * sizeof(TankTable::Volumes) + 4 * entry);
}

// A value for the entry between its neighbours, other than the one there;
// 0 where they leave no room for one.
qint32 ValueBetweenNeighbours(const QByteArray &tables, int tankNo, int entry)
{
    const qint32 below = Volume(tables, tankNo, entry - 1);
    const qint32 above = Volume(tables, tankNo, entry + 1);
    if (above - below < 3)
        return 0;
    const qint32 value = below + (above - below) / 2;
    return value == Volume(tables, tankNo, entry) ? value + 1 : value;
}

} // namespace

// Fails the test, keeping the screen, when the condition does not hold at
// once (EXPECT) or within the guard time (EXPECT_SOON).
#define EXPECT(condition, what)                                                                    \
    do {                                                                                           \
        if (!(condition))                                                                          \
            QFAIL(qPrintable(Shot(what)));                                                         \
    } while (false)
#define EXPECT_SOON(condition, what)                                                               \
    do {                                                                                           \
        if (!Soon([&] { return bool(condition); }))                                                \
            QFAIL(qPrintable(Shot(what)));                                                         \
    } while (false)
// Runs a step made of checks and stops the test when one of them failed.
#define STEP(call)                                                                                 \
    do {                                                                                           \
        call;                                                                                      \
        if (QTest::currentTestFailed())                                                            \
            return;                                                                                \
    } while (false)

class tst_x11input : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void cleanupTestCase();

    void read();
    void tableButtonOpensItsTank_data();
    void tableButtonOpensItsTank();
    void tableEditedSavedWritten();
    void gridCellEditedWritten_data();
    void gridCellEditedWritten();
    void terminalLineSent_data();
    void terminalLineSent();
    void connectionDialogByKeyboard();
    void reconnectAfterStandInRestart();
    void fileSavedOpenedWritten();
    void readAsksAboutUnsavedChanges();
    void readAsksBeforeDroppingAnEditedTable();
    void closeAsksAboutUnsavedChanges();
    void failedWriteCheckShowsTheBox_data();
    void failedWriteCheckShowsTheBox();
    void compareListsWhatDiffers();

private:
    // Stops the program and the stand-in.
    void TearDown();
    bool Soon(const std::function<bool()> &condition, const QDeadlineTimer &deadline = QDeadlineTimer(kGuardMs));
    // Soon() for a window to show.
    bool ShowsSoon(const QString &titlePattern);
    QString Shot(const QString &what);
    QString SettingsPath() const { return QDir(m_folder->path()).filePath(QStringLiteral("kolt-tarvo-conf.ini")); }

    // Clicks the middle of what the query names, once it is on screen.
    bool ClickOn(const QString &query, int count = 1);
    void ReadConfiguration(StandInProcess &standIn);
    void WriteConfiguration();
    void ShowPage(const QString &node);
    void OpenTable(int row, int tankNo);
    void ExpectNoErrorBox();
    // Answers the file dialog titled by the pattern with the path typed
    // into its file name box and Enter.
    void ChooseFile(const QString &titlePattern, const QString &path);
    // Types text over the box called box on the page the tree's node shows.
    void TypeIntoBox(const QString &node, const QString &box, const QString &text);
    // Waits for the question about unsaved changes and answers it with
    // Escape or a click on the button called answer.
    void AnswerQuestion(const QString &answer);
    // Types value over the entry of the tank's table in its editor and
    // saves it there.
    void EditTableEntry(int tankNo, int entry, qint32 value);
    // Restarts the stand-in with these faults and waits for the program to
    // have the port again.
    void RestartStandIn(const QStringList &faults);

    const ProgramUnderTest m_target;
    XDisplay m_x;
    QString m_shotsDir;
    int m_shots = 0;
    std::unique_ptr<QTemporaryDir> m_folder;
    std::unique_ptr<StandInProcess> m_com1;
    std::unique_ptr<QProcess> m_program;
    std::unique_ptr<ProbeClient> m_probe;
    std::unique_ptr<ChangeWatch> m_changes;
};

void tst_x11input::initTestCase()
{
    m_shotsDir = qEnvironmentVariable("KOLT_X11_SCREENSHOTS", QStringLiteral(KOLT_SHOTS_DIR));
    QDir().mkpath(m_shotsDir);
    QString error;
    QVERIFY2(m_x.Start(&error), qPrintable(error));
}

void tst_x11input::init()
{
    TearDown();
    m_folder = std::make_unique<QTemporaryDir>();
    QVERIFY(m_folder->isValid());
    m_com1 = std::make_unique<StandInProcess>(m_folder->path(), m_target.PortsFolder(m_folder->path()), 1);
    QString error;
    QVERIFY2(m_com1->Start(&error), qPrintable(error));
    Settings::WritePort(SettingsPath(), 1);

    m_changes = std::make_unique<ChangeWatch>();
    QVERIFY2(m_changes->WatchDisplay(m_x.Environment()), "xprop watches the root window");
    m_changes->WatchFolder(m_folder->path());
    m_program = std::make_unique<QProcess>();
    m_target.Start(*m_program, m_x.Environment(), m_folder->path(), SettingsPath());
    m_probe = std::make_unique<ProbeClient>(*m_program);
    m_probe->Watch();
    m_changes->WatchProgram(*m_program, *m_probe);

    EXPECT(ShowsSoon(kMainTitle), "the main window shows");
    EXPECT_SOON(m_probe->Text(QStringLiteral("StatusPanel0")) == OpenText(1), "the status bar shows COM1 open");
}

void tst_x11input::cleanup()
{
    TearDown();
}

void tst_x11input::cleanupTestCase()
{
    TearDown(); // also after a failed init(), which cleanup() does not follow
}

void tst_x11input::TearDown()
{
    if (m_program) {
        m_program->closeWriteChannel(); // the probe's input ends
        m_program->terminate();
        if (!m_program->waitForFinished(kGuardMs)) {
            m_program->kill();
            m_program->waitForFinished(kGuardMs);
        }
    }
    m_changes.reset();
    m_probe.reset();
    m_program.reset();
    m_com1.reset();
    m_folder.reset();
}

// The condition is checked again after each change that could make it true
// (see ChangeWatch), never after a time.
bool tst_x11input::Soon(const std::function<bool()> &condition, const QDeadlineTimer &deadline)
{
    for (;;) {
        const quint64 seen = m_changes->Count();
        if (condition())
            return true;
        if (!m_changes->WaitPast(seen, deadline))
            return condition();
    }
}

// openbox now and then leaves a window unmapped that the program has mapped,
// most often just after its own start: a window that is there but has not
// shown after a while is mapped once more from outside, with a warning.
bool tst_x11input::ShowsSoon(const QString &titlePattern)
{
    const auto shown = [&] { return m_x.WindowShown(titlePattern); };
    if (Soon(shown, QDeadlineTimer(kRemapMs)))
        return true;
    if (m_x.MapAgain(titlePattern))
        qWarning("the window manager left \"%s\" unmapped: mapped again", qPrintable(titlePattern));
    return Soon(shown);
}

QString tst_x11input::Shot(const QString &what)
{
    QString name = QString::fromLatin1(QTest::currentTestFunction());
    if (const char *tag = QTest::currentDataTag())
        name += u'-' + QString::fromLatin1(tag).replace(QRegularExpression(QStringLiteral("[^A-Za-z0-9]+")), QStringLiteral("_"));
    const QString path = QDir(m_shotsDir).filePath(QStringLiteral("%1-%2.png").arg(name).arg(++m_shots));
    const bool kept = m_x.Screenshot(path);
    QString focus = m_probe ? m_probe->Ask(QStringLiteral("focus")) : QString();
    return QStringLiteral("failed: %1 (focus: %2; screen %3 %4)")
        .arg(what, focus, kept ? QStringLiteral("kept in") : QStringLiteral("not kept as"), path);
}

bool tst_x11input::ClickOn(const QString &query, int count)
{
    // The same place in two answers in a row, the second given after the
    // program handled what came meanwhile: a window just shown may still be
    // moved into place by the window manager.
    std::optional<QRect> rect;
    const auto settled = [&] {
        rect = m_probe->Where(query);
        return rect && rect == m_probe->Where(query);
    };
    return Soon(settled) && m_x.ClickAt(rect->center(), count);
}

void tst_x11input::ExpectNoErrorBox()
{
    EXPECT(!m_x.WindowShown(kErrorBoxTitle), "no error box shows");
    EXPECT(m_x.WindowShown(kMainTitle), "the main window still shows");
}

void tst_x11input::ReadConfiguration(StandInProcess &standIn)
{
    const QString command = QStringLiteral("rdfile config 0 0");
    const qsizetype before = standIn.Commands().count(command);
    EXPECT(ClickOn(QStringLiteral("widget acIcRead")), "a click on \"Считать из контроллера\"");
    EXPECT_SOON(standIn.Commands().count(command) == before + 1, "the stand-in received rdfile config 0 0");
    // The operator's password shows once the whole answer is in.
    const QString password = Cp1251::toUnicode(Decoded(standIn.File(QStringLiteral("config"))).oper_psw.Bytes());
    EXPECT_SOON(m_probe->Text(QStringLiteral("eOperPsw")) == password, "the operator's password shows");
    STEP(ExpectNoErrorBox());
}

void tst_x11input::WriteConfiguration()
{
    const QString reload = QStringLiteral("reload");
    const qsizetype before = m_com1->Commands().count(reload);
    EXPECT(ClickOn(QStringLiteral("widget acIcWrite")), "a click on \"Загрузить в контроллер\"");
    EXPECT_SOON(m_com1->Commands().count(reload) == before + 1, "the stand-in received reload");
}

void tst_x11input::ShowPage(const QString &node)
{
    EXPECT(ClickOn(QStringLiteral("item tvConfig ") + node), QStringLiteral("a click on the tree's node ") + node);
    EXPECT_SOON(m_probe->Text(QStringLiteral("lblConfigCaption")) == node, QStringLiteral("the page %1 shows").arg(node));
}

// A click on the table button of a row of the tank grid; the editor of the
// given tank is expected.
void tst_x11input::OpenTable(int row, int tankNo)
{
    const qsizetype tableReads = m_com1->Commands().filter(kTableRead).size();
    std::optional<QRect> cell;
    EXPECT_SOON((cell = m_probe->Where(QStringLiteral("cell DBGridEh1 %1 %2").arg(row).arg(int(TankColumn::Table)))),
                "the table cell is on screen");
    EXPECT(m_x.ClickAt(TEllipsisDelegate::ButtonRect(*cell).center()), "a click on the table button");
    EXPECT(ShowsSoon(kAnyTableTitle), "a calibration editor opens");
    EXPECT(m_x.WindowShown(TableTitle(tankNo)),
           QStringLiteral("the editor is tank %1's, not \"%2\"").arg(tankNo).arg(m_x.WindowTitle(kAnyTableTitle)));
    const QStringList reads = m_com1->Commands().filter(kTableRead).mid(tableReads);
    EXPECT(reads == QStringList{TableRead(tankNo)},
           QStringLiteral("one read of tank %1's block, got: %2").arg(tankNo).arg(reads.join(u", ")));
}

void tst_x11input::read()
{
    STEP(ReadConfiguration(*m_com1));
    const TTerminalConfig config = Decoded(m_com1->File(QStringLiteral("config")));
    QVERIFY(!config.admin_tel.Bytes().isEmpty());
    EXPECT(m_probe->Text(QStringLiteral("eAdminPsw")) == Cp1251::toUnicode(config.admin_psw.Bytes()),
           "the administrator's password shows");
    EXPECT(m_probe->Text(QStringLiteral("eAdminTel")) == Cp1251::toUnicode(config.admin_tel.Bytes()),
           "the administrator's telephone shows");
    STEP(ShowPage(QStringLiteral("GPRS")));
    EXPECT(m_probe->Text(QStringLiteral("eAPN")) == Cp1251::toUnicode(config.apn.Bytes()), "the APN shows");
    STEP(ShowPage(QStringLiteral("Резервуары")));
    EXPECT(m_probe->Ask(QStringLiteral("current DBGridEh1")).startsWith(QStringLiteral("0 ")),
           "tank 1 is current after the read");
    EXPECT(m_com1->Commands() == QStringList{QStringLiteral("rdfile config 0 0")}, "nothing but the read was sent");
}

void tst_x11input::tableButtonOpensItsTank_data()
{
    QTest::addColumn<int>("tankNo");
    QTest::newRow("tank 3") << 3;
    QTest::newRow("tank 6") << 6;
}

void tst_x11input::tableButtonOpensItsTank()
{
    QFETCH(int, tankNo);
    STEP(ReadConfiguration(*m_com1));
    STEP(ShowPage(QStringLiteral("Резервуары")));
    EXPECT(m_probe->Ask(QStringLiteral("current DBGridEh1")).startsWith(QStringLiteral("0 ")),
           "tank 1 is current after the read");
    STEP(OpenTable(tankNo - 1, tankNo));
    EXPECT(m_x.Keys({QStringLiteral("Escape")}), "Escape");
    EXPECT_SOON(!m_x.WindowShown(kAnyTableTitle), "the editor closes on Escape");
    EXPECT(m_probe->Ask(QStringLiteral("current DBGridEh1")).startsWith(QString::number(tankNo - 1) + u' '),
           "the pressed row is current");
}

// The tank's row is made current by a click on its number, so that this
// does not hang on where the button alone leads; its table button opens the
// editor, where the value is typed over the entry's line and saved.
void tst_x11input::EditTableEntry(int tankNo, int entry, qint32 value)
{
    STEP(ShowPage(QStringLiteral("Резервуары")));
    EXPECT(ClickOn(QStringLiteral("cell DBGridEh1 %1 %2").arg(tankNo - 1).arg(int(TankColumn::No))),
           "a click on the tank's number");
    EXPECT_SOON(m_probe->Ask(QStringLiteral("current DBGridEh1")).startsWith(QString::number(tankNo - 1) + u' '),
                "the tank's row is current");
    STEP(OpenTable(tankNo - 1, tankNo));

    EXPECT(ClickOn(QStringLiteral("widget Editor")), "a click into the editor");
    EXPECT_SOON(m_probe->Ask(QStringLiteral("focus")).startsWith(QStringLiteral("Editor ")), "the editor has the focus");
    QStringList keys{QStringLiteral("ctrl+Home")};
    for (int i = 0; i < entry; ++i)
        keys.append(QStringLiteral("Down"));
    keys += {QStringLiteral("End"), QStringLiteral("shift+Home")};
    EXPECT(m_x.Keys(keys), "keys to select the line");
    EXPECT(m_x.Type(QString::number(value)), "typing the value");
    EXPECT_SOON(m_probe->Text(QStringLiteral("Editor")).split(u'\n').value(entry) == QString::number(value),
                "the editor's line holds the typed value");
    EXPECT(ClickOn(QStringLiteral("widget btnOk")), "a click on \"Сохранить\"");
    EXPECT_SOON(!m_x.WindowShown(kAnyTableTitle), "the editor closes on \"Сохранить\"");
    STEP(ExpectNoErrorBox());
}

void tst_x11input::tableEditedSavedWritten()
{
    constexpr int kTankNo = 3;
    constexpr int kEntry = 5;
    STEP(ReadConfiguration(*m_com1));
    const QByteArray tablesBefore = m_com1->File(QString::fromLatin1(kTableFile));
    QVERIFY(tablesBefore.size() >= kTankNo * qsizetype(sizeof(TankTable::Volumes)));
    QVERIFY(Decoded(m_com1->File(QStringLiteral("config"))).tanks[kTankNo - 1].hmax >= 10 * (kEntry + 1));
    const qint32 edited = ValueBetweenNeighbours(tablesBefore, kTankNo, kEntry);
    QVERIFY2(edited != 0, "the stand-in's table rises");
    STEP(EditTableEntry(kTankNo, kEntry, edited));

    const qsizetype writesBefore = m_com1->Commands().filter(kTableWrite).size();
    STEP(WriteConfiguration());
    QByteArray expected = tablesBefore;
    SetVolume(expected, kTankNo, kEntry, edited);
    EXPECT_SOON(m_com1->File(QString::fromLatin1(kTableFile)) == expected,
                "\"tanks.tbl\" holds the edit in tank 3's block and nothing else changed");
    // The writes, one after the other, spell tank 3's block and nothing else.
    const qsizetype blockStart = (kTankNo - 1) * qsizetype(sizeof(TankTable::Volumes));
    const QByteArray block = expected.mid(blockStart, sizeof(TankTable::Volumes));
    const auto written = [&] {
        QByteArray bytes;
        for (const QString &command : m_com1->Commands().filter(kTableWrite).mid(writesBefore)) {
            const QStringList words = command.split(u' ');
            if (words.size() != 4 || words.at(2).toLongLong() != blockStart + bytes.size())
                return QByteArray("out of order: ") + command.toLatin1();
            bytes += QByteArray::fromHex(words.at(3).toLatin1());
        }
        return bytes;
    };
    EXPECT_SOON(written() == block, QStringLiteral("the writes spell tank 3's block, got: ") + QString::fromLatin1(written().left(80).toHex()));
    STEP(ExpectNoErrorBox());
}

void tst_x11input::gridCellEditedWritten_data()
{
    QTest::addColumn<QString>("page");
    QTest::addColumn<QString>("grid");
    QTest::addColumn<int>("row");
    QTest::addColumn<int>("column");
    // Sets the new value into the expected configuration; returns it.
    QTest::addColumn<std::function<int(TTerminalConfig &)>>("change");

    QTest::newRow("tank grid: Hmin of tank 2")
        << QStringLiteral("Резервуары") << QStringLiteral("DBGridEh1") << 1 << int(TankColumn::Hmin)
        << std::function<int(TTerminalConfig &)>([](TTerminalConfig &config) {
               return config.tanks[1].hmin = qint16(config.tanks[1].hmin + 7);
           });
    QTest::newRow("nozzle grid: tank of dispenser 1's nozzle 2")
        << QStringLiteral("ТРК") << QStringLiteral("DBGridEh3") << 1 << int(NozzleColumn::TankNo)
        << std::function<int(TTerminalConfig &)>([](TTerminalConfig &config) {
               quint8 &tank = config.pumps[0].nozzles[1].tank_no;
               return tank = quint8(tank % TTerminalConfig::TankCount + 1);
           });
}

void tst_x11input::gridCellEditedWritten()
{
    QFETCH(QString, page);
    QFETCH(QString, grid);
    QFETCH(int, row);
    QFETCH(int, column);
    QFETCH(std::function<int(TTerminalConfig &)>, change);

    STEP(ReadConfiguration(*m_com1));
    const QByteArray before = m_com1->File(QStringLiteral("config"));
    TTerminalConfig expected = Decoded(before);
    const int value = change(expected);

    STEP(ShowPage(page));
    EXPECT(ClickOn(QStringLiteral("cell %1 %2 %3").arg(grid).arg(row).arg(column), kDoubleClick),
           "a double click on the cell");
    EXPECT_SOON(m_probe->Ask(QStringLiteral("focus")).startsWith(grid + u' '), "a cell editor of the grid has the focus");
    EXPECT(m_x.Keys({QStringLiteral("ctrl+a")}), "ctrl+a");
    EXPECT(m_x.Type(QString::number(value)), "typing the value");
    EXPECT(m_x.Keys({QStringLiteral("Return")}), "Return");
    STEP(WriteConfiguration());
    EXPECT_SOON(m_com1->File(QStringLiteral("config")) == ConfigImage::Encode(expected),
                "\"config\" holds the edited value and nothing else changed");
    EXPECT_SOON(m_probe->Text(QStringLiteral("StatusOutcome")) == kWrittenAndChecked,
                "the status bar says the write was checked");
    STEP(ExpectNoErrorBox());
}

void tst_x11input::terminalLineSent_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<QStringList>("keys"); // none: a click on "..."
    QTest::newRow("Enter") << QStringLiteral("rdfile config 0 1") << QStringList{QStringLiteral("Return")};
    QTest::newRow("Shift+Enter") << QStringLiteral("rdfile config 0 2") << QStringList{QStringLiteral("shift+Return")};
    QTest::newRow("Ctrl+Enter") << QStringLiteral("rdfile config 0 3") << QStringList{QStringLiteral("ctrl+Return")};
    QTest::newRow("keypad Enter") << QStringLiteral("rdfile config 0 4") << QStringList{QStringLiteral("KP_Enter")};
    QTest::newRow("button") << QStringLiteral("rdfile config 0 5") << QStringList();
}

void tst_x11input::terminalLineSent()
{
    QFETCH(QString, line);
    QFETCH(QStringList, keys);

    EXPECT(ClickOn(QStringLiteral("item pc Терминал")), "a click on the tab \"Терминал\"");
    EXPECT(ClickOn(QStringLiteral("widget cbTx")), "a click into the input line");
    EXPECT_SOON(m_probe->Ask(QStringLiteral("focus")).startsWith(QStringLiteral("cbTx ")), "the input line has the focus");
    EXPECT(m_x.Type(line), "typing the line");
    EXPECT_SOON(m_probe->Text(QStringLiteral("cbTx")) == line, "the input line holds what was typed");
    if (keys.isEmpty())
        EXPECT(ClickOn(QStringLiteral("widget btnSend")), "a click on \"...\"");
    else
        EXPECT(m_x.Keys(keys), keys.join(u' '));
    EXPECT_SOON(m_com1->Commands().contains(line), "the stand-in received the line");
    EXPECT(m_com1->Commands() == QStringList{line}, "the line was sent once and alone");
    EXPECT_SOON(m_probe->Text(QStringLiteral("cbTx")).isEmpty(), "the input line is empty again");
    EXPECT_SOON(m_probe->Text(QStringLiteral("mLog")).contains(line), "the log shows the controller's echo");
    STEP(ExpectNoErrorBox());
}

void tst_x11input::connectionDialogByKeyboard()
{
    StandInProcess com2(m_folder->path(), m_target.PortsFolder(m_folder->path()), 2);
    QString error;
    QVERIFY2(com2.Start(&error), qPrintable(error));
    const QString read = QStringLiteral("rdfile config 0 0");

    // Another port: the number typed, Enter.
    EXPECT(ClickOn(QStringLiteral("widget acConfig")), "a click on \"Связь\"");
    EXPECT(ShowsSoon(kConnTitle), "the connection dialog opens");
    EXPECT_SOON(m_probe->Ask(QStringLiteral("focus")).startsWith(QStringLiteral("eComPort ")), "the port field has the focus");
    EXPECT(m_probe->Text(QStringLiteral("eComPort")) == QStringLiteral("1"), "the field shows the port in use");
    EXPECT(m_x.Keys({QStringLiteral("ctrl+a")}) && m_x.Type(QStringLiteral("2")), "typing 2 over the number");
    EXPECT_SOON(m_probe->Text(QStringLiteral("eComPort")) == QStringLiteral("2"), "the field shows 2");
    EXPECT(m_x.Keys({QStringLiteral("Return")}), "Return");
    EXPECT_SOON(!m_x.WindowShown(kConnTitle), "the dialog closes on Enter");
    EXPECT_SOON(m_probe->Text(QStringLiteral("StatusPanel0")) == OpenText(2), "the status bar shows COM2 open");
    EXPECT(Settings::ReadPort(SettingsPath()) == 2, "the settings file holds port 2");
    STEP(ReadConfiguration(com2));
    EXPECT(!m_com1->Commands().contains(read), "COM1's stand-in received nothing");

    // Escape leaves everything as it was.
    EXPECT(ClickOn(QStringLiteral("widget acConfig")), "a click on \"Связь\"");
    EXPECT(ShowsSoon(kConnTitle), "the connection dialog opens again");
    EXPECT_SOON(m_probe->Ask(QStringLiteral("focus")).startsWith(QStringLiteral("eComPort ")), "the port field has the focus");
    EXPECT(m_probe->Text(QStringLiteral("eComPort")) == QStringLiteral("2"), "the field shows the port in use");
    EXPECT(m_x.Keys({QStringLiteral("ctrl+a")}) && m_x.Type(QStringLiteral("1")), "typing 1 over the number");
    EXPECT_SOON(m_probe->Text(QStringLiteral("eComPort")) == QStringLiteral("1"), "the field shows 1");
    EXPECT(m_x.Keys({QStringLiteral("Escape")}), "Escape");
    EXPECT_SOON(!m_x.WindowShown(kConnTitle), "the dialog closes on Escape");
    EXPECT(Settings::ReadPort(SettingsPath()) == 2, "the settings file still holds port 2");
    EXPECT_SOON(m_probe->Text(QStringLiteral("StatusPanel0")) == OpenText(2), "the status bar still shows COM2 open");
    STEP(ReadConfiguration(com2));
    EXPECT(com2.Commands().count(read) == 2, "COM2's stand-in received both reads");
    EXPECT(!m_com1->Commands().contains(read), "COM1's stand-in still received nothing");
}

void tst_x11input::reconnectAfterStandInRestart()
{
    EXPECT(m_com1->Stop(), "the stand-in stops");
    EXPECT_SOON(m_probe->Text(QStringLiteral("StatusPanel0")) != OpenText(1), "the status bar no longer shows COM1 open");
    const QString closed = m_probe->Text(QStringLiteral("StatusPanel0"));
    EXPECT(!closed.isEmpty() && closed != QStringLiteral("none"), "the status bar says why COM1 is not open");

    QString error;
    QVERIFY2(m_com1->Start(&error), qPrintable(error));
    EXPECT_SOON(m_probe->Text(QStringLiteral("StatusPanel0")) == OpenText(1), "the status bar shows COM1 open again");
    STEP(ReadConfiguration(*m_com1));
}

void tst_x11input::ChooseFile(const QString &titlePattern, const QString &path)
{
    const QString name = m_target.FileName(path);
    EXPECT_SOON(m_x.WindowShown(titlePattern), QStringLiteral("the dialog %1 opens").arg(titlePattern));
    if (m_target.Windows()) {
        // The system's own dialog, which the probe does not see: it opens
        // with the focus in its file name box, whose text Ctrl+A does not
        // select.
        EXPECT_SOON(QRegularExpression(titlePattern).match(m_x.FocusedWindowTitle()).hasMatch(),
                    QStringLiteral("the dialog %1 has the focus").arg(titlePattern));
        EXPECT(m_x.Keys({QStringLiteral("End"), QStringLiteral("shift+Home")}) && m_x.Type(name),
               "typing the file's path");
    } else {
        EXPECT_SOON(m_probe->Ask(QStringLiteral("focus")).startsWith(QStringLiteral("fileNameEdit ")),
                    "the file name box has the focus");
        EXPECT(m_x.Keys({QStringLiteral("ctrl+a")}) && m_x.Type(name), "typing the file's path");
        EXPECT_SOON(m_probe->Text(QStringLiteral("fileNameEdit")) == name, "the file name box holds the path");
    }
    EXPECT(m_x.Keys({QStringLiteral("Return")}), "Return");
    EXPECT_SOON(!m_x.WindowShown(titlePattern), QStringLiteral("the dialog %1 closes on Enter").arg(titlePattern));
}

void tst_x11input::TypeIntoBox(const QString &node, const QString &box, const QString &text)
{
    STEP(ShowPage(node));
    EXPECT(ClickOn(QStringLiteral("widget ") + box), QStringLiteral("a click into ") + box);
    EXPECT_SOON(m_probe->Ask(QStringLiteral("focus")).startsWith(box + u' '), box + QStringLiteral(" has the focus"));
    EXPECT(m_x.Keys({QStringLiteral("ctrl+a")}) && m_x.Type(text), QStringLiteral("typing over ") + box);
    EXPECT_SOON(m_probe->Text(box) == text, box + QStringLiteral(" shows what was typed"));
}

void tst_x11input::AnswerQuestion(const QString &answer)
{
    EXPECT(ShowsSoon(kQuestionTitle), "the question about unsaved changes shows");
    EXPECT_SOON(m_probe->Text(QStringLiteral("qt_msgbox_label")) == kQuestionText, "the question's text");
    EXPECT_SOON(m_probe->Ask(QStringLiteral("focus")).startsWith(QStringLiteral("btnSaveToFile ")),
                "\"Сохранить в файл…\" has the focus");
    if (answer == QStringLiteral("Escape"))
        EXPECT(m_x.Keys({answer}), "Escape");
    else
        EXPECT(ClickOn(QStringLiteral("widget ") + answer), QStringLiteral("a click on ") + answer);
    EXPECT_SOON(!m_x.WindowShown(kQuestionTitle), "the question closes");
}

// Ctrl+S saves the station read into a file; after an edit of the pages,
// which marks the title, Ctrl+O asks about the edit and, told not to save
// it, brings the file back without a word to the controller;
// "Загрузить в контроллер" then leaves "config" as it was, gap bytes
// included, and clears the mark.
void tst_x11input::fileSavedOpenedWritten()
{
    TTerminalConfig withGaps = Decoded(m_com1->File(QStringLiteral("config")));
    for (std::size_t i = 0; i < withGaps.gaps.size(); ++i)
        withGaps.gaps[i] = char(0xA0 + i % 0x50);
    const QByteArray config = ConfigImage::Encode(withGaps);
    EXPECT(m_com1->Stop() && m_com1->SetFile(QStringLiteral("config"), config), "the stand-in's \"config\" replaced");
    QString error;
    QVERIFY2(m_com1->Start(&error), qPrintable(error));
    EXPECT_SOON(m_probe->Text(QStringLiteral("StatusPanel0")) == OpenText(1), "the status bar shows COM1 open again");
    STEP(ReadConfiguration(*m_com1));

    const QString path = QDir(m_folder->path()).filePath(QStringLiteral("station.json"));
    EXPECT(m_x.Keys({QStringLiteral("ctrl+s")}), "ctrl+s");
    STEP(ChooseFile(kSaveTitle, path));
    EXPECT_SOON(QFile::exists(path), "the file is written");
    STEP(ExpectNoErrorBox());
    EXPECT(m_x.WindowShown(kUnmarkedTitle), "the title is not marked");

    const QString apn = Cp1251::toUnicode(withGaps.apn.Bytes());
    STEP(TypeIntoBox(QStringLiteral("GPRS"), QStringLiteral("eAPN"), QStringLiteral("edited")));
    EXPECT_SOON(m_x.WindowShown(kMarkedTitle), "the edit marks the title");

    const QStringList sent = m_com1->Commands();
    EXPECT(m_x.Keys({QStringLiteral("ctrl+o")}), "ctrl+o");
    STEP(AnswerQuestion(QStringLiteral("btnDiscard")));
    STEP(ChooseFile(kOpenTitle, path));
    EXPECT_SOON(m_probe->Text(QStringLiteral("eAPN")) == apn, "\"APN:\" shows the file's APN");
    STEP(ExpectNoErrorBox());
    EXPECT(m_com1->Commands() == sent, "opening the file sent nothing");
    EXPECT(m_x.WindowShown(kMarkedTitle), "the file opened, not yet in the controller, marks the title");

    STEP(WriteConfiguration());
    EXPECT_SOON(m_com1->File(QStringLiteral("config")) == config, "\"config\" is as it was, gap bytes included");
    STEP(ExpectNoErrorBox());
    EXPECT_SOON(m_x.WindowShown(kUnmarkedTitle), "the write clears the mark");
}

// Changes the user has not saved mark the title, and "Считать из
// контроллера" asks about them first: Escape sends nothing and keeps them,
// "Не сохранять" reads, "Сохранить в файл…" saves them into the file chosen
// and then reads.
void tst_x11input::readAsksAboutUnsavedChanges()
{
    const QString read = QStringLiteral("rdfile config 0 0");
    STEP(ReadConfiguration(*m_com1));
    EXPECT(m_x.WindowShown(kUnmarkedTitle), "the read leaves the title unmarked");
    TTerminalConfig config = Decoded(m_com1->File(QStringLiteral("config")));

    STEP(TypeIntoBox(QStringLiteral("GPRS"), QStringLiteral("eAPN"), QStringLiteral("edited")));
    EXPECT_SOON(m_x.WindowShown(kMarkedTitle), "the edit marks the title");
    const QStringList sent = m_com1->Commands();
    EXPECT(ClickOn(QStringLiteral("widget acIcRead")), "a click on \"Считать из контроллера\"");
    STEP(AnswerQuestion(QStringLiteral("Escape")));
    EXPECT(m_com1->Commands() == sent, "Escape: nothing was sent");
    EXPECT(m_probe->Text(QStringLiteral("eAPN")) == QStringLiteral("edited"), "Escape: the edit is kept");
    EXPECT(m_x.WindowShown(kMarkedTitle), "Escape: the title stays marked");

    EXPECT(ClickOn(QStringLiteral("widget acIcRead")), "a click on \"Считать из контроллера\"");
    STEP(AnswerQuestion(QStringLiteral("btnDiscard")));
    EXPECT_SOON(m_com1->Commands().count(read) == sent.count(read) + 1, "\"Не сохранять\": the stand-in received the read");
    EXPECT_SOON(m_probe->Text(QStringLiteral("eAPN")) == Cp1251::toUnicode(config.apn.Bytes()),
                "\"Не сохранять\": the read replaced the edit");
    EXPECT_SOON(m_x.WindowShown(kUnmarkedTitle), "the read clears the mark");

    // A grid cell: Hmin of tank 2.
    const qint16 hmin = qint16(config.tanks[1].hmin + 7);
    STEP(ShowPage(QStringLiteral("Резервуары")));
    EXPECT(ClickOn(QStringLiteral("cell DBGridEh1 1 %1").arg(int(TankColumn::Hmin)), kDoubleClick),
           "a double click on the cell");
    EXPECT_SOON(m_probe->Ask(QStringLiteral("focus")).startsWith(QStringLiteral("DBGridEh1 ")),
                "a cell editor of the grid has the focus");
    EXPECT(m_x.Keys({QStringLiteral("ctrl+a")}) && m_x.Type(QString::number(hmin)), "typing the value");
    EXPECT(m_x.Keys({QStringLiteral("Return")}), "Return");
    EXPECT_SOON(m_x.WindowShown(kMarkedTitle), "the cell's edit marks the title");

    const QString path = QDir(m_folder->path()).filePath(QStringLiteral("unsaved.json"));
    EXPECT(ClickOn(QStringLiteral("widget acIcRead")), "a click on \"Считать из контроллера\"");
    STEP(AnswerQuestion(QStringLiteral("btnSaveToFile")));
    STEP(ChooseFile(kSaveTitle, path));
    EXPECT_SOON(m_com1->Commands().count(read) == sent.count(read) + 2, "saved: the stand-in received the read");
    EXPECT_SOON(m_x.WindowShown(kUnmarkedTitle), "the read clears the mark");
    STEP(ExpectNoErrorBox());
    QFile file(path);
    EXPECT(file.open(QIODevice::ReadOnly), "the file is written");
    const QJsonObject saved = QJsonDocument::fromJson(file.readAll()).object();
    EXPECT(saved.value(QStringLiteral("config"))[QStringLiteral("tanks")][1][QStringLiteral("hmin")].toInt() == hmin,
           "the file holds the cell's edit");
}

// A table edited and saved in its editor, not yet written, is an unsaved
// change: "Считать из контроллера" asks first. Escape sends nothing and
// keeps the edit, which the editor shows again without a read of the
// block; "Сохранить в файл…" puts it into the file chosen, then reads.
void tst_x11input::readAsksBeforeDroppingAnEditedTable()
{
    constexpr int kTankNo = 3;
    constexpr int kEntry = 5;
    const QString read = QStringLiteral("rdfile config 0 0");
    STEP(ReadConfiguration(*m_com1));
    const qint32 edited = ValueBetweenNeighbours(m_com1->File(QString::fromLatin1(kTableFile)), kTankNo, kEntry);
    QVERIFY2(edited != 0, "the stand-in's table rises");
    STEP(EditTableEntry(kTankNo, kEntry, edited));
    EXPECT_SOON(m_x.WindowShown(kMarkedTitle), "the table's edit marks the title");

    const QStringList sent = m_com1->Commands();
    EXPECT(ClickOn(QStringLiteral("widget acIcRead")), "a click on \"Считать из контроллера\"");
    STEP(AnswerQuestion(QStringLiteral("Escape")));
    EXPECT(m_com1->Commands() == sent, "Escape: nothing was sent");
    EXPECT(m_x.WindowShown(kMarkedTitle), "Escape: the title stays marked");
    EXPECT(ClickOn(QStringLiteral("cell DBGridEh1 %1 %2").arg(kTankNo - 1).arg(int(TankColumn::No))),
           "a click on the tank's number");
    std::optional<QRect> cell;
    EXPECT_SOON((cell = m_probe->Where(QStringLiteral("cell DBGridEh1 %1 %2").arg(kTankNo - 1).arg(int(TankColumn::Table)))),
                "the table cell is on screen");
    EXPECT(m_x.ClickAt(TEllipsisDelegate::ButtonRect(*cell).center()), "a click on the table button");
    EXPECT(ShowsSoon(TableTitle(kTankNo)), "the tank's editor opens");
    EXPECT_SOON(m_probe->Text(QStringLiteral("Editor")).split(u'\n').value(kEntry).trimmed() == QString::number(edited),
                "Escape: the editor shows the edit");
    EXPECT(m_com1->Commands() == sent, "the table held in memory was not read again");
    EXPECT(m_x.Keys({QStringLiteral("Escape")}), "Escape");
    EXPECT_SOON(!m_x.WindowShown(kAnyTableTitle), "the editor closes on Escape");

    const QString path = QDir(m_folder->path()).filePath(QStringLiteral("table.json"));
    EXPECT(ClickOn(QStringLiteral("widget acIcRead")), "a click on \"Считать из контроллера\"");
    STEP(AnswerQuestion(QStringLiteral("btnSaveToFile")));
    STEP(ChooseFile(kSaveTitle, path));
    EXPECT_SOON(m_com1->Commands().count(read) == sent.count(read) + 1, "saved: the stand-in received the read");
    EXPECT_SOON(m_x.WindowShown(kUnmarkedTitle), "the read clears the mark");
    STEP(ExpectNoErrorBox());
    QFile file(path);
    EXPECT(file.open(QIODevice::ReadOnly), "the file is written");
    const QJsonObject saved = QJsonDocument::fromJson(file.readAll()).object();
    EXPECT(saved.value(QStringLiteral("tables"))[QString::number(kTankNo)][kEntry].toInt() == edited,
           "the file holds the table's edit");
}

// Closing the window with changes not saved asks first: "Отмена" keeps the
// window, "Не сохранять" ends the program.
void tst_x11input::closeAsksAboutUnsavedChanges()
{
    STEP(ReadConfiguration(*m_com1));
    STEP(TypeIntoBox(QStringLiteral("GPRS"), QStringLiteral("eAPN"), QStringLiteral("edited")));
    EXPECT_SOON(m_x.WindowShown(kMarkedTitle), "the edit marks the title");

    EXPECT(m_x.Keys({QStringLiteral("alt+F4")}), "alt+F4: the window manager closes the window");
    STEP(AnswerQuestion(QStringLiteral("btnCancel")));
    EXPECT(m_x.WindowShown(kMarkedTitle), "\"Отмена\": the window stays, marked");
    EXPECT(m_program->state() == QProcess::Running, "\"Отмена\": the program runs on");
    EXPECT(m_probe->Text(QStringLiteral("eAPN")) == QStringLiteral("edited"), "\"Отмена\": the edit is kept");

    EXPECT(m_x.Keys({QStringLiteral("alt+F4")}), "alt+F4 again");
    STEP(AnswerQuestion(QStringLiteral("btnDiscard")));
    EXPECT(m_program->waitForFinished(kGuardMs), "\"Не сохранять\": the program ends");
    EXPECT(m_program->exitStatus() == QProcess::NormalExit && m_program->exitCode() == 0, "the program ends normally");
}

void tst_x11input::RestartStandIn(const QStringList &faults)
{
    EXPECT(m_com1->Stop(), "the stand-in stops");
    m_com1->SetFaults(faults);
    QString error;
    QVERIFY2(m_com1->Start(&error), qPrintable(error));
    EXPECT_SOON(m_probe->Text(QStringLiteral("StatusPanel0")) == OpenText(1), "the status bar shows COM1 open again");
}

void tst_x11input::failedWriteCheckShowsTheBox_data()
{
    QTest::addColumn<QStringList>("faults"); // of the stand-in, its read being its first command
    QTest::addColumn<QString>("apn");        // typed over the APN; empty: nothing edited
    QTest::addColumn<QString>("box");        // %1: the stand-in's APN

    const QString header = QStringLiteral("Контроллер хранит не ту конфигурацию, что записана; \"reload\" не отправлен:\n\n");
    // A controller that answers every wrfile in words and keeps its bytes.
    QTest::newRow("every write refused")
        << QStringList{QStringLiteral("refuse-write")} << QStringLiteral("edited")
        << header + QStringLiteral("GPRS · APN: в окне «edited», в контроллере «%1».");
    // One that stores the low byte of tank 2's hmax one higher: the chunk at
    // 256 is the write's ninth command, the stand-in's tenth.
    QTest::newRow("a byte stored otherwise")
        << QStringList{QStringLiteral("alter-write:10:10:26")} << QString()
        << header + QStringLiteral("Резервуары · резервуар 2 · Hmax: в окне 3000, в контроллере 3001.");
}

// "Загрузить в контроллер" against a controller that does not store what it
// is sent: one error box names the field in the pages' words, "reload" is
// not sent, and the pages keep what the user typed.
void tst_x11input::failedWriteCheckShowsTheBox()
{
    QFETCH(QStringList, faults);
    QFETCH(QString, apn);
    QFETCH(QString, box);

    STEP(RestartStandIn(faults));
    const qsizetype before = m_com1->Commands().size();
    STEP(ReadConfiguration(*m_com1));
    const QString held = Cp1251::toUnicode(Decoded(m_com1->File(QStringLiteral("config"))).apn.Bytes());
    box.replace(QStringLiteral("%1"), held);
    STEP(ShowPage(QStringLiteral("GPRS")));
    if (!apn.isEmpty()) {
        EXPECT(ClickOn(QStringLiteral("widget eAPN")), "a click into \"APN:\"");
        EXPECT_SOON(m_probe->Ask(QStringLiteral("focus")).startsWith(QStringLiteral("eAPN ")), "\"APN:\" has the focus");
        EXPECT(m_x.Keys({QStringLiteral("ctrl+a")}) && m_x.Type(apn), "typing over the APN");
        EXPECT_SOON(m_probe->Text(QStringLiteral("eAPN")) == apn, "\"APN:\" shows the edit");
    }

    EXPECT(ClickOn(QStringLiteral("widget acIcWrite")), "a click on \"Загрузить в контроллер\"");
    EXPECT(ShowsSoon(kErrorBoxTitle), "an error box shows");
    EXPECT_SOON(m_probe->Text(QStringLiteral("qt_msgbox_label")) == box,
                QStringLiteral("the box names the field, got: ") + m_probe->Text(QStringLiteral("qt_msgbox_label")));
    const QStringList sent = m_com1->Commands().mid(before);
    EXPECT(sent.size() == 1 + 14 + 1 && sent.last() == QStringLiteral("rdfile config 0 429"),
           QStringLiteral("the write and its read-back were sent, then nothing: ") + sent.mid(14).join(u", "));
    EXPECT(!sent.contains(QStringLiteral("reload")), "no reload was sent");

    EXPECT(m_x.Keys({QStringLiteral("Return")}), "Return");
    EXPECT_SOON(!m_x.WindowShown(kErrorBoxTitle), "the box closes on Enter");
    EXPECT(m_x.WindowShown(kMainTitle), "the main window still shows");
    EXPECT(m_probe->Text(QStringLiteral("eAPN")) == (apn.isEmpty() ? held : apn), "\"APN:\" keeps what it showed");
    EXPECT(m_probe->Text(QStringLiteral("StatusOutcome")).isEmpty(), "the status bar claims no write");
    EXPECT(m_com1->Commands().mid(before).size() == sent.size(), "nothing more was sent");
}

// "Сравнить с контроллером" after an edit of the pages and a change on the
// controller: the list names both, the window's value first; only "config"
// is read, Enter closes the list, and the window keeps the edit and its
// mark.
void tst_x11input::compareListsWhatDiffers()
{
    STEP(ReadConfiguration(*m_com1));
    TTerminalConfig controller = Decoded(m_com1->File(QStringLiteral("config")));
    const QString apn = Cp1251::toUnicode(controller.apn.Bytes());
    const int hmax = controller.tanks[1].hmax;
    STEP(TypeIntoBox(QStringLiteral("GPRS"), QStringLiteral("eAPN"), QStringLiteral("edited")));
    EXPECT_SOON(m_x.WindowShown(kMarkedTitle), "the edit marks the title");
    controller.tanks[1].hmax = qint16(hmax - 500);
    EXPECT(m_com1->Stop() && m_com1->SetFile(QStringLiteral("config"), ConfigImage::Encode(controller)),
           "the stand-in's \"config\" changed");
    QString error;
    QVERIFY2(m_com1->Start(&error), qPrintable(error));
    EXPECT_SOON(m_probe->Text(QStringLiteral("StatusPanel0")) == OpenText(1), "the status bar shows COM1 open again");

    const qsizetype before = m_com1->Commands().size();
    EXPECT(ClickOn(QStringLiteral("widget acCompare")), "a click on \"Сравнить с контроллером\"");
    EXPECT(ShowsSoon(kErrorBoxTitle), "the list shows");
    const QString list = QStringLiteral("GPRS · APN: «edited» → «%1»\nРезервуары · резервуар 2 · Hmax: %2 → %3")
                             .arg(apn).arg(hmax).arg(hmax - 500);
    EXPECT_SOON(m_probe->Text(QStringLiteral("mDifferences")) == list,
                QStringLiteral("the list names both, got: ") + m_probe->Text(QStringLiteral("mDifferences")));
    EXPECT(m_com1->Commands().mid(before) == QStringList{QStringLiteral("rdfile config 0 0")}, "only config was read");

    EXPECT(m_x.Keys({QStringLiteral("Return")}), "Return");
    EXPECT_SOON(!m_x.WindowShown(kErrorBoxTitle), "the list closes on Enter");
    EXPECT(m_x.WindowShown(kMarkedTitle), "the title keeps its mark");
    EXPECT(m_probe->Text(QStringLiteral("eAPN")) == QStringLiteral("edited"), "\"APN:\" keeps the edit");
    EXPECT(m_com1->Commands().size() == before + 1, "nothing more was sent");
}

QTEST_GUILESS_MAIN(tst_x11input)
#include "tst_x11input.moc"
