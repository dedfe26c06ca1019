// The configuration pages of the main window against the controller stand-in.
#include "SettingsFile.h"
#include "SimFixture.h"
#include "app/ConfigPages.h"
#include "app/EllipsisDelegate.h"
#include "app/ErrorBox.h"
#include "app/NumericEdit.h"
#include "app/UfmMain.h"
#include "config/ConfigDataSet.h"
#include "config/ConfigImage.h"
#include "config/TerminalConfig.h"
#include "terminal/Terminal.h"

#include <QAction>
#include <QComboBox>
#include <QLineEdit>
#include <QStackedWidget>
#include <QTableView>
#include <QTest>

class TestConfigPages : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void readFillsPages();
    void writeAfterStartUp();
    void inputErrorSendsNothing_data();
    void inputErrorSendsNothing();
    void failedReadLeavesPagesEmpty();
    void nozzleEditSurvivesDispenserChange();
    void levelGaugeTypeKeyAndText();
    void tableButtonActsOnItsRow();

private:
    template<typename T = QLineEdit>
    T *Find(const char *name) const
    {
        T *child = window->findChild<T *>(QString::fromLatin1(name));
        if (!child)
            qFatal("no widget %s", name);
        return child;
    }
    QTableView *Grid(const char *name) const { return Find<QTableView>(name); }
    TConfigDataSet *DataSet(const char *name) const { return Find<TConfigDataSet>(name); }
    QByteArray SimConfig() const { return QByteArray::fromStdString(fixture->Sim().file("config")); }
    // Triggers an action and waits until it has finished.
    void Run(QAction *action);
    QWidget *OpenEditor(QTableView *grid, int row, int column);

    std::unique_ptr<SettingsFile> settings;
    std::unique_ptr<SimFixture> fixture;
    std::unique_ptr<TfmMain> window;
    QStringList errors;
};

void TestConfigPages::init()
{
    settings = std::make_unique<SettingsFile>();
    fixture = std::make_unique<SimFixture>(1);
    window = std::make_unique<TfmMain>();
    window->Terminal().SetPortNumber(fixture->Port());
    window->show();
    errors.clear();
    ErrorBox::SetReporter([this](const QString &text) { errors << text; });
    fixture->Sim().clearTranscript();
}

void TestConfigPages::cleanup()
{
    ErrorBox::SetReporter({});
    window.reset();
    fixture.reset();
    settings.reset();
}

void TestConfigPages::Run(QAction *action)
{
    QVERIFY(action->isEnabled());
    action->trigger();
    // The action's handler returns only when its exchange has ended.
    QVERIFY(window->acIcRead->isEnabled());
}

QWidget *TestConfigPages::OpenEditor(QTableView *grid, int row, int column)
{
    const auto visibleEditor = [grid]() -> QWidget * {
        for (QWidget *child : grid->viewport()->findChildren<QWidget *>(Qt::FindDirectChildrenOnly)) {
            if (!child->isHidden())
                return child;
        }
        return nullptr;
    };
    const QModelIndex index = grid->model()->index(row, column);
    grid->setCurrentIndex(index);
    if (!visibleEditor()) // the tank grid opens one on the current cell itself
        grid->edit(index);
    return visibleEditor();
}

void TestConfigPages::readFillsPages()
{
    QByteArray image = SimConfig();
    image.replace(0, 9, QByteArray("\xc0\xcf\xcd.test\0", 9)); // "АПН.test"
    fixture->Sim().setFile("config", image.toStdString());
    TTerminalConfig expected;
    ConfigImage::Decode(image, expected);

    Run(window->acIcRead);
    QVERIFY2(errors.isEmpty(), qPrintable(errors.join(u'\n')));
    QCOMPARE(fixture->Sim().commands(), std::vector<std::string>{"rdfile config 0 0"});

    QCOMPARE(Find("eAPN")->text(), QStringLiteral("АПН.test"));
    QCOMPARE(Find<TNumericEdit>("eServerPort")->Value(), expected.server_port);
    QCOMPARE(Find<TNumericEdit>("eSyncTime")->Value(), expected.sync_time);
    QCOMPARE(Find<TNumericEdit>("eCardSector")->Value(), expected.card_sector);
    QCOMPARE(Find("eServerName")->text().toLatin1(), expected.server_name.Bytes());

    QCOMPARE(DataSet("dsTank")->rowCount(), 6);
    QCOMPARE(DataSet("dsPump")->rowCount(), 4);
    QCOMPARE(DataSet("dsNozz")->rowCount(), 16);
    for (int i = 0; i < 6; ++i) {
        QCOMPARE(DataSet("dsTank")->Value(i, "no"), i + 1);
        QCOMPARE(DataSet("dsTank")->Value(i, "hmax"), expected.tanks[i].hmax);
    }
    // Dispenser 1 is current and the nozzle grid shows its four nozzles.
    QCOMPARE(Grid("DBGridEh2")->currentIndex().row(), 0);
    QAbstractItemModel *nozzles = Grid("DBGridEh3")->model();
    QCOMPARE(nozzles->rowCount(), 4);
    for (int row = 0; row < 4; ++row) {
        QCOMPARE(nozzles->index(row, 1).data().toInt(), 1);
        QCOMPARE(nozzles->index(row, 2).data().toInt(), row + 1);
        QCOMPARE(nozzles->index(row, 3).data().toInt(), expected.pumps[0].nozzles[row].tank_no);
    }
}

