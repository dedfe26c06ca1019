// "Открыть файл" and "Сохранить в файл" in the main window against the
// controller stand-in: the round trip through a file, refused files, the
// input errors of a save, the file dialog's proposals, the buttons' enabled
// state, and files exchanged with kolt-tarvo-cli.
#include "ChildProcess.h"
#include "JsonEdit.h"
#include "ModalDriver.h"
#include "StandInWindow.h"
#include "TestSeed.h"
#include "app/ConfigPages.h"
#include "app/EllipsisDelegate.h"
#include "app/ErrorBox.h"
#include "app/Station.h"
#include "app/StationFileDialog.h"
#include "app/TerminalPage.h"
#include "app/UfmCompare.h"
#include "app/UfmMain.h"
#include "calibration/CalibrationEditor.h"
#include "calibration/TankTableTransfer.h"
#include "calibration/UfmTankCalibration.h"
#include "config/ConfigDataSet.h"
#include "config/ConfigDataSets.h"
#include "config/ConfigImage.h"
#include "config/TerminalConfig.h"
#include "terminal/Exchange.h"
#include "terminal/ExchangeLine.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLineEdit>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QStackedWidget>
#include <QTabBar>
#include <QTabWidget>
#include <QTableView>
#include <QTemporaryDir>
#include <QToolBar>
#include <QTreeWidget>
#include <QtTest>

#include <optional>

namespace {


using Tanks = QList<int>;

QByteArray SimFile(const sim::ControllerSim &sim, const char *name)
{
    return QByteArray::fromStdString(sim.file(name));
}

QByteArray Block(const QByteArray &tanksTbl, int tankNo)
{
    return tanksTbl.mid(TankTableFile::BlockOffset(tankNo), TankTableFile::BlockSize);
}

// The stand-in's "config" with every gap byte set from the generator.
QByteArray ConfigWithGaps(const sim::ControllerSim &sim, QRandomGenerator &random)
{
    TTerminalConfig config;
    ConfigImage::Decode(SimFile(sim, "config"), config);
    for (char &gap : config.gaps)
        gap = char(random.bounded(1, 256));
    return ConfigImage::Encode(config);
}

QByteArray ReadFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool WriteFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

CliResult RunCli(const QStringList &arguments)
{
    QProcess process;
    return RunToEnd(process, QStringLiteral(KOLT_CLI_PATH), arguments);
}

// What "Открыть файл" must leave as it was when it refuses a file.
struct WindowState
{
    QStringList boxes;                   // every box of the pages
    QList<QList<qint32>> rows;           // every cell of dsTank, dsPump, dsNozz
    QList<int> currentRows;              // of the three grids
    QList<std::tuple<bool, bool, QList<qint32>>> tables; // Loaded, Modified, Volumes
    TTerminalConfig configuration;       // gap bytes included

    friend bool operator==(const WindowState &, const WindowState &) = default;
};

WindowState StateOf(TfmMain &window)
{
    WindowState state;
    for (const QLineEdit *box : window.findChild<QStackedWidget *>("pcConfig")->findChildren<QLineEdit *>())
        state.boxes << box->objectName() + u'=' + box->text();
    for (const char *name : {"dsTank", "dsPump", "dsNozz"}) {
        const auto *dataSet = window.findChild<TConfigDataSet *>(QString::fromLatin1(name));
        for (int row = 0; row < dataSet->rowCount(); ++row) {
            QList<qint32> cells;
            for (int column = 0; column < dataSet->columnCount(); ++column) {
                if (dataSet->Field(column).kind != TDataSetField::Calculated)
                    cells << dataSet->Value(row, column);
            }
            state.rows << cells;
        }
    }
    for (const char *name : {"DBGridEh1", "DBGridEh2", "DBGridEh3"})
        state.currentRows << window.findChild<QTableView *>(QString::fromLatin1(name))->currentIndex().row();
    for (const TankTable &slot : window.Station().TankTables())
        state.tables << std::tuple{slot.Loaded, slot.Modified, QList<qint32>(slot.Volumes.begin(), slot.Volumes.end())};
    state.configuration = window.Station().Configuration();
    return state;
}

} // namespace

