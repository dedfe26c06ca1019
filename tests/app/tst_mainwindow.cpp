// The main window's shell: start-up, the reconnect tick and the status bar,
// the navigation tree, the enabling of the actions, shutdown.
#include "FileDialogAnswer.h"
#include "SettingsFile.h"
#include "SimFixture.h"
#include "UserInput.h"
#include "WindowDriver.h"
#include "app/ErrorBox.h"
#include "app/TerminalLogView.h"
#include "app/TerminalPage.h"
#include "app/UfmMain.h"
#include "common/Version.h"
#include "terminal/ExchangeLine.h"
#include "terminal/Terminal.h"

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScopeGuard>
#include <QStackedWidget>
#include <QTabWidget>
#include <QTreeWidget>
#include <QWindow>
#include <QtTest>

namespace {

QTreeWidgetItem *FindNode(QTreeWidget *tree, const QString &text)
{
    const auto found = tree->findItems(text, Qt::MatchExactly | Qt::MatchRecursive);
    return found.isEmpty() ? nullptr : found.first();
}

} // namespace

class TestMainWindow : public QObject
{
    Q_OBJECT

private slots:
    void startsOnPortOneWithoutSettingsFile();
    void statusPanelFollowsTheReconnectTick();
    void readerFailureReconnectsAtOnce();
    void treeChoosesPages_data();
    void treeChoosesPages();
    void actionsFollowPageAndReading();
    void destroyingOpenWindowReleasesPort();
    void widgetsGoBeforeTheTerminal();
    void errorBoxText_data();
    void errorBoxText();
    void checkedWriteSaysSoUntilTheNextAction();
    void sessionLogFailureStandsBesideTheLinkState();
};

void TestMainWindow::startsOnPortOneWithoutSettingsFile()
{
    SettingsFile settings;
    SimFixture fixture(1);
    TfmMain window;
    window.winId(); // the native window, which carries the title shown
    QCOMPARE(window.windowHandle()->title(),
             QStringLiteral("%1-%2").arg(QLatin1String(Version::ProgramName), QLatin1String(Version::Number)));
    QCOMPARE(window.size(), QSize(767, 474));
    QCOMPARE(window.minimumSize(), window.maximumSize());
    QCOMPARE(window.Station().Terminal().PortNumber(), 1);
    QVERIFY(window.Station().Terminal().Active()); // opened before the window is shown
    QCOMPARE(Child<QLabel>(window, "StatusPanel0")->text(), QString("COM1 открыт"));
    QVERIFY(Action(window, "acIcRead")->isEnabled());
    QVERIFY(Action(window, "acIcWrite")->isEnabled());
    QVERIFY(Action(window, "acConfig")->isEnabled());
    QCOMPARE(Child<QLabel>(window, "lblConfigCaption")->text(), QString("Администрирование"));
    QVERIFY(!QFile::exists(settings.Path()));
}

// The station's reconnect tick (tst_station) reaches the status bar: a
// missing port is shown, and the tick that opens it replaces the text.
void TestMainWindow::statusPanelFollowsTheReconnectTick()
{
    SettingsFile settings;
    QTemporaryDir ports;
    qputenv("KOLT_TARVO_PORTS", ports.path().toLocal8Bit());
    const auto unset = qScopeGuard([] { qunsetenv("KOLT_TARVO_PORTS"); });
    TfmMain window;
    QCOMPARE(Child<QLabel>(window, "StatusPanel0")->text(), QString("COM1: No such file or directory"));

    sim::ControllerSim controller;
    QVERIFY(controller.start(ports.path().toStdString(), 1));
    window.Station().Timer1Timer();
    QCOMPARE(Child<QLabel>(window, "StatusPanel0")->text(), QString("COM1 открыт"));
    QVERIFY(window.Station().Terminal().Active());
}

void TestMainWindow::readerFailureReconnectsAtOnce()
{
    SettingsFile settings;
    SimFixture fixture(1);
    TfmMain window;
    QStringList panelTexts;
    // A link hears the error after the window's own handler, before the close.
    TTerminalLink panel;
    panel.OnError = [&](TTerminal *, const QString &) {
        panelTexts << Child<QLabel>(window, "StatusPanel0")->text();
    };
    window.Station().Terminal().AddLink(&panel);
    const auto unlink = qScopeGuard([&] { window.Station().Terminal().RemoveLink(&panel); });

    fixture.Sim().hangUp();
    QVERIFY(WaitFor([&] { return !panelTexts.isEmpty(); }));
    QCOMPARE(panelTexts, QStringList{"COM1 - COM1: Input/output error"});
    // The closed event's immediate tick has replaced it already.
    QVERIFY(Child<QLabel>(window, "StatusPanel0")->text().startsWith("COM1: "));
}

