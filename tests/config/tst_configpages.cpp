// The configuration pages of the main window against the controller stand-in.
#include "SettingsFile.h"
#include "SimFixture.h"
#include "UserInput.h"
#include "WindowDriver.h"
#include "app/ConfigPages.h"
#include "app/EllipsisDelegate.h"
#include "app/ErrorBox.h"
#include "app/NumericEdit.h"
#include "app/UfmMain.h"
#include "config/ConfigDataSet.h"
#include "config/ConfigDataSets.h"
#include "config/ConfigImage.h"
#include "config/TerminalConfig.h"
#include "terminal/ExchangeLine.h"
#include "terminal/Terminal.h"

#include <QAction>
#include <QComboBox>
#include <QLineEdit>
#include <QPointer>
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
    void textBoxTakesWhatItsMemberHolds_data();
    void textBoxTakesWhatItsMemberHolds();
    void inputErrorSendsNothing_data();
    void inputErrorSendsNothing();
    void emptySectorStopsTheStoreAfterTheGrids();
    void failedReadLeavesPagesEmpty();
    void nozzleEditSurvivesDispenserChange();
    void levelGaugeTypeKeyAndText();
    void tableButtonActsOnItsRow_data();
    void tableButtonActsOnItsRow();
    void checkboxActsOnItsRow_data();
    void checkboxActsOnItsRow();
    void pickListActsOnItsRow();
    void tankCellEditorStaysOpen_data();
    void tankCellEditorStaysOpen();
    void columnWidths_data();
    void columnWidths();

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
    // Clicks an action's button; it returns when its exchange has ended.
    void Run(const char *action);
    // Types text into a box of the page chosen by node, replacing its text.
    void Fill(const char *node, const char *box, const QString &text);
    // The open cell editor of the grid, if any.
    static QWidget *OpenEditor(QTableView *grid);

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
    window->Station().Terminal().SetPortNumber(fixture->Port());
    QVERIFY(UserInput::Activate(window.get()));
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

void TestConfigPages::Run(const char *action)
{
    QVERIFY(Action(*window, action)->isEnabled());
    ClickAction(*window, action);
    // The action's handler returns only when its exchange has ended.
    QVERIFY(Action(*window, "acIcRead")->isEnabled());
}

void TestConfigPages::Fill(const char *node, const char *box, const QString &text)
{
    ClickNode(*window, QString::fromUtf8(node));
    UserInput::Click(Find<QWidget>(box));
    UserInput::Key(Qt::Key_A, Qt::ControlModifier);
    UserInput::Key(Qt::Key_Delete);
    UserInput::Type(text);
}

QWidget *TestConfigPages::OpenEditor(QTableView *grid)
{
    return grid->indexWidget(grid->currentIndex());
}

void TestConfigPages::readFillsPages()
{
    QByteArray image = SimConfig();
    image.replace(0, 9, QByteArray("\xc0\xcf\xcd.test\0", 9)); // "АПН.test"
    fixture->Sim().setFile("config", image.toStdString());
    TTerminalConfig expected;
    ConfigImage::Decode(image, expected);

    Run("acIcRead");
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
        QCOMPARE(DataSet("dsTank")->Value(i, TankColumn::No), i + 1);
        QCOMPARE(DataSet("dsTank")->Value(i, TankColumn::Hmax), expected.tanks[i].hmax);
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
    Fill("GPRS", "eAPN", QString(40, u'a')); // the box takes 31
    Fill("Администрирование", "eOperPsw", QStringLiteral("Ёж✓"));
    Fill("Карты", "eCardSector", QStringLiteral("261"));
    Fill("Карты", "eCardPsw", QStringLiteral("1234567890ABCD"));

    Run("acIcWrite");
    QVERIFY2(errors.isEmpty(), qPrintable(errors.join(u'\n')));

    const std::vector<std::string> commands = fixture->Sim().commands();
    QCOMPARE(commands.size(), std::size_t(16));
    for (int i = 0; i < 14; ++i) {
        const QByteArray command = QByteArray::fromStdString(commands[i]);
        const QByteArray prefix = "wrfile config " + QByteArray::number(32 * i) + ' ';
        QVERIFY2(command.startsWith(prefix), command.constData());
        QCOMPARE(command.size() - prefix.size(), i < 13 ? 64 : 26);
    }
    QCOMPARE(commands[14], std::string("rdfile config 0 429"));
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
    // The boxes keep what they took.
    QCOMPARE(Find("eAPN")->text(), QString(31, u'a'));
    QCOMPARE(Find("eOperPsw")->text(), QStringLiteral("Ёж✓"));
    QCOMPARE(Find("eCardPsw")->text(), QStringLiteral("1234567890AB"));
}