class TestStationFile : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void toolbarOrderAndLook();
    void buttonsFollowTheActions_data();
    void buttonsFollowTheActions();
    void roundTripIsByteIdentical_data();
    void roundTripIsByteIdentical();
    void refusedFileChangesNothing_data();
    void refusedFileChangesNothing();
    void saveRefusesInputBeforeWriting_data();
    void saveRefusesInputBeforeWriting();
    void dialogProposesDatedNameInLastFolder();
    void windowFileRestoresWithCompanion();
    void companionBackupOpensInWindow();

private:
    // A window on the stand-in, shown and active, with the stand-in's
    // station read.
    void StartWindow(bool read = true);
    // Activates the main window, as the window manager does when a dialog
    // over it closes.
    void Activate();
    void Click(QWidget *widget, QPoint pos = {});
    void ClickAction(QAction *action);
    // Ctrl+key to the widget holding the focus.
    void Shortcut(Qt::Key key);
    void ClickNode(const QString &text);
    // The window's child called name; a test failure when there is none.
    template<typename T = QWidget>
    T *Child(const char *name) const
    {
        T *child = m_window->findChild<T *>(QString::fromLatin1(name));
        if (!child)
            QTest::qFail(qPrintable(QStringLiteral("no child %1").arg(QString::fromLatin1(name))), __FILE__, __LINE__);
        return child;
    }
    QAction *Action(const char *name) const { return Child<QAction>(name); }
    // Opens the table of the tank through its button and types a rising
    // table in the editor; returns the values typed.
    QList<qint32> EditTable(int tankNo);
    // Saves through Ctrl+S into path.
    void SaveAs(const QString &path);
    // Opens path through the toolbar button.
    void Open(const QString &path);

    std::unique_ptr<StandInWindow> m_standIn;
    TfmMain *m_window = nullptr; // m_standIn's, once started
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_answer; // what the file dialog answers
    QList<std::pair<TStationFileDialog::TPurpose, QString>> m_proposed;
    const decltype(TfmTankCalibration::ShowErrorBox) m_calibrationErrorBox = TfmTankCalibration::ShowErrorBox;
};

void TestStationFile::init()
{
    m_proposed.clear();
    m_answer.clear();
    m_standIn = std::make_unique<StandInWindow>();
    TfmTankCalibration::ShowErrorBox = [this](QWidget *, const QString &text) { m_standIn->Errors() << text; };
    TStationFileDialog::SetChooser([this](TStationFileDialog::TPurpose purpose, const QString &proposed) {
        m_proposed << std::pair{purpose, proposed};
        return m_answer;
    });
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
}

void TestStationFile::cleanup()
{
    m_window = nullptr;
    m_standIn.reset();
    m_dir.reset();
    TStationFileDialog::SetChooser(nullptr);
    TfmTankCalibration::ShowErrorBox = m_calibrationErrorBox;
}

void TestStationFile::Activate()
{
    m_window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_window));
}

void TestStationFile::StartWindow(bool read)
{
    m_window = &m_standIn->Start(read);
}

void TestStationFile::Click(QWidget *widget, QPoint pos)
{
    QVERIFY(widget && widget->isVisible());
    if (pos.isNull())
        pos = widget->rect().center();
    QWidget *top = widget->window();
    QTest::mouseClick(top->windowHandle(), Qt::LeftButton, {}, widget->mapTo(top, pos));
}

void TestStationFile::ClickAction(QAction *action)
{
    Click(m_window->findChild<QToolBar *>("ToolBar1")->widgetForAction(action));
}

void TestStationFile::Shortcut(Qt::Key key)
{
    QWidget *focused = QApplication::focusWidget();
    QVERIFY(focused);
    QTest::keyClick(focused, key, Qt::ControlModifier);
}

