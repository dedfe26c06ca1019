// "Сравнить с контроллером" in the main window against the controller
// stand-in, through real input: what the list says for changes on either
// side (the pages' boxes and cells, a table held, the controller's members,
// gap bytes and tables), that only the reads go out, that nothing in the
// window changes, that the list can be copied, and that a page the write
// would refuse stops it before anything is sent.
#include "StandInWindow.h"
#include "WindowDriver.h"
#include "app/ErrorBox.h"
#include "app/UfmCompare.h"
#include "calibration/CalibrationEditor.h"
#include "calibration/TankTableTransfer.h"
#include "calibration/UfmTankCalibration.h"
#include "config/ConfigDataSet.h"
#include "config/ConfigImage.h"
#include "config/TerminalConfig.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStackedWidget>
#include <QTableView>
#include <QTest>
#include <QWindow>
#include <QtEndian>

namespace {

// What the user did in the window after the read.
enum class WindowEdit { None, Box, Cell, TableOpened, TableEdited };

// What "Сравнить с контроллером" must leave as it was.
struct WindowState
{
    QString title;
    StandInWindow::Pages pages;
    QList<int> currentRows;                               // of the three grids
    QList<std::tuple<bool, bool, QList<qint32>>> tables;  // Loaded, Modified, Volumes
    TTerminalConfig configuration;                        // gap bytes included
    bool unsaved = false;

    friend bool operator==(const WindowState &, const WindowState &) = default;
};

// The list as the dialog showed it.
struct ShownList
{
    QString title;
    QString scope;
    QString text;
};

using ControllerChange = std::function<void(TTerminalConfig &config, QByteArray &tables)>;

qint32 Entry(const QByteArray &tables, int tankNo, int k)
{
    return qFromLittleEndian<qint32>(tables.constData() + TankTableFile::BlockOffset(tankNo) + 4 * k);
}

void SetEntry(QByteArray &tables, int tankNo, int k, qint32 value)
{
    qToLittleEndian(value, tables.data() + TankTableFile::BlockOffset(tankNo) + 4 * k);
}

} // namespace

Q_DECLARE_METATYPE(WindowEdit)
Q_DECLARE_METATYPE(ControllerChange)

class TestCompare : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void listsWhatDiffers_data();
    void listsWhatDiffers();
    void listIsCopied();
    void pagesTheWriteRefusesSendNothing();

private:
    void StartWindow();
    // Clicks "Сравнить с контроллером" and closes the list with its button;
    // the list as it showed.
    ShownList Compare();
    WindowState State() const;

    std::unique_ptr<StandInWindow> m_standIn;
    TfmMain *m_window = nullptr; // m_standIn's, once started
};

void TestCompare::init()
{
    m_standIn = std::make_unique<StandInWindow>();
}

void TestCompare::cleanup()
{
    m_window = nullptr;
    m_standIn.reset();
}

void TestCompare::StartWindow()
{
    m_window = &m_standIn->Start();
}

ShownList TestCompare::Compare()
{
    ShownList shown;
    ModalDriver<TfmCompare> driver([&](TfmCompare *dialog) {
        shown.title = dialog->windowTitle();
        shown.scope = dialog->findChild<QLabel *>("lblScope")->text();
        shown.text = dialog->findChild<QPlainTextEdit *>("mDifferences")->toPlainText();
        if (UserInput::Activate(dialog))
            UserInput::Click(dialog->findChild<QPushButton *>("btnClose"));
    });
    ClickAction(*m_window, "acCompare");
    if (driver.Opened != 1 || driver.LeftOpen)
        QTest::qFail("the list did not show and close once", __FILE__, __LINE__);
    return shown;
}

WindowState TestCompare::State() const
{
    WindowState state;
    state.title = m_window->windowHandle()->title();
    state.pages = m_standIn->ShownPages();
    for (const char *name : {"DBGridEh1", "DBGridEh2", "DBGridEh3"})
        state.currentRows << m_window->findChild<QTableView *>(QString::fromLatin1(name))->currentIndex().row();
    for (const TankTable &slot : m_window->Station().TankTables())
        state.tables << std::tuple{slot.Loaded, slot.Modified, QList<qint32>(slot.Volumes.begin(), slot.Volumes.end())};
    state.configuration = m_window->Station().Configuration();
    state.unsaved = m_window->Station().UnsavedChanges();
    return state;
}