void TestConfigPages::writeAfterStartUp()
{
    Find("eAPN")->setText(QString(40, u'a'));
    Find("eOperPsw")->setText(QStringLiteral("Ёж✓"));
    Find<TNumericEdit>("eCardSector")->setText(QStringLiteral("261"));
    Find("eCardPsw")->setText(QStringLiteral("1234567890ABCD"));

    Run(window->acIcWrite);
    QVERIFY2(errors.isEmpty(), qPrintable(errors.join(u'\n')));

    const std::vector<std::string> commands = fixture->Sim().commands();
    QCOMPARE(commands.size(), std::size_t(15));
    for (int i = 0; i < 14; ++i) {
        const QByteArray command = QByteArray::fromStdString(commands[i]);
        const QByteArray prefix = "wrfile config " + QByteArray::number(32 * i) + ' ';
        QVERIFY2(command.startsWith(prefix), command.constData());
        QCOMPARE(command.size() - prefix.size(), i < 13 ? 64 : 26);
    }
    QCOMPARE(commands.back(), std::string("reload"));

    const QByteArray image = SimConfig();
    QCOMPARE(image.size(), ConfigImage::Size);
    QCOMPARE(image.mid(0, 32), QByteArray(31, 'a') + '\0');
    QCOMPARE(image.mid(64, 2), QByteArray("\x50\x00", 2));
    QCOMPARE(image.mid(146, 2), QByteArray(2, '\0'));
    QCOMPARE(image.mid(148, 8), QByteArray("\xa8\xe6?\0\0\0\0\0", 8));
    QCOMPARE(image.mid(256, 160), QByteArray(160, '\0'));
    QCOMPARE(image.at(416), char(5));
    QCOMPARE(image.mid(417), QByteArray("1234567890AB"));
    // The boxes keep what was typed.
    QCOMPARE(Find("eAPN")->text(), QString(40, u'a'));
    QCOMPARE(Find("eOperPsw")->text(), QStringLiteral("Ёж✓"));
}

void TestConfigPages::inputErrorSendsNothing_data()
{
    QTest::addColumn<QString>("sector");
    QTest::addColumn<QByteArray>("box");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("message");

    QTest::newRow("empty sector") << QString() << QByteArray("eServerPort") << QStringLiteral("80")
                                  << QStringLiteral("Could not convert variant of type (Null) into type (Integer)");
    QTest::newRow("port beyond 32 bits")
        << QStringLiteral("1") << QByteArray("eServerPort") << QStringLiteral("2147483648")
        << QStringLiteral("Range check error.");
    QTest::newRow("period below 32 bits")
        << QStringLiteral("1") << QByteArray("eSyncTime") << QStringLiteral("-2147483649")
        << QStringLiteral("Range check error.");
    QTest::newRow("sector beyond 32 bits")
        << QStringLiteral("99999999999") << QByteArray("eSyncTime") << QString()
        << QStringLiteral("Range check error.");
}

void TestConfigPages::inputErrorSendsNothing()
{
    QFETCH(QString, sector);
    QFETCH(QByteArray, box);
    QFETCH(QString, value);
    QFETCH(QString, message);

    Find<TNumericEdit>("eCardSector")->setText(sector);
    Find<TNumericEdit>(box.constData())->setText(value);
    const QByteArray before = SimConfig();

    Run(window->acIcWrite);
    QCOMPARE(errors, QStringList{message});
    QVERIFY(fixture->Sim().commands().empty());
    QCOMPARE(SimConfig(), before);
    QVERIFY(window->acIcWrite->isEnabled());
}