void TestStationFile::ClickNode(const QString &text)
{
    QTreeWidget *tree = Child<QTreeWidget>("tvConfig");
    const auto found = tree->findItems(text, Qt::MatchExactly | Qt::MatchRecursive);
    QVERIFY(!found.isEmpty());
    const QModelIndex index = tree->indexFromItem(found.first());
    tree->scrollTo(index);
    Click(tree->viewport(), tree->visualRect(index).center());
}

QList<qint32> TestStationFile::EditTable(int tankNo)
{
    ClickNode(QStringLiteral("Резервуары"));
    auto *grid = m_window->findChild<QTableView *>("DBGridEh1");
    const auto *dataSet = static_cast<const TConfigDataSet *>(grid->model());
    const QModelIndex number = dataSet->index(tankNo - 1, TankColumn::No);
    const QModelIndex table = dataSet->index(tankNo - 1, TankColumn::Table);
    grid->scrollTo(number);
    Click(grid->viewport(), grid->visualRect(number).center());
    grid->scrollTo(table);

    QList<qint32> typed;
    ModalDriver<TfmTankCalibration> driver([&](TfmTankCalibration *dialog) {
        if (!QTest::qWaitForWindowActive(dialog))
            return; // left open: the driver rejects it and the test fails
        auto *editor = dialog->findChild<TCalibrationEditor *>("Editor");
        Click(editor->viewport());
        QStringList lines;
        for (int i = 0; i < editor->LineCount(); ++i) {
            typed << 1000 * tankNo + 7 * i + 3;
            lines << QString::number(typed.last());
        }
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_A, Qt::ControlModifier);
        for (const QChar c : lines.join(u'\n')) {
            if (c == u'\n')
                QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
            else
                QTest::keyClick(QApplication::focusWidget(), c.toLatin1());
        }
        Click(dialog->findChild<QPushButton *>("btnOk"));
    });
    Click(grid->viewport(), TEllipsisDelegate::ButtonRect(grid->visualRect(table)).center());
    if (driver.Opened != 1 || driver.LeftOpen)
        QTest::qFail("the calibration editor did not open and close once", __FILE__, __LINE__);
    Activate();
    return typed;
}

void TestStationFile::SaveAs(const QString &path)
{
    m_answer = path;
    Shortcut(Qt::Key_S);
}

void TestStationFile::Open(const QString &path)
{
    m_answer = path;
    ClickAction(Action("acFileOpen"));
}

void TestStationFile::toolbarOrderAndLook()
{
    StartWindow(false);
    auto *toolBar = m_window->findChild<QToolBar *>("ToolBar1");
    QList<QWidget *> buttons;
    for (QAction *action : {Action("acConfig"), Action("acIcRead"), Action("acIcWrite"), Action("acFileOpen"),
                            Action("acFileSave"), Action("acCompare")})
        buttons << toolBar->widgetForAction(action);
    for (int i = 0; i < buttons.size(); ++i) {
        QVERIFY(buttons[i]);
        QCOMPARE(buttons[i]->size(), buttons[0]->size());
        if (i > 0)
            QVERIFY(buttons[i]->x() > buttons[i - 1]->x());
    }
    // The same separator after "Связь" and after "Загрузить в контроллер".
    const int step = buttons[2]->x() - buttons[1]->x();
    QCOMPARE(buttons[3]->x() - buttons[2]->x(), buttons[1]->x() - buttons[0]->x());
    QVERIFY(buttons[3]->x() - buttons[2]->x() >= step + 8);
    QCOMPARE(buttons[4]->x() - buttons[3]->x(), step);
    // And after the file actions, before "Сравнить с контроллером".
    QCOMPARE(buttons[5]->x() - buttons[4]->x(), buttons[3]->x() - buttons[2]->x());

    QCOMPARE(Action("acFileOpen")->text(), QString("Открыть файл"));
    QCOMPARE(Action("acFileOpen")->toolTip(), QString("Открыть файл"));
    QCOMPARE(Action("acFileOpen")->shortcut(), QKeySequence("Ctrl+O"));
    QCOMPARE(Action("acFileSave")->text(), QString("Сохранить в файл"));
    QCOMPARE(Action("acFileSave")->toolTip(), QString("Сохранить в файл"));
    QCOMPARE(Action("acFileSave")->shortcut(), QKeySequence("Ctrl+S"));
    QCOMPARE(Action("acCompare")->text(), QString("Сравнить с контроллером"));
    QCOMPARE(Action("acCompare")->toolTip(), QString("Сравнить с контроллером"));
    // Each a picture of its own.
    QList<QImage> pictures;
    for (QAction *action : {Action("acIcRead"), Action("acIcWrite"), Action("acFileOpen"), Action("acFileSave"),
                            Action("acCompare")}) {
        const QImage picture = action->icon().pixmap(QSize(24, 24)).toImage();
        QCOMPARE(picture.size(), QSize(24, 24));
        int drawn = 0;
        for (int y = 0; y < picture.height(); ++y) {
            for (int x = 0; x < picture.width(); ++x)
                drawn += picture.pixelColor(x, y).alpha() > 0;
        }
        QVERIFY2(drawn > picture.width() * picture.height() / 4, qPrintable(action->objectName()));
        QVERIFY2(!pictures.contains(picture), qPrintable(action->objectName()));
        pictures << picture;
    }
}