void TestMainWindow::treeChoosesPages_data()
{
    QTest::addColumn<QString>("node");
    QTest::addColumn<QString>("page");
    QTest::addColumn<QString>("caption");
    QTest::newRow("Администрирование") << "Администрирование" << "tsConfigAdmin" << "Администрирование";
    QTest::newRow("Карты") << "Карты" << "TabSheet1" << "Карты";
    QTest::newRow("Связь shows its first child") << "Связь" << "tsConfigGprs" << "GPRS";
    QTest::newRow("GPRS") << "GPRS" << "tsConfigGprs" << "GPRS";
    QTest::newRow("Http") << "Http" << "tsConfigHttp" << "Http";
    QTest::newRow("Конфигурация АЗС shows its first child") << "Конфигурация АЗС" << "tsConfigTank" << "Резервуары";
    QTest::newRow("Резервуары") << "Резервуары" << "tsConfigTank" << "Резервуары";
    QTest::newRow("ТРК") << "ТРК" << "tsConfigPump" << "ТРК";
}

void TestMainWindow::treeChoosesPages()
{
    QFETCH(QString, node);
    QFETCH(QString, page);
    QFETCH(QString, caption);
    SettingsFile settings;
    TfmMain window;
    QTreeWidgetItem *item = FindNode(Child<QTreeWidget>(window, "tvConfig"), node);
    QVERIFY(item);
    QVERIFY(item->parent() == nullptr || item->parent()->isExpanded());
    QVERIFY(UserInput::Activate(&window));
    ClickNode(window, node);
    QCOMPARE(Child<QTreeWidget>(window, "tvConfig")->currentItem(), item);
    QCOMPARE(Child<QStackedWidget>(window, "pcConfig")->currentWidget()->objectName(), page);
    QCOMPARE(Child<QLabel>(window, "lblConfigCaption")->text(), caption);
}

void TestMainWindow::actionsFollowPageAndReading()
{
    SettingsFile settings;
    SimFixture fixture(1);
    TfmMain window;
    QVERIFY(UserInput::Activate(&window));
    ClickTab(window, "tsTerminal");
    QVERIFY(!Action(window, "acIcRead")->isEnabled());
    QVERIFY(!Action(window, "acIcWrite")->isEnabled());
    ClickTab(window, "tsConfig");
    QVERIFY(Action(window, "acIcRead")->isEnabled());
    QVERIFY(Action(window, "acIcWrite")->isEnabled());

    // The same switch while a read waits for its answer, the line held.
    QList<bool> duringRead;
    connect(&window.Station().Exchanges(), &TExchangeLine::commandStarted, &window, [&] {
        ClickTab(window, "tsTerminal");
        ClickTab(window, "tsConfig");
        duringRead << Action(window, "acIcRead")->isEnabled() << Action(window, "acIcWrite")->isEnabled();
    });
    ClickAction(window, "acIcRead");
    QCOMPARE(duringRead, (QList<bool>{false, false}));
    QVERIFY(Action(window, "acIcRead")->isEnabled());
    QVERIFY(Action(window, "acIcWrite")->isEnabled());
}

void TestMainWindow::destroyingOpenWindowReleasesPort()
{
    SettingsFile settings;
    SimFixture fixture(1);
    auto *window = new TfmMain;
    QVERIFY(window->Station().Terminal().Active());
    delete window; // its closed event must not reopen the port
    TTerminal other;
    other.SetPortNumber(1);
    other.Open();
    QVERIFY(other.Active());
}

void TestMainWindow::widgetsGoBeforeTheTerminal()
{
    SettingsFile settings;
    SimFixture fixture(1);
    auto *window = new TfmMain;
    QVERIFY(UserInput::Activate(window));
    // The terminal page shown, its log holding the echo of a line typed there.
    ClickTab(*window, "tsTerminal");
    UserInput::Click(Child(*window, "cbTx"));
    UserInput::Type("reload");
    UserInput::Key(Qt::Key_Return);
    const auto *log = Child<TTerminalLogView>(*window, "mLog");
    QVERIFY(WaitFor([&] { return log->ShownText().contains("reload"); }));

    QStringList destroyed;
    const auto logEnd = [&](QObject *object, const QString &name) {
        connect(object, &QObject::destroyed, this, [&destroyed, name] { destroyed << name; });
    };
    logEnd(Child(*window, "tsTerminal"), "terminal page");
    logEnd(Child(*window, "ExchangeProgress"), "progress");
    logEnd(&window->Station().Terminal(), "terminal");
    delete window;
    QCOMPARE(destroyed, (QStringList{"terminal page", "progress", "terminal"}));
    QVERIFY(PortOpens(fixture.Port()));
}

