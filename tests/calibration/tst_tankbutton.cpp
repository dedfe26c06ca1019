// The tank grid's table button in the main window: fetch, editor, reset by a
// read and write-back after the configuration.
#include "ModalDriver.h"
#include "SettingsFile.h"
#include "SimFixture.h"
#include "app/ConfigGrid.h"
#include "app/ConfigPages.h"
#include "app/ErrorBox.h"
#include "app/UfmMain.h"
#include "calibration/CalibrationEditor.h"
#include "calibration/UfmTankCalibration.h"
#include "terminal/Terminal.h"

#include <QAction>
#include <QApplication>
#include <QPointer>
#include <QPushButton>
#include <QStackedWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

namespace {

void Cancel(TfmTankCalibration *dialog)
{
    dialog->findChild<QPushButton *>("Button2")->click();
}

QStringList Commands(sim::ControllerSim &sim)
{
    QStringList commands;
    for (const std::string &command : sim.commands())
        commands.append(QString::fromStdString(command));
    return commands;
}

void SelectTankRow(TfmMain &window, int row)
{
    auto *grid = window.findChild<TConfigGrid *>("DBGridEh1");
    grid->setCurrentIndex(grid->model()->index(row, 1));
}

} // namespace

class TankButtonTest : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void firstPressFetchesThenEditorOpens();
    void editedTableIsWrittenAfterConfigAndDroppedByRead();
    void noCurrentRowTouchesNoSlot();

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

void TankButtonTest::firstPressFetchesThenEditorOpens()
{
    SettingsFile settings;
    SimFixture fixture;
    TfmMain window;
    window.acIcRead->trigger();
    QCOMPARE(m_errors, QStringList());
    SelectTankRow(window, 2);
    const int hmax = window.ConfigPages->CurrentTank()->hmax;

    // What the window allows while the table is being read.
    bool readEnabled = true;
    bool tankPageEnabled = true;
    connect(&window.Terminal(), &TTerminal::commandStarted, this, [&](const QByteArray &) {
        readEnabled = window.acIcRead->isEnabled() || window.acIcWrite->isEnabled();
        tankPageEnabled = window.pcConfig->widget(3)->isEnabled();
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

    emit window.ConfigPages->tableButtonClicked();
    QCOMPARE(Commands(fixture.Sim()), QStringList{"rdfile tanks.tbl 3200 1600"});
    QVERIFY(!readEnabled);
    QVERIFY(!tankPageEnabled);
    QVERIFY(window.acIcRead->isEnabled() && window.acIcWrite->isEnabled());
    QVERIFY(window.pcConfig->widget(3)->isEnabled());
    QCOMPARE(driver.Opened, 1);
    QCOMPARE(caption, QStringLiteral("Р#3: Градуировочная таблица"));
    const TankTable &slot = window.TankTables[2];
    QVERIFY(slot.Loaded);
    QCOMPARE(slot.HMax, hmax);
    QCOMPARE(lines.size(), qMin(hmax / 10 + 1, 400));
    QCOMPARE(lines.value(1), QString::asprintf("%7d", slot.Volumes[1]));

    emit window.ConfigPages->tableButtonClicked();
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
    window.acIcRead->trigger();
    SelectTankRow(window, 1);
    ModalDriver<TfmTankCalibration> driver([](TfmTankCalibration *dialog) {
        auto *editor = dialog->findChild<TCalibrationEditor *>("Editor");
        QStringList rising;
        for (int i = 0; i < editor->LineCount(); ++i)
            rising.append(QString::number(7 * i + 3));
        editor->setPlainText(rising.join('\n'));
        dialog->findChild<QPushButton *>("btnOk")->click();
    });
    emit window.ConfigPages->tableButtonClicked();
    QVERIFY(window.TankTables[1].Modified);
    QCOMPARE(window.TankTables[1].Volumes[2], 17);

    fixture.Sim().clearTranscript();
    window.acIcWrite->trigger();
    QCOMPARE(m_errors, QStringList());
    const QStringList commands = Commands(fixture.Sim());
    QCOMPARE(commands.size(), 14 + 1 + 50);
    QCOMPARE(commands[14], QStringLiteral("reload"));
    for (int chunk = 0; chunk < 50; ++chunk)
        QVERIFY(commands[15 + chunk].startsWith(QStringLiteral("wrfile tanks.tbl %1 ").arg(1600 + 32 * chunk)));
    QVERIFY(!window.TankTables[1].Modified);
    QVERIFY(window.TankTables[1].Loaded);

    window.acIcRead->trigger();
    QVERIFY(!window.TankTables[1].Loaded);
    QCOMPARE(window.TankTables[1].Volumes[2], 0);
    QVERIFY(!driver.LeftOpen);
}

void TankButtonTest::noCurrentRowTouchesNoSlot()
{
    SettingsFile settings;
    SimFixture fixture;
    TfmMain window; // no read: the tank grid has no row
    for (TankTable &slot : window.TankTables)
        slot.HMax = 55;
    ModalDriver<TfmTankCalibration> driver(Cancel);
    fixture.Sim().clearTranscript();

    emit window.ConfigPages->tableButtonClicked();
    Pump(50);
    QCOMPARE(Commands(fixture.Sim()), QStringList());
    QCOMPARE(driver.Opened, 0);
    QCOMPARE(m_errors, QStringList());
    for (const TankTable &slot : window.TankTables) {
        QVERIFY(!slot.Loaded && !slot.Modified);
        QCOMPARE(slot.HMax, 55);
    }
}

QTEST_MAIN(TankButtonTest)
#include "tst_tankbutton.moc"