void TestStationFile::buttonsFollowTheActions_data()
{
    QTest::addColumn<QString>("state");
    QTest::addColumn<bool>("enabled");
    QTest::newRow("start") << "start" << true;
    QTest::newRow("terminal page shown") << "terminal" << false;
    QTest::newRow("configuration page shown again") << "configuration" << true;
    QTest::newRow("while reading") << "reading" << false;
    QTest::newRow("while writing") << "writing" << false;
    QTest::newRow("while a table is fetched") << "fetching" << false;
    QTest::newRow("while comparing with the controller") << "comparing" << false;
    // Any operation on the line, the page switched away and back meanwhile.
    QTest::newRow("while an exchange holds the line") << "held" << false;
    QTest::newRow("after a write") << "written" << true;
}

void TestStationFile::buttonsFollowTheActions()
{
    QFETCH(QString, state);
    QFETCH(bool, enabled);
    StartWindow(state != "start");
    auto *toolBar = m_window->findChild<QToolBar *>("ToolBar1");
    QList<QAction *> actions{Action("acIcRead"), Action("acIcWrite"), Action("acFileOpen"), Action("acFileSave"),
                             Action("acCompare")};
    QList<QList<bool>> seen; // per look: each action's state, then each button's
    const auto look = [&] {
        QList<bool> states;
        for (QAction *action : actions)
            states << action->isEnabled();
        for (QAction *action : actions)
            states << toolBar->widgetForAction(action)->isEnabled();
        seen << states;
    };
    QMetaObject::Connection lookAtFirstCommand =
        connect(&m_window->Station().Exchanges(), &TExchangeLine::commandStarted, this, [&] {
            if (seen.isEmpty() && state != "written")
                look();
        });

    QTabBar *tabs = Child<QTabWidget>("pc")->tabBar();
    std::optional<TExchange> held;
    if (state == "held")
        held.emplace(m_window->Station().Exchanges());
    if (state == "terminal" || state == "configuration" || state == "held")
        Click(tabs, tabs->tabRect(Child<QTabWidget>("pc")->indexOf(Child("tsTerminal"))).center());
    if (state == "configuration" || state == "held")
        Click(tabs, tabs->tabRect(Child<QTabWidget>("pc")->indexOf(Child("tsConfig"))).center());
    if (state == "reading") {
        ClickAction(Action("acIcRead"));
    } else if (state == "writing" || state == "written") {
        ClickAction(Action("acIcWrite"));
    } else if (state == "comparing") {
        ModalDriver<TfmCompare> driver; // closes the result
        ClickAction(Action("acCompare"));
        QCOMPARE(driver.Opened, 1);
        Activate();
    } else if (state == "fetching") {
        ModalDriver<TfmTankCalibration> driver; // rejects the editor
        ClickNode(QStringLiteral("Резервуары"));
        auto *grid = m_window->findChild<QTableView *>("DBGridEh1");
        const auto *dataSet = static_cast<const TConfigDataSet *>(grid->model());
        const QModelIndex table = dataSet->index(0, TankColumn::Table);
        grid->scrollTo(table);
        Click(grid->viewport(), TEllipsisDelegate::ButtonRect(grid->visualRect(table)).center());
        QCOMPARE(driver.Opened, 1);
        Activate();
    }
    disconnect(lookAtFirstCommand);
    QCOMPARE(m_standIn->Errors(), QStringList());
    if (seen.isEmpty())
        look();
    QCOMPARE(seen.size(), 1);
    QCOMPARE(seen.first(), QList<bool>(2 * actions.size(), enabled));

    // The shortcuts act exactly when the buttons do.
    m_answer.clear(); // a cancelled dialog
    Shortcut(Qt::Key_O);
    Shortcut(Qt::Key_S);
    if (state != "reading" && state != "writing" && state != "fetching" && state != "comparing")
        QCOMPARE(m_proposed.size(), enabled ? 2 : 0);
}

