// The window's end and its dialogs while the link goes away: a close during
// an exchange, and the stand-in hanging up while a modal dialog is open.
#include "SimFixture.h"
#include "WindowDriver.h"
#include "app/ConfigPages.h"
#include "app/ErrorBox.h"
#include "app/UfmConn.h"
#include "common/Error.h"
#include "terminal/ExchangeLine.h"
#include "terminal/Terminal.h"

#include <QAction>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QWindow>

namespace {

// Logs the window's hiding.
class HideLog : public QObject
{
public:
    HideLog(QWidget *watched, QStringList &log) : m_log(log) { watched->installEventFilter(this); }

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Hide)
            m_log << "hidden";
        return false;
    }

private:
    QStringList &m_log;
};

enum class Dialog { Calibration, Connection };

} // namespace

Q_DECLARE_METATYPE(Dialog)

class ShutdownTest : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void closeDuringReadWaitsForIt();
    void hangUpWhileDialogOpen_data();
    void hangUpWhileDialogOpen();

private:
    QStringList m_errors;
};

void ShutdownTest::init()
{
    m_errors.clear();
    ErrorBox::SetReporter([this](const QString &text) { m_errors.append(text); });
}

void ShutdownTest::cleanup()
{
    ErrorBox::SetReporter(nullptr);
}

void ShutdownTest::closeDuringReadWaitsForIt()
{
    SettingsFile settings;
    SimFixture fixture;
    auto window = std::make_unique<TfmMain>();
    QVERIFY(UserInput::Activate(window.get()));

    QStringList log;
    HideLog hides(window.get(), log);
    connect(&window->Station().Exchanges(), &TExchangeLine::commandFinished, this,
            [&](const TExchangeStep &step, bool succeeded) {
                log << QStringLiteral("%1 %2").arg(QString::fromLatin1(step.Command), succeeded ? "done" : "failed");
            });
    // The close comes with the answer's first chunk, which the window's
    // station hears before the read does.
    const auto firstChunk = std::make_shared<QMetaObject::Connection>();
    *firstChunk = connect(&window->Station(), &TStation::dataReceived, this, [&, firstChunk] {
        disconnect(*firstChunk);
        window->windowHandle()->close(); // as the title bar's button asks
        log << (window->isVisible() ? "close deferred" : "closed at once");
    });

    ClickAction(*window, "acIcRead");
    QCOMPARE(m_errors, QStringList());
    QCOMPARE(TankGrid(*window)->model()->rowCount(), 6);
    QVERIFY(WaitFor([&] { return !window->isVisible(); }));
    QCOMPARE(log, (QStringList{"close deferred", "rdfile config 0 0 done", "hidden"}));
    QCOMPARE(Commands(fixture.Sim()), QStringList{"rdfile config 0 0"});

    window.reset();
    QVERIFY(PortOpens(fixture.Port()));
}

void ShutdownTest::hangUpWhileDialogOpen_data()
{
    QTest::addColumn<Dialog>("dialog");
    QTest::newRow("calibration editor after a fetch") << Dialog::Calibration;
    QTest::newRow("connection dialog") << Dialog::Connection;
}

void ShutdownTest::hangUpWhileDialogOpen()
{
    QFETCH(Dialog, dialog);
    SettingsFile settings;
    SimFixture fixture;
    QStringList log;
    TTerminalLink errors; // outlives the window's terminal
    errors.OnError = [&](TTerminal *, const QString &) { log << "error"; };
    TfmMain window;
    QVERIFY(UserInput::Activate(&window));
    ClickAction(window, "acIcRead");
    QCOMPARE(m_errors, QStringList());

    window.Station().Terminal().AddLink(&errors);
    ModalDriver<QDialog> driver([&](QDialog *open) {
        connect(open, &QDialog::finished, this, [&log] { log << "closed"; });
        fixture.Sim().hangUp();
        if (!WaitFor([&] { return !log.isEmpty(); }))
            return; // left open: the driver rejects it and the test fails
        // The dialog still takes input and closes by its own button.
        auto *cancel = open->findChild<QPushButton *>("Button2");
        if (open->isVisible() && open->isEnabled() && cancel)
            UserInput::Click(cancel);
    });

    if (dialog == Dialog::Calibration) {
        ShowTankPage(window);
        ClickTableButton(window, 0);
        QVERIFY(window.Station().TankTables()[0].Loaded);
    } else {
        ClickAction(window, "acConfig");
    }
    QCOMPARE(driver.Opened, 1);
    QVERIFY(!driver.LeftOpen);
    QCOMPARE(log, (QStringList{"error", "closed"}));
    QCOMPARE(m_errors, QStringList());
    // The reconnect after the reader's failure finds the line dead.
    QVERIFY(Child<QLabel>(window, "StatusPanel0")->text().startsWith("COM1: "));
    QVERIFY(!window.Station().Terminal().Active());
    QVERIFY(Action(window, "acIcRead")->isEnabled() && Action(window, "acIcWrite")->isEnabled());
}

QTEST_MAIN(ShutdownTest)
#include "tst_shutdown.moc"