void TestConfigPages::textBoxTakesWhatItsMemberHolds_data()
{
    QTest::addColumn<QByteArray>("node");
    QTest::addColumn<QByteArray>("box");
    QTest::addColumn<int>("length"); // characters the configuration holds
    QTest::addColumn<int>("offset"); // of the text in the image

    QTest::newRow("operator password") << QByteArray("Администрирование") << QByteArray("eOperPsw") << 7 << 148;
    QTest::newRow("admin password") << QByteArray("Администрирование") << QByteArray("eAdminPsw") << 7 << 156;
    QTest::newRow("admin phone") << QByteArray("Администрирование") << QByteArray("eAdminTel") << 15 << 164;
    QTest::newRow("apn") << QByteArray("GPRS") << QByteArray("eAPN") << 31 << 0;
    QTest::newRow("server") << QByteArray("Http") << QByteArray("eServerName") << 31 << 32;
    QTest::newRow("directory") << QByteArray("Http") << QByteArray("eServerDir") << 63 << 66;
    QTest::newRow("login") << QByteArray("Http") << QByteArray("eServerLogin") << 7 << 130;
    QTest::newRow("http password") << QByteArray("Http") << QByteArray("eServerPsw") << 7 << 138;
    QTest::newRow("card password") << QByteArray("Карты") << QByteArray("eCardPsw") << 12 << 417;
}

// Typing beyond the end stops at what the configuration holds; a write sends
// exactly what the box shows.
void TestConfigPages::textBoxTakesWhatItsMemberHolds()
{
    QFETCH(QByteArray, node);
    QFETCH(QByteArray, box);
    QFETCH(int, length);
    QFETCH(int, offset);

    Fill("Карты", "eCardSector", QStringLiteral("1"));
    QString typed;
    for (int i = 0; i < length + 3; ++i)
        typed += QChar(u'a' + i % 26);
    Fill(node.constData(), box.constData(), typed);
    QCOMPARE(Find(box.constData())->text(), typed.left(length));

    Run("acIcWrite");
    QVERIFY2(errors.isEmpty(), qPrintable(errors.join(u'\n')));
    QCOMPARE(SimConfig().mid(offset, length), typed.left(length).toLatin1());
}

void TestConfigPages::inputErrorSendsNothing_data()
{
    QTest::addColumn<QString>("sector");
    QTest::addColumn<QByteArray>("box"); // on the "Http" page
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

    Fill("Карты", "eCardSector", sector);
    Fill("Http", box.constData(), value);
    const QByteArray before = SimConfig();

    Run("acIcWrite");
    QCOMPARE(errors, QStringList{message});
    QVERIFY(fixture->Sim().commands().empty());
    QCOMPARE(SimConfig(), before);
    QVERIFY(Action(*window, "acIcWrite")->isEnabled());
}

// The boxes and grids are stored page by page, the card sector last but
// one: when it stops the store, the configuration holds all before it, and
// the grids have gone to their first rows.
void TestConfigPages::emptySectorStopsTheStoreAfterTheGrids()
{
    Run("acIcRead");
    TTerminalConfig read;
    ConfigImage::Decode(SimConfig(), read);
    ShowTankPage(*window);
    QTableView *tanks = Grid("DBGridEh1");
    UserInput::ClickCell(tanks, tanks->model()->index(3, TankColumn::Hmin));
    QCOMPARE(tanks->currentIndex().row(), 3);
    Fill("Http", "eSyncTime", QStringLiteral("77"));
    Fill("Карты", "eCardSector", QString());
    fixture->Sim().clearTranscript();

    Run("acIcWrite");
    QCOMPARE(errors, QStringList{QStringLiteral("Could not convert variant of type (Null) into type (Integer)")});
    QVERIFY(fixture->Sim().commands().empty());
    const TTerminalConfig &held = window->Station().Configuration();
    QCOMPARE(held.sync_time, quint16(77));
    QCOMPARE(held.apn, read.apn);
    QVERIFY(held.tanks == read.tanks);
    QVERIFY(held.pumps == read.pumps);
    QCOMPARE(held.card_psw, TConfigText<12>());
    QCOMPARE(tanks->currentIndex().row(), 0);
}