void TestStationFile::roundTripIsByteIdentical_data()
{
    QTest::addColumn<Tanks>("edited");
    QTest::newRow("tables of tanks 2 and 5") << Tanks{2, 5};
    QTest::newRow("tables of tanks 1 and 6") << Tanks{1, 6};
}

// Read from the controller, save, open, write: the controller ends as it
// started, the gap bytes of "config" included, with the edited tables.
void TestStationFile::roundTripIsByteIdentical()
{
    QFETCH(Tanks, edited);
    QRandomGenerator random = SeededGenerator(QTest::currentTestFunction());
    sim::ControllerSim &sim = m_standIn->Sim();
    const QByteArray config = ConfigWithGaps(sim, random);
    sim.setFile("config", config.toStdString());
    StartWindow();
    QCOMPARE(m_window->Station().Configuration().gaps, [&] {
        TTerminalConfig decoded;
        ConfigImage::Decode(config, decoded);
        return decoded.gaps;
    }());
    QMap<int, QByteArray> blocks;
    for (const int tankNo : edited) {
        const QList<qint32> typed = EditTable(tankNo);
        QVERIFY(!typed.isEmpty());
        const TankTable &slot = *m_window->Station().TankTables().ForTank(tankNo);
        QVERIFY(slot.Modified);
        QCOMPARE(slot.Volumes[typed.size() - 1], typed.last());
        blocks[tankNo] = TankTableFile::BlockBytes(slot);
    }

    const QString path = m_dir->filePath("station.json");
    SaveAs(path);
    QCOMPARE(m_standIn->Errors(), QStringList());
    const WindowState atSave = StateOf(*m_window);
    const QJsonObject saved = QJsonDocument::fromJson(ReadFile(path)).object();
    QCOMPARE(saved.value("config").toObject().value("image").toString().toLatin1(), config.toHex().toUpper());
    QCOMPARE(saved.value("tables").toObject().keys().size(), edited.size());

    // Another station on the line, read into the window: the file must
    // replace all of it.
    QByteArray other(ConfigImage::Size, '\0');
    other[416] = 9; // a card sector, so that the pages can be written
    sim.setFile("config", other.toStdString());
    const QByteArray tables = SimFile(sim, "tanks.tbl");
    sim.setFile("tanks.tbl", QByteArray(tables.size(), '\x55').toStdString());
    ClickAction(Action("acIcRead"));
    QCOMPARE(m_standIn->Errors(), QStringList());

    sim.clearTranscript();
    Open(path);
    QCOMPARE(m_standIn->Errors(), QStringList());
    QVERIFY(sim.commands().empty());
    for (int i = 0; i < TTankTables::Count; ++i) {
        const TankTable &slot = m_window->Station().TankTables()[i];
        const bool inFile = edited.contains(slot.TankNo);
        QCOMPARE(slot.Loaded, inFile);
        QCOMPARE(slot.Modified, inFile);
    }
    // The pages and slots as they were saved, the first rows current.
    const WindowState opened = StateOf(*m_window);
    QCOMPARE(opened.boxes, atSave.boxes);
    QCOMPARE(opened.rows, atSave.rows);
    QVERIFY(opened.tables == atSave.tables);
    QVERIFY(opened.configuration == atSave.configuration);
    QCOMPARE(opened.currentRows, QList<int>(3, 0));

    ClickAction(Action("acIcWrite"));
    QCOMPARE(m_standIn->Errors(), QStringList());
    QCOMPARE(SimFile(sim, "config"), config);
    const QByteArray written = SimFile(sim, "tanks.tbl");
    for (const int tankNo : edited)
        QCOMPARE(Block(written, tankNo), blocks[tankNo]);
    for (const TankTable &slot : m_window->Station().TankTables())
        QVERIFY(!slot.Modified);
}

