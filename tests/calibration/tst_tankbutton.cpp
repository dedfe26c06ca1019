// The tank grid's table button in the main window: fetch, editor, reset by a
// read and write-back after the configuration.
#include "SimFixture.h"
#include "WindowDriver.h"
#include "app/ConfigPages.h"
#include "app/ErrorBox.h"
#include "calibration/CalibrationEditor.h"
#include "calibration/UfmTankCalibration.h"
#include "config/TerminalConfig.h"
#include "terminal/Exchange.h"
#include "terminal/ExchangeLine.h"

#include <QPushButton>
#include <QStackedWidget>
#include <QTest>

namespace {

void Cancel(TfmTankCalibration *dialog)
{
    UserInput::Click(dialog->findChild<QPushButton *>("Button2"));
}

// The window shown and active, its configuration read, the tank page shown.
void ReadAndShowTanks(TfmMain &window)
{
    QVERIFY(UserInput::Activate(&window));
    ClickAction(window, "acIcRead");
    ShowTankPage(window);
}

} // namespace

class TankButtonTest : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void firstPressFetchesThenEditorOpens_data();
    void firstPressFetchesThenEditorOpens();
    void editedTableIsWrittenAfterConfigAndDroppedByRead();
    void noCurrentRowTouchesNoSlot();
    void buttonFollowsTheExchangeLine();

private:
    QStringList m_errors;
};

void TankButtonTest::init()
{
    m_errors.clear();
    ErrorBox::SetReporter([this](const QString &text) { m_errors.append(text); });
}

void TankButtonTest::cleanup()
{
    ErrorBox::SetReporter(nullptr);
}

void TankButtonTest::firstPressFetchesThenEditorOpens_data()
{
    // Tank 1 is current after the read. The station's fetch of each tank is
    // tst_station's; here the press reaches the row's tank.
    QTest::addColumn<int>("tank");
    QTest::newRow("the current row") << 1;
    QTest::newRow("another row") << 4;
}

void TankButtonTest::firstPressFetchesThenEditorOpens()
{
    QFETCH(int, tank);
    SettingsFile settings;
    SimFixture fixture;
    TfmMain window;
    ReadAndShowTanks(window);
    QCOMPARE(m_errors, QStringList());
    QCOMPARE(TankGrid(window)->currentIndex().row(), 0);
    const int hmax = window.Station().Configuration().tanks[tank - 1].hmax;

    // What the window allows while the table is being read.
    bool readEnabled = true;
    bool tableButtonsEnabled = true;
    connect(&window.Station().Exchanges(), &TExchangeLine::commandStarted, this, [&] {
        readEnabled = Action(window, "acIcRead")->isEnabled() || Action(window, "acIcWrite")->isEnabled();
        tableButtonsEnabled = TableButtonsEnabled(window);
    });
    QString caption;
    QStringList lines;
    ModalDriver<TfmTankCalibration> driver([&](TfmTankCalibration *dialog) {
        caption = dialog->windowTitle();
        auto *editor = dialog->findChild<TCalibrationEditor *>("Editor");
        for (int i = 0; i < editor->LineCount(); ++i)
            lines.append(editor->Line(i));
        Cancel(dialog);
    });
    fixture.Sim().clearTranscript();

    ClickTableButton(window, tank - 1);
    QCOMPARE(Commands(fixture.Sim()), QStringList{QStringLiteral("rdfile tanks.tbl %1 1600").arg(1600 * (tank - 1))});
    QCOMPARE(TankGrid(window)->currentIndex().row(), tank - 1);
    QVERIFY(!readEnabled);
    QVERIFY(!tableButtonsEnabled);
    QVERIFY(Action(window, "acIcRead")->isEnabled() && Action(window, "acIcWrite")->isEnabled());
    QVERIFY(Child(window, "tsConfigTank")->isEnabled());
    QVERIFY(TableButtonsEnabled(window));
    QCOMPARE(driver.Opened, 1);
    QCOMPARE(caption, QStringLiteral("Р#%1: Градуировочная таблица").arg(tank));
    const TankTable &slot = window.Station().TankTables()[tank - 1];
    QVERIFY(slot.Loaded);
    QCOMPARE(slot.HMax, hmax);
    QCOMPARE(lines.size(), qMin(hmax / 10 + 1, 400));
    for (int k = 0; k < lines.size(); ++k)
        QCOMPARE(lines[k], QString::asprintf("%7d", slot.Volumes[k]));

    ClickTableButton(window, tank - 1);
    QCOMPARE(Commands(fixture.Sim()).size(), 1); // held in the slot now
    QCOMPARE(driver.Opened, 2);
    QVERIFY(!driver.LeftOpen);
    QCOMPARE(m_errors, QStringList());
}

