// The connection dialog and the action behind "Связь", driven through the
// real widgets against controller stand-ins on COM1 and COM2.
#include "SettingsFile.h"
#include "SimFixture.h"
#include "UserInput.h"
#include "WindowDriver.h"
#include "app/ErrorBox.h"
#include "app/NumericEdit.h"
#include "app/UfmConn.h"
#include "app/UfmMain.h"
#include "common/Error.h"
#include "terminal/Terminal.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QWindow>
#include <QtTest>

namespace {

enum class Closing { OkButton, EnterKey, CancelButton, EscapeKey, CloseButton };

// Two stand-ins, a settings file of their own and the error boxes shown.
struct Stand
{
    Stand() { ErrorBox::SetReporter([this](const QString &text) { errorBoxes.append(text); }); }
    ~Stand() { ErrorBox::SetReporter({}); }
    sim::ControllerSim &Sim(int port) { return port == 1 ? com1.Sim() : *com2; }

    SimFixture com1{1};
    std::unique_ptr<sim::ControllerSim> com2 = com1.StartAnother(2);
    SettingsFile settings;
    QStringList errorBoxes;
};

// The settings file's text, empty when it does not exist.
QString FileText(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromLocal8Bit(file.readAll()) : QString();
}

void WriteFile(const QString &path, const QString &text)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(text.toLocal8Bit());
}

// Replaces the field's text as typed; an empty text is deleted.
void Type(TfmConn &dialog, const QString &text)
{
    UserInput::Click(dialog.eComPort);
    UserInput::Key(Qt::Key_A, Qt::ControlModifier);
    if (text.isEmpty())
        UserInput::Key(Qt::Key_Delete);
    else
        UserInput::Type(text);
}

// The keys go to the field, which holds the focus after typing.
void Close(TfmConn &dialog, Closing how)
{
    switch (how) {
    case Closing::OkButton:
        UserInput::Click(dialog.btnOk);
        break;
    case Closing::EnterKey:
        UserInput::Key(Qt::Key_Return);
        break;
    case Closing::CancelButton:
        UserInput::Click(dialog.Button2);
        break;
    case Closing::EscapeKey:
        UserInput::Key(Qt::Key_Escape);
        break;
    case Closing::CloseButton:
        dialog.windowHandle()->close(); // as the title bar's button asks
        break;
    }
}

// Clicks "Связь" and hands the modal dialog, once active, to act. True when
// act ran and closed the dialog itself.
bool RunConnDialog(TfmMain &window, const std::function<void(TfmConn &)> &act)
{
    ModalDriver<TfmConn> driver([&](TfmConn *dialog) {
        if (UserInput::Activate(dialog))
            act(*dialog);
    });
    if (!UserInput::Activate(&window))
        return false;
    ClickAction(window, "acConfig");
    return driver.Opened == 1 && !driver.LeftOpen;
}

const QString kSentinel = QStringLiteral("(before)");

} // namespace

Q_DECLARE_METATYPE(Closing)

class TestConn : public QObject
{
    Q_OBJECT

private slots:
    void layout();
    void deviceLine_data();
    void deviceLine();
    void emptyFieldDisablesOk();
    void confirmOrCancel_data();
    void confirmOrCancel();
    void unwritableSettings_data();
    void unwritableSettings();
};

void TestConn::layout()
{
    Stand stand;
    TfmMain window;
    window.move(20, 30); // away from the middle of the screen
    const bool closed = RunConnDialog(window, [&](TfmConn &dialog) {
        QCOMPARE(dialog.parentWidget(), static_cast<QWidget *>(&window));
        QCOMPARE(dialog.windowTitle(), QString("Настройки подключения"));
        QCOMPARE(dialog.size(), QSize(248, 106));
        QCOMPARE(dialog.minimumSize(), dialog.maximumSize());
        const Qt::WindowFlags flags = dialog.windowFlags();
        QVERIFY(flags & Qt::WindowCloseButtonHint);
        QVERIFY(!(flags & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint
                           | Qt::WindowContextHelpButtonHint)));
        // Centred on the window, give or take the rounding of odd sizes.
        QVERIFY((dialog.frameGeometry().center() - window.frameGeometry().center()).manhattanLength() <= 1);
        QCOMPARE(dialog.font().family(), QString("Tahoma"));
        QCOMPARE(dialog.font().pointSize(), 8);

        const struct
        {
            QWidget *widget;
            QRect geometry;
        } placed[] = {
            {dialog.Label4, QRect(16, 20, 73, 21)},
            {dialog.eComPort, QRect(96, 20, 137, 21)},
            {dialog.btnOk, QRect(72, 72, 75, 25)},
            {dialog.Button2, QRect(160, 72, 75, 25)},
        };
        for (const auto &item : placed)
            QCOMPARE(item.widget->geometry(), item.geometry);
        QCOMPARE(dialog.Label4->text(), QString("COM порт:"));
        QVERIFY(dialog.Label4->alignment() & Qt::AlignVCenter);
        QCOMPARE(dialog.btnOk->text(), QString("OK"));
        QCOMPARE(dialog.Button2->text(), QString("Отмена"));
        QVERIFY(dialog.btnOk->isDefault());

        // Opens with the current number and OK enabled.
        QCOMPARE(dialog.eComPort->text(), QString("1"));
        QVERIFY(dialog.btnOk->isEnabled());
        Close(dialog, Closing::EscapeKey);
    });
    QVERIFY(closed);
}