void TestStationFile::refusedFileChangesNothing_data()
{
    QTest::addColumn<QString>("path");  // to change in the saved file; empty: text instead
    QTest::addColumn<QJsonValue>("value");
    QTest::addColumn<QByteArray>("text"); // the file's whole text when path is empty
    QTest::addColumn<QString>("error");   // after the file's name and ": "
    QTest::addColumn<bool>("whole");      // the error's whole text, else its beginning

    QTest::newRow("not JSON") << QString() << QJsonValue() << QByteArray("{\"config\": ")
                              << "не JSON: в позиции " << false;
    QTest::newRow("not an object") << QString() << QJsonValue() << QByteArray("[1, 2]") << "ожидается один объект JSON." << true;
    QTest::newRow("missing member") << "config/apn" << QJsonValue(QJsonValue::Undefined) << QByteArray()
                                    << "config.apn: отсутствует." << true;
    QTest::newRow("out-of-range value") << "config/tanks/3/hmax" << QJsonValue(40000) << QByteArray()
                                        << "config.tanks[3].hmax: 40000 вне пределов -32768..32767." << true;
    QTest::newRow("table of 399 values") << "tables/2/399" << QJsonValue(QJsonValue::Undefined) << QByteArray()
                                         << "tables.2: элементов 399, ожидается 400." << true;
    QTest::newRow("image not hexadecimal") << "config/image" << QJsonValue(QString(858, u'x')) << QByteArray()
                                           << "config.image: «x» в позиции 0 — не шестнадцатеричная цифра." << true;
    QTest::newRow("missing file") << "-" << QJsonValue() << QByteArray() << "No such file or directory." << true;
}

void TestStationFile::refusedFileChangesNothing()
{
    QFETCH(QString, path);
    QFETCH(QJsonValue, value);
    QFETCH(QByteArray, text);
    QFETCH(QString, error);
    QFETCH(bool, whole);
    StartWindow();
    EditTable(2);
    // A good file of this station, with the table of tank 2.
    const QString good = m_dir->filePath("good.json");
    SaveAs(good);
    QCOMPARE(m_standIn->Errors(), QStringList());
    // Pages that differ from what was saved.
    ClickNode(QStringLiteral("GPRS"));
    Click(m_window->findChild<QLineEdit *>("eAPN"));
    QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("edited"));
    const WindowState before = StateOf(*m_window);

    const QString bad = m_dir->filePath("bad.json");
    if (path.isEmpty()) {
        QVERIFY(WriteFile(bad, text));
    } else if (path != "-") {
        const QJsonValue document = With(QJsonDocument::fromJson(ReadFile(good)).object(), path.split(u'/'), value);
        QVERIFY(WriteFile(bad, QJsonDocument(document.toObject()).toJson()));
    }
    m_standIn->Sim().clearTranscript();
    // Asked first about the edit, which the user lets go.
    ModalDriver<QMessageBox> question([this](QMessageBox *box) { Click(box->findChild<QPushButton *>("btnDiscard")); });
    Open(bad);
    QCOMPARE(question.Opened, 1);
    QCOMPARE(m_standIn->Errors().size(), 1);
    const QString expected = QDir::toNativeSeparators(bad) + QStringLiteral(": ") + error;
    if (whole)
        QCOMPARE(m_standIn->Errors().first(), expected);
    else
        QVERIFY2(m_standIn->Errors().first().startsWith(expected), qPrintable(m_standIn->Errors().first()));
    QVERIFY(StateOf(*m_window) == before);
    QVERIFY(m_standIn->Sim().commands().empty());
}