void TestConfigPages::failedReadLeavesPagesEmpty()
{
    Run(window->acIcRead);
    QCOMPARE(DataSet("dsTank")->rowCount(), 6);

    window->Terminal().SetCommandTimeout(300);
    fixture->Sim().addFault({sim::Fault::Silence, 2, 2});
    Run(window->acIcRead);
    QCOMPARE(errors, QStringList{QStringLiteral("rdfile config 0 0.")});
    QCOMPARE(DataSet("dsTank")->rowCount(), 0);
    QCOMPARE(DataSet("dsPump")->rowCount(), 0);
    QCOMPARE(DataSet("dsNozz")->rowCount(), 0);
    QCOMPARE(Grid("DBGridEh3")->model()->rowCount(), 0);
    for (const char *name : {"eOperPsw", "eAdminPsw", "eAdminTel", "eAPN", "eServerName",
                             "eServerPort", "eServerDir", "eServerLogin", "eServerPsw",
                             "eSyncTime", "eCardSector", "eCardPsw"})
        QVERIFY2(Find(name)->text().isEmpty(), name);
    QVERIFY(window->acIcRead->isEnabled());
    QVERIFY(window->acIcWrite->isEnabled());
}

void TestConfigPages::nozzleEditSurvivesDispenserChange()
{
    Run(window->acIcRead);
    window->pcConfig->setCurrentIndex(4);
    QTableView *pumps = Grid("DBGridEh2");
    QTableView *nozzles = Grid("DBGridEh3");

    pumps->setCurrentIndex(pumps->model()->index(1, 0));
    QCOMPARE(nozzles->model()->index(2, 1).data().toInt(), 2);
    QCOMPARE(nozzles->model()->index(2, 2).data().toInt(), 3);
    auto *editor = qobject_cast<QLineEdit *>(OpenEditor(nozzles, 2, 3));
    QVERIFY(editor);
    editor->setText(QStringLiteral("5"));

    pumps->setCurrentIndex(pumps->model()->index(3, 0));
    QCOMPARE(nozzles->model()->index(0, 1).data().toInt(), 4);

    Run(window->acIcWrite);
    QVERIFY2(errors.isEmpty(), qPrintable(errors.join(u'\n')));
    QCOMPARE(int(SimConfig().at(377)), 5);
}

void TestConfigPages::levelGaugeTypeKeyAndText()
{
    QByteArray image = SimConfig();
    image[256 + 16 * 2 + 3] = 6;
    fixture->Sim().setFile("config", image.toStdString());
    Run(window->acIcRead);
    window->pcConfig->setCurrentIndex(3);
    QTableView *tanks = Grid("DBGridEh1");
    const int typeColumn = DataSet("dsTank")->FieldIndex("adapter_type");
    QCOMPARE(tanks->model()->index(2, typeColumn).data().toString(),
             QStringLiteral("Сенсор (Modbus)"));

    auto *box = qobject_cast<QComboBox *>(OpenEditor(tanks, 4, typeColumn));
    QVERIFY(box);
    QCOMPARE(box->count(), 7);
    box->setCurrentIndex(box->findText(QStringLiteral("Сенсор (Modbus)")));

    Run(window->acIcWrite);
    QVERIFY2(errors.isEmpty(), qPrintable(errors.join(u'\n')));
    QCOMPARE(int(SimConfig().at(256 + 16 * 4 + 3)), 6);
    QCOMPARE(tanks->model()->index(4, typeColumn).data().toString(),
             QStringLiteral("Сенсор (Modbus)"));
}

// On pages of their own: in the main window the button opens a modal editor.
void TestConfigPages::tableButtonActsOnItsRow()
{
    QStackedWidget sheets;
    QList<QWidget *> page;
    for (int i = 0; i < 6; ++i)
        page << sheets.widget(sheets.addWidget(new QWidget));
    TConfigPages pages({page[0], page[1], page[2], page[3], page[4], page[5]});
    TTerminalConfig config;
    ConfigImage::Decode(SimConfig(), config);
    config.tanks[3].hmax = 2750;
    pages.Show(config);
    sheets.setCurrentIndex(3);
    sheets.resize(600, 300);
    sheets.show();
    QVERIFY(QTest::qWaitForWindowExposed(&sheets));

    auto *tanks = sheets.findChild<QTableView *>(QStringLiteral("DBGridEh1"));
    QVERIFY(tanks);
    std::optional<TTankRow> pressed;
    connect(&pages, &TConfigPages::tableButtonClicked, this,
            [&] { pressed = pages.CurrentTank(); });
    const int tableColumn = 9;
    QCOMPARE(tanks->model()->index(3, tableColumn).data().toString(), QStringLiteral("<таблица>"));

    const QRect cell = tanks->visualRect(tanks->model()->index(3, tableColumn));
    QTest::mouseClick(tanks->viewport(), Qt::LeftButton, {}, cell.topLeft() + QPoint(4, 4));
    QVERIFY(!pressed); // the text part of the cell is no button
    QTest::mouseClick(tanks->viewport(), Qt::LeftButton, {},
                      TEllipsisDelegate::ButtonRect(cell).center());
    QVERIFY(pressed);
    QCOMPARE(pressed->no, 4);
    QCOMPARE(pressed->hmax, 2750);
}

QTEST_MAIN(TestConfigPages)
#include "tst_configpages.moc"