void TestConn::deviceLine_data()
{
    // %dir is the stand-ins' directory, %pts the slave of the one on COM1.
    QTest::addColumn<bool>("portsDir");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("expected");
    QTest::newRow("stand-in") << true << "1" << "Устройство: %dir/COM1 → %pts";
    QTest::newRow("no link") << true << "5" << "Устройство: %dir/COM5 (нет)";
    QTest::newRow("dangling link") << true << "7" << "Устройство: %dir/COM7 → %dir/gone (нет)";
    QTest::newRow("system port") << false << "999" << "Устройство: /dev/ttyS998 (нет)";
    QTest::newRow("empty field") << true << "" << "";
}

void TestConn::deviceLine()
{
    QFETCH(bool, portsDir);
    QFETCH(QString, typed);
    QFETCH(QString, expected);
    SimFixture fixture(1);
    const QString dir = fixture.PortsDir();
    QVERIFY(QFile::link(dir + "/gone", dir + "/COM7"));
    if (!portsDir)
        qunsetenv("KOLT_TARVO_PORTS");
    expected.replace("%dir", dir).replace("%pts", QString::fromStdString(fixture.Sim().slavePath()));

    TfmConn dialog;
    dialog.SetPortNumber(3);
    QVERIFY(UserInput::Activate(&dialog));
    const QString before = dialog.lblDevice->toolTip();
    QVERIFY(before.startsWith("Устройство: "));
    Type(dialog, typed);
    QCOMPARE(dialog.lblDevice->toolTip(), expected);
    QVERIFY(dialog.lblDevice->toolTip() != before);
    // One line that fits the dialog, cut in the middle when too long.
    const QString shown = dialog.lblDevice->text();
    QVERIFY(!shown.contains('\n'));
    QVERIFY(dialog.lblDevice->fontMetrics().horizontalAdvance(shown) <= dialog.lblDevice->width());
    QCOMPARE(shown.isEmpty(), expected.isEmpty());
    QVERIFY(dialog.lblDevice->geometry().bottom() < dialog.btnOk->geometry().top());
}

void TestConn::emptyFieldDisablesOk()
{
    Stand stand;
    TfmMain window;
    window.Station().Stop(); // ticks only when the test calls for one
    const bool closed = RunConnDialog(window, [](TfmConn &dialog) {
        Type(dialog, "");
        QVERIFY(!dialog.btnOk->isEnabled());
        Close(dialog, Closing::EnterKey);
        QVERIFY(dialog.isVisible());
        Type(dialog, "2");
        QVERIFY(dialog.btnOk->isEnabled());
        Type(dialog, "");
        QVERIFY(!dialog.btnOk->isEnabled());
        Close(dialog, Closing::EscapeKey);
    });
    QVERIFY(closed);
    QCOMPARE(window.Station().Terminal().PortNumber(), 1);
    QVERIFY(window.Station().Terminal().Active());
    QVERIFY(!QFile::exists(stand.settings.Path()));
}

void TestConn::confirmOrCancel_data()
{
    QTest::addColumn<QString>("fileBefore"); // empty: no settings file
    QTest::addColumn<QString>("typed");      // empty: the number shown is kept
    QTest::addColumn<Closing>("how");
    QTest::addColumn<int>("port");
    QTest::addColumn<QString>("fileAfter");
    QTest::addColumn<QString>("status");
    QTest::addColumn<QStringList>("linkEvents");

    const QString one = "[conn]\nport=1\n";
    // The window's own closed handler reopens the port before the link
    // hears of the close.
    const QStringList reopened{"open", "close"};
    QTest::newRow("OK with a new number") << "" << "2" << Closing::OkButton << 2 << "[conn]\nport=2\n"
                                          << "COM2 открыт" << reopened;
    QTest::newRow("Enter with the same number") << "" << "" << Closing::EnterKey << 1 << one
                                                << "COM1 открыт" << reopened;
    QTest::newRow("OK with a negative number") << one << "-4" << Closing::OkButton << -4
                                               << "[conn]\nport=-4\n"
                                               << "COM-4: No such file or directory"
                                               << QStringList{"close"};
    QTest::newRow("Cancel") << one << "2" << Closing::CancelButton << 1 << one << "COM1 открыт"
                            << QStringList();
    QTest::newRow("Escape") << "" << "2" << Closing::EscapeKey << 1 << "" << "COM1 открыт"
                            << QStringList();
    QTest::newRow("close button") << one << "2" << Closing::CloseButton << 1 << one << "COM1 открыт"
                                  << QStringList();
}