void TestCompare::listsWhatDiffers_data()
{
    QTest::addColumn<WindowEdit>("edit");
    QTest::addColumn<ControllerChange>("change"); // of the stand-in, after the read
    QTest::addColumn<QString>("scope");           // the label's first line
    // The list; %T:K stands for entry K of tank T's table on the stand-in
    // before the change, %E:K for the window's after an edit.
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<QStringList>("reads");

    const QString configOnly = QStringLiteral("Сравнены: конфигурация.");
    const QString withTank2 = QStringLiteral("Сравнены: конфигурация, таблица резервуара 2.");
    const QStringList config{"rdfile config 0 0"};
    const QStringList configAndTank2{"rdfile config 0 0", "rdfile tanks.tbl 1600 1600"};
    const ControllerChange unchanged = [](TTerminalConfig &, QByteArray &) {};

    QTest::newRow("the station as read") << WindowEdit::None << unchanged << configOnly
                                         << QStringList{"Нет различий"} << config;
    QTest::newRow("a box typed into") << WindowEdit::Box << unchanged << configOnly
                                      << QStringList{"GPRS · APN: «edited» → «internet.mts.ru»"} << config;
    QTest::newRow("a cell typed into") << WindowEdit::Cell << unchanged << configOnly
                                       << QStringList{"Резервуары · резервуар 2 · Hmin: 127 → 120"} << config;
    QTest::newRow("the controller's number, checkbox and pick list")
        << WindowEdit::None << ControllerChange([](TTerminalConfig &c, QByteArray &) {
               c.tanks[1].hmax = 2000;
               c.pumps[2].nozzles[1].active = 0;
               c.tanks[0].adapter_comport_no = 3;
           })
        << configOnly
        << QStringList{"Резервуары · резервуар 1 · Уровнемер · Порт: RS232 → RS485-2",
                       "Резервуары · резервуар 2 · Hmax: 3000 → 2000", "ТРК 3 · пистолет 2 · Активен: да → нет"}
        << config;
    QTest::newRow("the controller's text and gap bytes")
        << WindowEdit::None << ControllerChange([](TTerminalConfig &c, QByteArray &) {
               c.server_login = QByteArray("other");
               c.gaps[0] = char(c.gaps[0] + 1);
               c.gaps[50] = char(c.gaps[50] + 1);
               c.gaps[115] = char(c.gaps[115] + 1);
           })
        << configOnly << QStringList{"Http · Логин: «azs17» → «other»", "прочие байты конфигурации: 3"} << config;
    QTest::newRow("a table opened, the controller's changed")
        << WindowEdit::TableOpened << ControllerChange([](TTerminalConfig &, QByteArray &t) {
               SetEntry(t, 2, 5, -1);
               SetEntry(t, 2, 6, -2);
           })
        << withTank2 << QStringList{"Резервуар 2: высоты 50–60 (%2:5 … %2:6 → -1 … -2)"} << configAndTank2;
    QTest::newRow("a table opened, the controller's unchanged")
        << WindowEdit::TableOpened << unchanged << withTank2 << QStringList{"Нет различий"} << configAndTank2;
    QTest::newRow("a table edited in the editor")
        << WindowEdit::TableEdited << unchanged << withTank2
        << QStringList{"Резервуар 2: высоты 0–20 (%E:0 … %E:2 → %2:0 … %2:2)"} << configAndTank2;
}

// The list names what differs in the pages' words, the window's value
// first; only "config" and the tables held are read, and the window keeps
// everything as it was: the pages, their current rows, the tables and their
// marks, the configuration held, the title's mark.
void TestCompare::listsWhatDiffers()
{
    QFETCH(WindowEdit, edit);
    QFETCH(ControllerChange, change);
    QFETCH(QString, scope);
    QFETCH(QStringList, lines);
    QFETCH(QStringList, reads);

    StartWindow();
    const QByteArray tablesBefore = m_standIn->SimFile("tanks.tbl");
    switch (edit) {
    case WindowEdit::None:
        break;
    case WindowEdit::Box:
        ClickNode(*m_window, QStringLiteral("GPRS"));
        UserInput::Click(Child(*m_window, "eAPN"));
        UserInput::Key(Qt::Key_A, Qt::ControlModifier);
        UserInput::Type(QStringLiteral("edited"));
        break;
    case WindowEdit::Cell: {
        ShowTankPage(*m_window);
        TConfigGrid *grid = TankGrid(*m_window);
        const QModelIndex cell = grid->model()->index(1, TankColumn::Hmin);
        UserInput::ClickCell(grid, cell);
        if (!grid->indexWidget(cell)) // opened on demand: a click on the current cell
            UserInput::ClickCell(grid, cell);
        QVERIFY(QTest::qWaitFor([&] { return grid->indexWidget(cell) != nullptr; }));
        UserInput::Key(Qt::Key_A, Qt::ControlModifier);
        UserInput::Type(QStringLiteral("127"));
        UserInput::Key(Qt::Key_Return);
        QVERIFY(QTest::qWaitFor([&] { return cell.data(Qt::EditRole).toInt() == 127; }));
        break;
    }
    case WindowEdit::TableOpened:
    case WindowEdit::TableEdited: {
        ShowTankPage(*m_window);
        ModalDriver<TfmTankCalibration> editor([edit](TfmTankCalibration *dialog) {
            if (!UserInput::Activate(dialog))
                return; // left open: the driver rejects it and the test fails
            if (edit == WindowEdit::TableEdited) {
                UserInput::Click(dialog->findChild<TCalibrationEditor *>("Editor"));
                UserInput::Key(Qt::Key_Home, Qt::ControlModifier);
                for (int line = 0; line < 3; ++line)
                    UserInput::Key(Qt::Key_Down, Qt::ShiftModifier);
                UserInput::Type("3\n10\n17\n");
            }
            UserInput::Click(dialog->findChild<QPushButton *>(edit == WindowEdit::TableEdited ? "btnOk" : "Button2"));
        });
        ClickTableButton(*m_window, 1);
        QCOMPARE(editor.Opened, 1);
        QVERIFY(!editor.LeftOpen);
        QVERIFY(UserInput::Activate(m_window));
        break;
    }
    }
    QCOMPARE(m_standIn->Errors(), QStringList());

    TTerminalConfig controller;
    ConfigImage::Decode(m_standIn->SimFile("config"), controller);
    QByteArray tables = m_standIn->SimFile("tanks.tbl");
    change(controller, tables);
    m_standIn->Sim().setFile("config", ConfigImage::Encode(controller).toStdString());
    m_standIn->Sim().setFile("tanks.tbl", tables.toStdString());
    const TankTable &held = *m_window->Station().TankTables().ForTank(2);
    for (int k = 2; k >= 0; --k) {
        for (QString &line : lines) {
            line.replace(QStringLiteral("%E:%1").arg(k), QString::number(held.Volumes[std::size_t(k)]));
            line.replace(QStringLiteral("%2:%1").arg(k + 5), QString::number(Entry(tablesBefore, 2, k + 5)));
            line.replace(QStringLiteral("%2:%1").arg(k), QString::number(Entry(tablesBefore, 2, k)));
        }
    }

    const WindowState before = State();
    const int sent = int(m_standIn->Sim().commands().size());
    const ShownList shown = Compare();
    QCOMPARE(m_standIn->Errors(), QStringList());
    QCOMPARE(shown.title, ErrorBox::ApplicationTitle());
    const bool none = lines == QStringList{QStringLiteral("Нет различий")};
    QCOMPARE(shown.scope, none ? scope : scope + QStringLiteral("\nЗначение в окне → в контроллере:"));
    QCOMPARE(shown.text.split(u'\n'), lines);
    QCOMPARE(Commands(m_standIn->Sim(), sent), reads);
    QVERIFY(State() == before);
    QVERIFY(Action(*m_window, "acCompare")->isEnabled());
}