void TestConfigPages::failedReadLeavesPagesEmpty()
{
    Run("acIcRead");
    QCOMPARE(DataSet("dsTank")->rowCount(), 6);

    window->Station().Exchanges().SetCommandTimeout(300);
    fixture->Sim().addFault({sim::Fault::Silence, 2, 2});
    Run("acIcRead");
    // The command, then where and why it failed.
    QCOMPARE(errors, QStringList{QStringLiteral("rdfile config 0 0.\nconfig: нет ответа за 300 мс.")});
    QCOMPARE(DataSet("dsTank")->rowCount(), 0);
    QCOMPARE(DataSet("dsPump")->rowCount(), 0);
    QCOMPARE(DataSet("dsNozz")->rowCount(), 0);
    QCOMPARE(Grid("DBGridEh3")->model()->rowCount(), 0);
    for (const char *name : {"eOperPsw", "eAdminPsw", "eAdminTel", "eAPN", "eServerName",
                             "eServerPort", "eServerDir", "eServerLogin", "eServerPsw",
                             "eSyncTime", "eCardSector", "eCardPsw"})
        QVERIFY2(Find(name)->text().isEmpty(), name);
    QVERIFY(Action(*window, "acIcRead")->isEnabled());
    QVERIFY(Action(*window, "acIcWrite")->isEnabled());
}

void TestConfigPages::nozzleEditSurvivesDispenserChange()
{
    Run("acIcRead");
    ClickNode(*window, QStringLiteral("ТРК"));
    QTableView *pumps = Grid("DBGridEh2");
    QTableView *nozzles = Grid("DBGridEh3");

    UserInput::ClickCell(pumps, pumps->model()->index(1, 1));
    QCOMPARE(nozzles->model()->index(2, 1).data().toInt(), 2);
    QCOMPARE(nozzles->model()->index(2, 2).data().toInt(), 3);
    UserInput::DoubleClickCell(nozzles, nozzles->model()->index(2, 3)); // opens its editor
    auto *editor = qobject_cast<QLineEdit *>(OpenEditor(nozzles));
    QVERIFY(editor);
    QCOMPARE(UserInput::Focused(), editor);
    UserInput::Key(Qt::Key_A, Qt::ControlModifier);
    UserInput::Type(QStringLiteral("5"));

    UserInput::ClickCell(pumps, pumps->model()->index(3, 1));
    QCOMPARE(nozzles->model()->index(0, 1).data().toInt(), 4);

    Run("acIcWrite");
    QVERIFY2(errors.isEmpty(), qPrintable(errors.join(u'\n')));
    QCOMPARE(int(SimConfig().at(377)), 5);
}

void TestConfigPages::levelGaugeTypeKeyAndText()
{
    QByteArray image = SimConfig();
    image[256 + 16 * 2 + 3] = 6;
    fixture->Sim().setFile("config", image.toStdString());
    Run("acIcRead");
    ShowTankPage(*window);
    QTableView *tanks = Grid("DBGridEh1");
    const int typeColumn = TankColumn::AdapterType;
    QCOMPARE(tanks->model()->index(2, typeColumn).data().toString(),
             QStringLiteral("Сенсор (Modbus)"));

    // The tank grid opens its editor on the cell made current.
    UserInput::ClickCell(tanks, tanks->model()->index(4, typeColumn));
    QCOMPARE(tanks->currentIndex().row(), 4);
    auto *box = qobject_cast<QComboBox *>(OpenEditor(tanks));
    QVERIFY(box);
    QCOMPARE(UserInput::Focused(), box);
    QCOMPARE(box->count(), 7);
    const int wanted = box->findText(QStringLiteral("Сенсор (Modbus)"));
    QVERIFY(box->currentIndex() < wanted);
    while (box->currentIndex() < wanted)
        UserInput::Key(Qt::Key_Down);

    Run("acIcWrite");
    QVERIFY2(errors.isEmpty(), qPrintable(errors.join(u'\n')));
    QCOMPARE(int(SimConfig().at(256 + 16 * 4 + 3)), 6);
    QCOMPARE(tanks->model()->index(4, typeColumn).data().toString(),
             QStringLiteral("Сенсор (Modbus)"));
}

void TestConfigPages::tableButtonActsOnItsRow_data()
{
    QTest::addColumn<int>("current");
    QTest::addColumn<int>("pressed");
    QTest::newRow("another row") << 0 << 3;
    QTest::newRow("the row above") << 5 << 4;
    QTest::newRow("the current row") << 2 << 2;
}