void TestMainWindow::errorBoxText_data()
{
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("shown");
    QTest::newRow("letter") << "Таймаут" << "Таймаут.";
    QTest::newRow("digit") << "rdfile config 0 0" << "rdfile config 0 0.";
    QTest::newRow("colon") << "COM1:" << "COM1:.";
    QTest::newRow("full stop") << "Done." << "Done.";
    QTest::newRow("bracket") << "(Null) into type (Integer)" << "(Null) into type (Integer)";
    QTest::newRow("empty") << "" << "";
}

void TestMainWindow::errorBoxText()
{
    QFETCH(QString, message);
    QFETCH(QString, shown);
    QCOMPARE(ErrorBox::WithFullStop(message), shown);
    QCOMPARE(ErrorBox::ApplicationTitle(), QString("tst_mainwindow"));
}

// A write that passed its check says so where the progress was, with the
// controller's answer to "reload"; the tick leaves it, and the next action
// ends it, also one that fails before anything is sent.
void TestMainWindow::checkedWriteSaysSoUntilTheNextAction()
{
    SettingsFile settings;
    SimFixture fixture(1);
    QStringList errors;
    ErrorBox::SetReporter([&](const QString &text) { errors << text; });
    const auto restore = qScopeGuard([] { ErrorBox::SetReporter(nullptr); });
    TfmMain window;
    QVERIFY(UserInput::Activate(&window));
    auto *outcome = Child<QLabel>(window, "StatusOutcome");
    ClickAction(window, "acIcRead");
    QCOMPARE(outcome->text(), QString());

    ClickAction(window, "acIcWrite");
    QCOMPARE(errors, QStringList());
    const QString written = QStringLiteral("Записано и проверено; ответ на \"reload\": OK");
    QCOMPARE(outcome->text(), written);
    window.Station().Timer1Timer();
    QCOMPARE(Child<QLabel>(window, "StatusPanel0")->text(), QStringLiteral("COM1 открыт"));
    QCOMPARE(outcome->text(), written);

    // "Сектор:" emptied: the write stops before its first command.
    ClickNode(window, QStringLiteral("Карты"));
    UserInput::Click(Child<QLineEdit>(window, "eCardSector"));
    UserInput::Key(Qt::Key_A, Qt::ControlModifier);
    UserInput::Key(Qt::Key_Delete);
    const int sent = int(fixture.Sim().commands().size());
    ClickAction(window, "acIcWrite");
    QCOMPARE(errors, QStringList{"Could not convert variant of type (Null) into type (Integer)"});
    QCOMPARE(int(fixture.Sim().commands().size()), sent);
    QCOMPARE(outcome->text(), QString());
}

// A session log that cannot be written says so in the status bar, beside the
// link's state, which the reconnect tick goes on rewriting.
void TestMainWindow::sessionLogFailureStandsBesideTheLinkState()
{
    SettingsFile settings;
    SimFixture fixture(1);
    TfmMain window;
    QVERIFY(UserInput::Activate(&window));
    ClickTab(window, "tsTerminal");
    const FolderWithFile folder;
    const QString path = folder.Path(QStringLiteral("plain/session.log"));
    {
        const auto answer = AnswerFileDialog(path);
        UserInput::Click(Child<QPushButton>(window, "btnSessionLog"));
        QCOMPARE(answer->Opened, 1);
    }
    const QString outcome = Child<QLabel>(window, "StatusOutcome")->text();
    QVERIFY2(outcome.startsWith(QStringLiteral("Не удалось открыть журнал %1: ").arg(QDir::toNativeSeparators(path))),
             qPrintable(outcome));
    window.Station().Timer1Timer();
    QCOMPARE(Child<QLabel>(window, "StatusPanel0")->text(), QStringLiteral("COM1 открыт"));
    QVERIFY(Child<QLabel>(window, "StatusPanel0")->isVisible());
    QCOMPARE(Child<QLabel>(window, "StatusOutcome")->text(), outcome);
}

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