// "Копировать" puts the whole list on the clipboard; Ctrl+A and Ctrl+C in
// the list what is selected.
void TestCompare::listIsCopied()
{
    StartWindow();
    TTerminalConfig controller;
    ConfigImage::Decode(m_standIn->SimFile("config"), controller);
    controller.server_port = 8081;
    controller.tanks[1].hmax = 2000;
    m_standIn->Sim().setFile("config", ConfigImage::Encode(controller).toStdString());
    const QString list = QStringLiteral("Http · Порт: 8080 → 8081\nРезервуары · резервуар 2 · Hmax: 3000 → 2000");

    QClipboard *clipboard = QGuiApplication::clipboard();
    QStringList copied;
    ModalDriver<TfmCompare> driver([&](TfmCompare *dialog) {
        if (!UserInput::Activate(dialog))
            return;
        clipboard->clear();
        UserInput::Click(dialog->findChild<QPushButton *>("btnCopy"));
        copied << clipboard->text();
        clipboard->clear();
        UserInput::Click(dialog->findChild<QPlainTextEdit *>("mDifferences"));
        UserInput::Key(Qt::Key_A, Qt::ControlModifier);
        UserInput::Key(Qt::Key_C, Qt::ControlModifier);
        copied << clipboard->text();
        // The list stays as it was: it takes no typing.
        UserInput::Type(QStringLiteral("x"));
        copied << dialog->findChild<QPlainTextEdit *>("mDifferences")->toPlainText();
        UserInput::Key(Qt::Key_Escape);
    });
    ClickAction(*m_window, "acCompare");
    QCOMPARE(driver.Opened, 1);
    QVERIFY(!driver.LeftOpen);
    QCOMPARE(m_standIn->Errors(), QStringList());
    QCOMPARE(copied, (QStringList{list, list, list}));
}

// An empty "Сектор:" stops the comparison as it stops a write, before
// anything is sent, and leaves the configuration held as it was.
void TestCompare::pagesTheWriteRefusesSendNothing()
{
    StartWindow();
    ClickNode(*m_window, QStringLiteral("Карты"));
    UserInput::Click(Child(*m_window, "eCardSector"));
    UserInput::Key(Qt::Key_A, Qt::ControlModifier);
    UserInput::Key(Qt::Key_Delete);
    QCOMPARE(Child<QLineEdit>(*m_window, "eCardSector")->text(), QString());

    const WindowState before = State();
    const int sent = int(m_standIn->Sim().commands().size());
    ModalDriver<TfmCompare> driver;
    ClickAction(*m_window, "acCompare");
    QCOMPARE(driver.Opened, 0);
    QCOMPARE(m_standIn->Errors(), QStringList{"Could not convert variant of type (Null) into type (Integer)"});
    QCOMPARE(Commands(m_standIn->Sim(), sent), QStringList());
    QVERIFY(State() == before);
}

QTEST_MAIN(TestCompare)
#include "tst_compare.moc"