// On pages of their own: in the main window the button opens a modal editor.
void TestConfigPages::tableButtonActsOnItsRow()
{
    QFETCH(int, current);
    QFETCH(int, pressed);
    QStackedWidget sheets;
    QList<QWidget *> page;
    for (int i = 0; i < 6; ++i)
        page << sheets.widget(sheets.addWidget(new QWidget));
    TConfigPages pages({page[0], page[1], page[2], page[3], page[4], page[5]});
    TTerminalConfig config;
    ConfigImage::Decode(SimConfig(), config);
    config.tanks[pressed].hmax = 2750;
    pages.Show(config);
    sheets.setCurrentIndex(3);
    sheets.resize(700, 300);
    QVERIFY(UserInput::Activate(&sheets));

    auto *tanks = sheets.findChild<QTableView *>(QStringLiteral("DBGridEh1"));
    QVERIFY(tanks);
    const int noColumn = TankColumn::No;
    UserInput::ClickCell(tanks, tanks->model()->index(current, noColumn));
    QCOMPARE(tanks->currentIndex().row(), current);
    std::optional<TTankRow> atPress;
    int presses = 0;
    connect(&pages, &TConfigPages::tableButtonClicked, this, [&] {
        atPress = pages.CurrentTank();
        ++presses;
    });
    const int tableColumn = TankColumn::Table;
    const QModelIndex cell = tanks->model()->index(pressed, tableColumn);
    QCOMPARE(cell.data().toString(), QStringLiteral("<таблица>"));

    // The text part of the cell is no button.
    UserInput::ClickCell(tanks, cell, [](const QRect &rect) { return rect.topLeft() + QPoint(4, 4); });
    QCOMPARE(presses, 0);
    UserInput::ClickCell(tanks, tanks->model()->index(current, noColumn));
    UserInput::ClickCell(tanks, cell, [](const QRect &rect) { return TEllipsisDelegate::ButtonRect(rect).center(); });
    QCOMPARE(presses, 1);
    QVERIFY(atPress);
    QCOMPARE(atPress->no, pressed + 1);
    QCOMPARE(atPress->hmax, 2750);
    QCOMPARE(tanks->currentIndex().row(), pressed);
}

void TestConfigPages::checkboxActsOnItsRow_data()
{
    // A click on the checkbox of a row that is not current ticks or unticks
    // that row and makes it current.
    QTest::addColumn<QString>("node");
    QTest::addColumn<QByteArray>("grid");
    QTest::addColumn<int>("column");
    QTest::addColumn<int>("row");
    QTest::newRow("tank 4") << "Резервуары" << QByteArray("DBGridEh1") << int(TankColumn::Active) << 3;
    QTest::newRow("tank 6") << "Резервуары" << QByteArray("DBGridEh1") << int(TankColumn::Active) << 5;
    QTest::newRow("dispenser 3") << "ТРК" << QByteArray("DBGridEh2") << int(PumpColumn::Active) << 2;
    QTest::newRow("nozzle 2 of dispenser 1") << "ТРК" << QByteArray("DBGridEh3") << int(NozzleColumn::Active) << 1;
}

void TestConfigPages::checkboxActsOnItsRow()
{
    QFETCH(QString, node);
    QFETCH(QByteArray, grid);
    QFETCH(int, column);
    QFETCH(int, row);

    Run("acIcRead");
    ClickNode(*window, node);
    QTableView *view = Grid(grid.constData());
    QCOMPARE(view->currentIndex().row(), 0);
    const QModelIndex box = view->model()->index(row, column);
    QList<int> before;
    for (int r = 0; r < view->model()->rowCount(); ++r)
        before << view->model()->index(r, box.column()).data(Qt::CheckStateRole).toInt();

    UserInput::ClickCell(view, box);
    QCOMPARE(view->currentIndex().row(), row);
    QList<int> expected = before;
    expected[row] = before[row] == Qt::Checked ? Qt::Unchecked : Qt::Checked;
    QList<int> after;
    for (int r = 0; r < view->model()->rowCount(); ++r)
        after << view->model()->index(r, box.column()).data(Qt::CheckStateRole).toInt();
    QCOMPARE(after, expected);
}