void TestConn::confirmOrCancel()
{
    QFETCH(QString, fileBefore);
    QFETCH(QString, typed);
    QFETCH(Closing, how);
    QFETCH(int, port);
    QFETCH(QString, fileAfter);
    QFETCH(QString, status);
    QFETCH(QStringList, linkEvents);

    Stand stand;
    if (!fileBefore.isEmpty())
        WriteFile(stand.settings.Path(), fileBefore);
    QStringList events;
    TTerminalLink link; // outlives the window's terminal, whose closing it hears
    link.OnOpen = [&](TTerminal *) { events << "open"; };
    link.OnClose = [&](TTerminal *) { events << "close"; };
    TfmMain window;
    window.Station().Stop(); // ticks only when the test calls for one
    QVERIFY(window.Station().Terminal().Active());
    window.Station().Terminal().AddLink(&link);
    Child<QLabel>(window, "StatusPanel0")->setText(kSentinel);

    const bool closed = RunConnDialog(window, [&](TfmConn &dialog) {
        if (!typed.isEmpty())
            Type(dialog, typed);
        Close(dialog, how);
    });
    QVERIFY(closed);
    QCOMPARE(events, linkEvents);
    QCOMPARE(window.Station().Terminal().PortNumber(), port);
    QCOMPARE(FileText(stand.settings.Path()), fileAfter);
    QCOMPARE(Child<QLabel>(window, "StatusPanel0")->text(), status);
    QVERIFY(stand.errorBoxes.isEmpty());

    // Every later tick reports the same.
    for (int tick = 0; tick < 2; ++tick) {
        Child<QLabel>(window, "StatusPanel0")->setText(kSentinel);
        window.Station().Timer1Timer();
        QCOMPARE(Child<QLabel>(window, "StatusPanel0")->text(), status);
    }

    // COM1 is free exactly when the link left it, and the link reaches the
    // stand-in on its port.
    QCOMPARE(PortOpens(1), port != 1);
    if (window.Station().Terminal().Active()) {
        window.Station().Terminal().Send("reload\r");
        QVERIFY(WaitFor([&] { return stand.Sim(port).reloadCount() == 1; }));
    }
}

void TestConn::unwritableSettings_data()
{
    QTest::addColumn<bool>("linkOpen");
    QTest::newRow("link open") << true;
    QTest::newRow("link closed") << false;
}

void TestConn::unwritableSettings()
{
    QFETCH(bool, linkOpen);
    Stand stand;
    stand.settings.Use(QFileInfo(stand.settings.Path()).absolutePath() + "/missing/kolt-tarvo-conf.ini");
    if (!linkOpen)
        stand.com1.Sim().stop();
    TfmMain window;
    window.Station().Stop(); // ticks only when the test calls for one
    QCOMPARE(window.Station().Terminal().Active(), linkOpen);
    Child<QLabel>(window, "StatusPanel0")->setText(kSentinel);

    const bool closed = RunConnDialog(window, [](TfmConn &dialog) {
        Type(dialog, "2");
        Close(dialog, Closing::OkButton);
    });
    QVERIFY(closed);
    QCOMPARE(stand.errorBoxes, QStringList("Unable to write to " + stand.settings.Path() + "."));
    QCOMPARE(window.Station().Terminal().PortNumber(), 2);
    QVERIFY(!QFile::exists(stand.settings.Path()));
    // An open link has moved already; otherwise no tick followed the error.
    QCOMPARE(window.Station().Terminal().Active(), linkOpen);
    QCOMPARE(Child<QLabel>(window, "StatusPanel0")->text(), linkOpen ? QString("COM2 открыт") : kSentinel);

    window.Station().Timer1Timer();
    QCOMPARE(Child<QLabel>(window, "StatusPanel0")->text(), QString("COM2 открыт"));
}

QTEST_MAIN(TestConn)
#include "tst_conn.moc"