void TestStationFile::saveRefusesInputBeforeWriting_data()
{
    QTest::addColumn<QString>("node");
    QTest::addColumn<QString>("box");
    QTest::addColumn<QString>("typed"); // replaces the box's text
    QTest::addColumn<QString>("error");
    QTest::newRow("empty card sector") << "Карты" << "eCardSector" << ""
                                       << "Could not convert variant of type (Null) into type (Integer)";
    QTest::newRow("port beyond 32 bits") << "Http" << "eServerPort" << "4294967296" << "Range check error.";
}

void TestStationFile::saveRefusesInputBeforeWriting()
{
    QFETCH(QString, node);
    QFETCH(QString, box);
    QFETCH(QString, typed);
    QFETCH(QString, error);
    StartWindow();
    ClickNode(node);
    Click(m_window->findChild<QLineEdit *>(box));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Delete);
    QTest::keyClicks(QApplication::focusWidget(), typed);

    // A file that was there stays as it was.
    const QString path = m_dir->filePath("station.json");
    QVERIFY(WriteFile(path, "earlier"));
    SaveAs(path);
    QCOMPARE(m_standIn->Errors(), QStringList{error});
    QCOMPARE(ReadFile(path), QByteArray("earlier"));
    QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files), QStringList{"station.json"});

    // A folder that does not exist: the box names the file.
    m_standIn->Errors().clear();
    Click(m_window->findChild<QLineEdit *>(box));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("1"));
    const QString missing = m_dir->filePath("missing/station.json");
    SaveAs(missing);
    QCOMPARE(m_standIn->Errors().size(), 1);
    QVERIFY2(m_standIn->Errors().first().startsWith(QDir::toNativeSeparators(missing) + QStringLiteral(": ")),
             qPrintable(m_standIn->Errors().first()));
}

void TestStationFile::dialogProposesDatedNameInLastFolder()
{
    StartWindow();
    const auto dated = [](const QString &folder) {
        // Either side of a midnight passing during the test.
        return QStringList{QDir(folder).filePath(TStationFileDialog::ProposedName(QDate::currentDate().addDays(-1))),
                           QDir(folder).filePath(TStationFileDialog::ProposedName(QDate::currentDate()))};
    };
    QCOMPARE(TStationFileDialog::ProposedName(QDate(2026, 12, 10)), QString("azs-config-2026-12-10.json"));

    // Cancelled: nothing written, the folder not changed.
    SaveAs(QString());
    QCOMPARE(m_proposed.size(), 1);
    QCOMPARE(m_proposed.last().first, TStationFileDialog::TPurpose::Save);
    // The user's documents, or home where there is no such folder.
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    const QString start = QFileInfo(documents).isDir() ? documents : QDir::homePath();
    QVERIFY2(dated(start).contains(m_proposed.last().second), qPrintable(m_proposed.last().second));

    const QString folder = m_dir->filePath("chosen");
    QVERIFY(QDir().mkpath(folder));
    SaveAs(QDir(folder).filePath("a.json"));
    QCOMPARE(m_standIn->Errors(), QStringList());
    QVERIFY(QFile::exists(QDir(folder).filePath("a.json")));
    SaveAs(QString());
    QVERIFY2(dated(folder).contains(m_proposed.last().second), qPrintable(m_proposed.last().second));

    // Opening proposes the same folder, and a file opened elsewhere moves it.
    Open(QString());
    QCOMPARE(m_proposed.last(), std::pair(TStationFileDialog::TPurpose::Open, folder));
    QVERIFY(QFile::copy(QDir(folder).filePath("a.json"), m_dir->filePath("b.json")));
    Open(m_dir->filePath("b.json"));
    QCOMPARE(m_standIn->Errors(), QStringList());
    SaveAs(QString());
    QVERIFY2(dated(m_dir->path()).contains(m_proposed.last().second), qPrintable(m_proposed.last().second));
    QCOMPARE(m_proposed.size(), 6);
}