// In the dispenser grid the editor opens on demand: the first click makes
// the cell current, a click on the current cell opens its drop-down editor.
void TestConfigPages::pickListActsOnItsRow()
{
    Run("acIcRead");
    ClickNode(*window, QStringLiteral("ТРК"));
    QTableView *pumps = Grid("DBGridEh2");
    const int portColumn = PumpColumn::AdapterComportNo;
    QList<QVariant> before;
    for (int row = 0; row < 4; ++row)
        before << pumps->model()->index(row, portColumn).data(Qt::EditRole);
    const QModelIndex cell = pumps->model()->index(2, portColumn);

    UserInput::ClickCell(pumps, cell);
    QCOMPARE(pumps->currentIndex(), cell);
    QVERIFY(!OpenEditor(pumps));
    UserInput::ClickCell(pumps, cell);
    QTRY_VERIFY(OpenEditor(pumps));
    auto *box = qobject_cast<QComboBox *>(OpenEditor(pumps));
    QVERIFY(box);
    QCOMPARE(UserInput::Focused(), box);
    const int chosen = box->currentIndex() == 0 ? 1 : box->currentIndex() - 1;
    UserInput::Key(chosen > box->currentIndex() ? Qt::Key_Down : Qt::Key_Up);
    QCOMPARE(box->currentIndex(), chosen);
    QList<QVariant> expected = before;
    expected[2] = box->itemData(chosen);
    UserInput::Key(Qt::Key_Return);

    QTRY_VERIFY(!OpenEditor(pumps)); // on demand: closed after Enter
    QList<QVariant> after;
    for (int row = 0; row < 4; ++row)
        after << pumps->model()->index(row, portColumn).data(Qt::EditRole);
    QCOMPARE(after, expected);
}

void TestConfigPages::tankCellEditorStaysOpen_data()
{
    // A value typed into a tank cell and ended by a key: the cell stays
    // current with its editor open, holding the value the grid now has.
    QTest::addColumn<int>("column");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("key");
    QTest::addColumn<QString>("shown"); // null: the value before typing
    QTest::newRow("Enter in a number cell") << int(TankColumn::Hmin) << "123" << int(Qt::Key_Return) << "123";
    QTest::newRow("keypad Enter in a number cell") << int(TankColumn::FuelCode) << "95" << int(Qt::Key_Enter) << "95";
    QTest::newRow("Escape in a number cell") << int(TankColumn::AdapterH0) << "77" << int(Qt::Key_Escape)
                                             << QString();
}

void TestConfigPages::tankCellEditorStaysOpen()
{
    QFETCH(int, column);
    QFETCH(QString, typed);
    QFETCH(int, key);
    QFETCH(QString, shown);

    Run("acIcRead");
    ShowTankPage(*window);
    QTableView *tanks = Grid("DBGridEh1");
    const QModelIndex cell = tanks->model()->index(2, column);
    const QString before = cell.data().toString();
    if (shown.isNull())
        shown = before;

    UserInput::ClickCell(tanks, cell);
    QPointer<QLineEdit> editor = qobject_cast<QLineEdit *>(OpenEditor(tanks));
    QVERIFY(editor);
    UserInput::Key(Qt::Key_A, Qt::ControlModifier);
    UserInput::Type(typed);
    UserInput::Key(Qt::Key(key), key == Qt::Key_Enter ? Qt::KeypadModifier : Qt::NoModifier);

    QTRY_COMPARE(cell.data().toString(), shown);
    QTRY_VERIFY(!editor); // the key closed the first one
    QCOMPARE(tanks->currentIndex(), cell);
    auto *reopened = qobject_cast<QLineEdit *>(OpenEditor(tanks));
    QVERIFY(reopened);
    QVERIFY(reopened->isVisible());
    QCOMPARE(reopened->text(), shown);
    QCOMPARE(UserInput::Focused(), reopened);

    // Typing goes on in the cell.
    UserInput::Key(Qt::Key_End);
    UserInput::Type("4");
    QCOMPARE(reopened->text(), shown + "4");
}

void TestConfigPages::columnWidths_data()
{
    QTest::addColumn<QByteArray>("grid");
    // In pixels: each column at least its width, more where its title needs
    // it in the font in use (tst_textsfit).
    QTest::addColumn<QList<int>>("widths");
    QTest::newRow("tanks") << QByteArray("DBGridEh1") << QList<int>{20, 20, 75, 40, 40, 105, 71, 40, 40, 80};
    QTest::newRow("dispensers, the port column the grid's default")
        << QByteArray("DBGridEh2") << QList<int>{20, 20, 81, 64, 40};
    QTest::newRow("nozzles") << QByteArray("DBGridEh3") << QList<int>{20, 27, 20, 81};
}

void TestConfigPages::columnWidths()
{
    QFETCH(QByteArray, grid);
    QFETCH(QList<int>, widths);

    QTableView *view = Grid(grid.constData());
    QCOMPARE(view->model()->columnCount(), widths.size());
    for (int column = 0; column < widths.size(); ++column)
        QCOMPARE_GE(view->columnWidth(column), widths.at(column));
}

QTEST_MAIN(TestConfigPages)
#include "tst_configpages.moc"