void TankButtonTest::editedTableIsWrittenAfterConfigAndDroppedByRead()
{
    SettingsFile settings;
    SimFixture fixture;
    TfmMain window;
    ReadAndShowTanks(window);
    ModalDriver<TfmTankCalibration> driver([](TfmTankCalibration *dialog) {
        // The first three lines typed over, below them the stand-in's rising
        // values.
        QVERIFY(UserInput::Activate(dialog));
        UserInput::Click(dialog->findChild<TCalibrationEditor *>("Editor"));
        UserInput::Key(Qt::Key_Home, Qt::ControlModifier);
        for (int line = 0; line < 3; ++line)
            UserInput::Key(Qt::Key_Down, Qt::ShiftModifier);
        UserInput::Type("3\n10\n17\n");
        UserInput::Click(dialog->findChild<QPushButton *>("btnOk"));
    });
    ClickTableButton(window, 1);
    QVERIFY(window.Station().TankTables()[1].Modified);
    QCOMPARE(window.Station().TankTables()[1].Volumes[2], 17);

    fixture.Sim().clearTranscript();
    ClickAction(window, "acIcWrite");
    QCOMPARE(m_errors, QStringList());
    const QStringList commands = Commands(fixture.Sim());
    QCOMPARE(commands.size(), 14 + 2 + 50 + 1);
    QCOMPARE(commands[14], QStringLiteral("rdfile config 0 429"));
    QCOMPARE(commands[15], QStringLiteral("reload"));
    for (int chunk = 0; chunk < 50; ++chunk)
        QVERIFY(commands[16 + chunk].startsWith(QStringLiteral("wrfile tanks.tbl %1 ").arg(1600 + 32 * chunk)));
    QCOMPARE(commands.last(), QStringLiteral("rdfile tanks.tbl 1600 1600"));
    QVERIFY(!window.Station().TankTables()[1].Modified);
    QVERIFY(window.Station().TankTables()[1].Loaded);

    ClickAction(window, "acIcRead");
    QVERIFY(!window.Station().TankTables()[1].Loaded);
    QCOMPARE(window.Station().TankTables()[1].Volumes[2], 0);
    QVERIFY(!driver.LeftOpen);
}

void TankButtonTest::noCurrentRowTouchesNoSlot()
{
    SettingsFile settings;
    SimFixture fixture;
    TfmMain window; // no read: the tank grid has no row
    ModalDriver<TfmTankCalibration> driver(Cancel);
    fixture.Sim().clearTranscript();

    // No row to click: the handler is run as the button would run it.
    emit Child<TConfigPages>(window, "ConfigPages")->tableButtonClicked();
    QVERIFY(SentinelTaken(window.Station().Terminal(), fixture.Sim()));
    QCOMPARE(Commands(fixture.Sim()), QStringList(kSentinelCommand));
    QCOMPARE(driver.Opened, 0);
    QCOMPARE(m_errors, QStringList());
    // No slot touched: tst_station's fetchWithoutSlotTouchesNothing.
    for (const TankTable &slot : window.Station().TankTables())
        QVERIFY(!slot.Loaded && !slot.Modified);
}

// While any operation holds the window's line the table buttons ignore the
// mouse; afterwards the same click fetches the table.
void TankButtonTest::buttonFollowsTheExchangeLine()
{
    SettingsFile settings;
    SimFixture fixture;
    TfmMain window;
    ReadAndShowTanks(window);
    ModalDriver<TfmTankCalibration> driver(Cancel);
    fixture.Sim().clearTranscript();
    QVERIFY(TableButtonsEnabled(window));
    {
        const TExchange exchange(window.Station().Exchanges());
        QVERIFY(!TableButtonsEnabled(window));
        ClickTableButton(window, 1); // a press would be handled within the click
        QCOMPARE(m_errors, QStringList());
        QCOMPARE(Commands(fixture.Sim()), QStringList());
        QCOMPARE(driver.Opened, 0);
        QVERIFY(!window.Station().TankTables()[1].Loaded);
    }
    QVERIFY(TableButtonsEnabled(window));
    ClickTableButton(window, 1);
    QCOMPARE(Commands(fixture.Sim()), QStringList{"rdfile tanks.tbl 1600 1600"});
    QCOMPARE(driver.Opened, 1);
    QVERIFY(window.Station().TankTables()[1].Loaded);
    QCOMPARE(m_errors, QStringList());
}

QTEST_MAIN(TankButtonTest)
#include "tst_tankbutton.moc"