// A file the window saved, restored by the companion on another controller:
// that controller then holds what the window would have written.
void TestStationFile::windowFileRestoresWithCompanion()
{
    QRandomGenerator random = SeededGenerator(QTest::currentTestFunction());
    sim::ControllerSim &sim = m_standIn->Sim();
    const QByteArray config = ConfigWithGaps(sim, random);
    sim.setFile("config", config.toStdString());
    StartWindow();
    EditTable(3);
    EditTable(4);
    const QString path = m_dir->filePath("station.json");
    SaveAs(path);
    QCOMPARE(m_standIn->Errors(), QStringList());

    std::unique_ptr<sim::ControllerSim> other = m_standIn->Fixture().StartAnother(2);
    other->setFile("config", QByteArray(ConfigImage::Size, '\0').toStdString());
    const CliResult restore = RunCli({QStringLiteral("--port"), QStringLiteral("2"), QStringLiteral("restore"), path});
    QCOMPARE(restore.exitCode, 0);
    QCOMPARE(restore.err, QByteArray("reload: OK\n")); // the controller's word on it
    QCOMPARE(SimFile(*other, "config"), config);
    const QByteArray tables = SimFile(*other, "tanks.tbl");
    for (const int tankNo : {3, 4})
        QCOMPARE(Block(tables, tankNo), TankTableFile::BlockBytes(*m_window->Station().TankTables().ForTank(tankNo)));
    other->stop();
}

// A backup the companion made of another controller, opened in the window
// and written: this controller then holds the backed-up station.
void TestStationFile::companionBackupOpensInWindow()
{
    QRandomGenerator random = SeededGenerator(QTest::currentTestFunction());
    std::unique_ptr<sim::ControllerSim> other = m_standIn->Fixture().StartAnother(2);
    const QByteArray config = ConfigWithGaps(*other, random);
    other->setFile("config", config.toStdString());
    QByteArray tables = SimFile(*other, "tanks.tbl");
    for (char &byte : tables)
        byte = char(random.generate());
    other->setFile("tanks.tbl", tables.toStdString());
    const QString path = m_dir->filePath("backup.json");
    const CliResult backup = RunCli({QStringLiteral("--port"), QStringLiteral("2"), QStringLiteral("backup"), path});
    QCOMPARE(backup.exitCode, 0);
    QCOMPARE(backup.err, QByteArray());
    other->stop();

    StartWindow(false);
    m_standIn->Sim().clearTranscript();
    Open(path);
    QCOMPARE(m_standIn->Errors(), QStringList());
    QVERIFY(m_standIn->Sim().commands().empty());
    ClickAction(Action("acIcWrite"));
    QCOMPARE(m_standIn->Errors(), QStringList());
    sim::ControllerSim &sim = m_standIn->Sim();
    QCOMPARE(SimFile(sim, "config"), config);
    const QByteArray written = SimFile(sim, "tanks.tbl");
    for (int tankNo = 1; tankNo <= TTerminalConfig::TankCount; ++tankNo)
        QCOMPARE(Block(written, tankNo), Block(tables, tankNo));
}

QTEST_MAIN(TestStationFile)
#include "tst_stationfile.moc"
