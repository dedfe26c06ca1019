// What the user changed and has not saved, in the main window against the
// controller stand-in, through real input: the title's mark, what sets and
// what clears it, and the question that "Считать из контроллера", "Открыть
// файл" and closing the window ask before they drop such changes.
#include "StandInWindow.h"
#include "WindowDriver.h"
#include "app/ErrorBox.h"
#include "app/Station.h"
#include "app/StationFileDialog.h"
#include "calibration/CalibrationEditor.h"
#include "calibration/UfmTankCalibration.h"
#include "common/Cp1251.h"
#include "common/Version.h"
#include "config/ConfigDataSet.h"
#include "config/ConfigImage.h"
#include "config/TerminalConfig.h"
#include "terminal/ExchangeLine.h"

#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QStackedWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QWindow>

namespace {

// The project's name and version, as the build generated them.
const QString kTitle = QStringLiteral("%1-%2").arg(QLatin1String(Version::ProgramName), QLatin1String(Version::Number));
const QString kMarkedTitle = kTitle + u'*';

// What drops the pages: a read, a file opened, the window closed.
enum class Trigger { Read, Open, Close };
enum class Answer { Escape, CancelButton, Discard, Save, SaveCancelled, SaveFails };

// What a cancelled action must leave as it was.
struct PagesState
{
    StandInWindow::Pages pages;
    QList<bool> modified;      // of the table slots
    QList<qint32> volumes;     // of every slot

    friend bool operator==(const PagesState &, const PagesState &) = default;
};

// How the question looked.
struct QuestionLook
{
    QString title;
    QString text;
    QStringList buttons;
    QString escape;
    QString focused;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
};

} // namespace

Q_DECLARE_METATYPE(Trigger)
Q_DECLARE_METATYPE(Answer)

class TestUnsaved : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void questionBeforeDropping_data();
    void questionBeforeDropping();
    void noQuestionWhenNothingIsUnsaved_data();
    void noQuestionWhenNothingIsUnsaved();
    void titleMarksUserChanges_data();
    void titleMarksUserChanges();
    void markClearedBy_data();
    void markClearedBy();
    void closeDuringWriteAsksWhenCarriedOut_data();
    void closeDuringWriteAsksWhenCarriedOut();
    void cellStillBeingTypedCounts();

private:
    // A window on the stand-in, shown and active, its station read.
    void StartWindow();
    QString ShownTitle() const { return m_window->windowHandle()->title(); }
    // Types text over a box of the page the tree's node shows.
    void TypeInto(const QString &node, const char *box, const QString &text);
    // Types a number over a cell of a grid and takes it with Enter.
    void TypeIntoCell(const QString &node, const char *grid, int row, int column, int value);
    // Opens the table of tank 2 and either types over its first lines and
    // saves, saves it unchanged, or types and cancels.
    enum class TableEdit { Changed, Unchanged, TypedThenCancelled };
    void EditTable(TableEdit edit);
    // Saves the pages into path through Ctrl+S.
    void SaveAs(const QString &path);
    void Open(const QString &path);
    // The window's side of the question: its look, and the answer given
    // through the keyboard or the mouse. Runs step; Opened() then tells
    // how often it was asked.
    void Answering(Answer answer, const std::function<void()> &step);
    PagesState State() const;
    QString Box(const char *name) const { return Child<QLineEdit>(*m_window, name)->text(); }
    qint32 Cell(const char *dataSet, int row, int column) const
    {
        return m_window->findChild<TConfigDataSet *>(QString::fromLatin1(dataSet))->Value(row, column);
    }
    TTerminalConfig SimConfig() const
    {
        TTerminalConfig config;
        ConfigImage::Decode(QByteArray::fromStdString(m_standIn->Sim().file("config")), config);
        return config;
    }

    std::unique_ptr<StandInWindow> m_standIn;
    TfmMain *m_window = nullptr; // m_standIn's, once started
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_saveAnswer; // what the file dialogs answer
    QString m_openAnswer;
    QList<TStationFileDialog::TPurpose> m_dialogs; // asked, in order
    QList<QuestionLook> m_questions;
    std::function<void()> m_onQuestion; // called as each question shows
};

void TestUnsaved::init()
{
    m_dialogs.clear();
    m_questions.clear();
    m_onQuestion = nullptr;
    m_saveAnswer.clear();
    m_openAnswer.clear();
    m_standIn = std::make_unique<StandInWindow>();
    TStationFileDialog::SetChooser([this](TStationFileDialog::TPurpose purpose, const QString &) {
        m_dialogs << purpose;
        return purpose == TStationFileDialog::TPurpose::Save ? m_saveAnswer : m_openAnswer;
    });
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
}

void TestUnsaved::cleanup()
{
    m_window = nullptr;
    m_standIn.reset();
    m_dir.reset();
    TStationFileDialog::SetChooser(nullptr);
}

void TestUnsaved::StartWindow()
{
    m_window = &m_standIn->Start(false);
    QCOMPARE(ShownTitle(), kTitle);
    m_standIn->Read();
    // The read fills the pages: no change of the user's.
    QCOMPARE(ShownTitle(), kTitle);
}

void TestUnsaved::TypeInto(const QString &node, const char *box, const QString &text)
{
    ClickNode(*m_window, node);
    UserInput::Click(Child(*m_window, box));
    UserInput::Key(Qt::Key_A, Qt::ControlModifier);
    UserInput::Type(text);
    QCOMPARE(Box(box), text);
}

void TestUnsaved::TypeIntoCell(const QString &node, const char *grid, int row, int column, int value)
{
    ClickNode(*m_window, node);
    auto *view = Child<TConfigGrid>(*m_window, grid);
    const QModelIndex cell = view->model()->index(row, column);
    UserInput::ClickCell(view, cell);
    if (!view->indexWidget(cell)) // opened on demand: a click on the current cell
        UserInput::ClickCell(view, cell);
    QVERIFY(QTest::qWaitFor([&] { return view->indexWidget(cell) != nullptr; }));
    UserInput::Key(Qt::Key_A, Qt::ControlModifier);
    UserInput::Type(QString::number(value));
    UserInput::Key(Qt::Key_Return); // taken once the editor has handled it
    QVERIFY(QTest::qWaitFor([&] { return cell.data(Qt::EditRole).toInt() == value; }));
}

void TestUnsaved::EditTable(TableEdit edit)
{
    ShowTankPage(*m_window);
    ModalDriver<TfmTankCalibration> editor([edit](TfmTankCalibration *dialog) {
        if (!UserInput::Activate(dialog))
            return; // left open: the driver rejects it and the test fails
        if (edit != TableEdit::Unchanged) {
            // The first three lines typed over; below them the stand-in's
            // rising values.
            UserInput::Click(dialog->findChild<TCalibrationEditor *>("Editor"));
            UserInput::Key(Qt::Key_Home, Qt::ControlModifier);
            for (int line = 0; line < 3; ++line)
                UserInput::Key(Qt::Key_Down, Qt::ShiftModifier);
            UserInput::Type("3\n10\n17\n");
        }
        const char *button = edit == TableEdit::TypedThenCancelled ? "Button2" : "btnOk";
        UserInput::Click(dialog->findChild<QPushButton *>(button));
    });
    ClickTableButton(*m_window, 1);
    QCOMPARE(editor.Opened, 1);
    QVERIFY(!editor.LeftOpen);
    QVERIFY(UserInput::Activate(m_window));
    const TankTable &slot = *m_window->Station().TankTables().ForTank(2);
    QCOMPARE(slot.Volumes[2] == 17, edit == TableEdit::Changed);
}

void TestUnsaved::SaveAs(const QString &path)
{
    m_saveAnswer = path;
    UserInput::Key(Qt::Key_S, Qt::ControlModifier);
}

void TestUnsaved::Open(const QString &path)
{
    m_openAnswer = path;
    ClickAction(*m_window, "acFileOpen");
}

void TestUnsaved::Answering(Answer answer, const std::function<void()> &step)
{
    ModalDriver<QMessageBox> question([&](QMessageBox *box) {
        QuestionLook look;
        look.title = box->windowTitle();
        look.text = box->text() + u' ' + box->informativeText();
        for (QAbstractButton *button : box->buttons())
            look.buttons << button->text();
        look.escape = box->escapeButton() ? box->escapeButton()->text() : QString();
        look.icon = box->icon();
        if (!UserInput::Activate(box))
            return; // left open: the driver rejects it and the test fails
        const auto *focused = qobject_cast<QAbstractButton *>(UserInput::Focused());
        look.focused = focused ? focused->text() : QString();
        m_questions << look;
        if (m_onQuestion)
            m_onQuestion();
        const auto click = [box](const char *name) { UserInput::Click(box->findChild<QPushButton *>(name)); };
        // A question asked again is let go, so that the window cannot ask
        // on and on; the test counts the questions.
        switch (m_questions.size() == 1 ? answer : Answer::Discard) {
        case Answer::Escape:
            UserInput::Key(Qt::Key_Escape);
            break;
        case Answer::CancelButton:
            click("btnCancel");
            break;
        case Answer::Discard:
            click("btnDiscard");
            break;
        case Answer::Save:
        case Answer::SaveCancelled:
        case Answer::SaveFails:
            click("btnSaveToFile");
            break;
        }
    });
    step();
    QVERIFY(!question.LeftOpen);
}

PagesState TestUnsaved::State() const
{
    PagesState state;
    state.pages = m_standIn->ShownPages();
    for (const TankTable &slot : m_window->Station().TankTables()) {
        state.modified << slot.Modified;
        state.volumes += QList<qint32>(slot.Volumes.begin(), slot.Volumes.end());
    }
    return state;
}

void TestUnsaved::questionBeforeDropping_data()
{
    QTest::addColumn<Trigger>("action");
    QTest::addColumn<Answer>("answer");
    const std::pair<const char *, Trigger> actions[] = {
        {"read", Trigger::Read}, {"open", Trigger::Open}, {"close", Trigger::Close}};
    const std::pair<const char *, Answer> answers[] = {
        {"Escape", Answer::Escape},
        {"cancel button", Answer::CancelButton},
        {"discard", Answer::Discard},
        {"save", Answer::Save},
        {"save, file dialog cancelled", Answer::SaveCancelled},
        {"save into a missing folder", Answer::SaveFails},
    };
    for (const auto &[actionName, action] : actions) {
        for (const auto &[answerName, answer] : answers)
            QTest::addRow("%s: %s", actionName, answerName) << action << answer;
    }
}

void TestUnsaved::questionBeforeDropping()
{
    QFETCH(Trigger, action);
    QFETCH(Answer, answer);
    StartWindow();
    // A file of this station with another APN, to be opened.
    const QString other = m_dir->filePath("other.json");
    TypeInto(QStringLiteral("GPRS"), "eAPN", QStringLiteral("from-file"));
    SaveAs(other);
    QCOMPARE(m_standIn->Errors(), QStringList());
    QCOMPARE(ShownTitle(), kTitle);

    // The user's changes: a box and a grid cell.
    TypeInto(QStringLiteral("GPRS"), "eAPN", QStringLiteral("edited"));
    TypeIntoCell(QStringLiteral("Резервуары"), "DBGridEh1", 1, TankColumn::Hmax, 2345);
    QCOMPARE(ShownTitle(), kMarkedTitle);
    const PagesState before = State();

    const QString saved = m_dir->filePath("saved.json");
    m_saveAnswer = answer == Answer::SaveCancelled ? QString()
                   : answer == Answer::SaveFails   ? m_dir->filePath("missing/saved.json")
                                                   : saved;
    m_openAnswer = other;
    m_dialogs.clear();
    m_standIn->Sim().clearTranscript();
    Answering(answer, [&] {
        switch (action) {
        case Trigger::Read:
            ClickAction(*m_window, "acIcRead");
            break;
        case Trigger::Open:
            ClickAction(*m_window, "acFileOpen");
            break;
        case Trigger::Close:
            m_window->windowHandle()->close(); // as the title bar's button asks
            break;
        }
    });

    // Asked once, in the program's own words.
    QCOMPARE(m_questions.size(), 1);
    const QuestionLook &look = m_questions.first();
    QCOMPARE(look.title, ErrorBox::ApplicationTitle());
    QVERIFY2(look.text.startsWith(QStringLiteral("Изменения не сохранены.")), qPrintable(look.text));
    QCOMPARE(look.buttons.size(), 3);
    for (const QString &text : {QStringLiteral("Сохранить в файл…"), QStringLiteral("Не сохранять"), QStringLiteral("Отмена")})
        QVERIFY2(look.buttons.contains(text), qPrintable(look.buttons.join(u'|')));
    QCOMPARE(look.escape, QStringLiteral("Отмена"));
    QCOMPARE(look.focused, QStringLiteral("Сохранить в файл…"));
    QCOMPARE(look.icon, QMessageBox::Warning);

    const bool saving = answer == Answer::Save || answer == Answer::SaveCancelled || answer == Answer::SaveFails;
    const bool goesOn = answer == Answer::Save || answer == Answer::Discard;
    QList<TStationFileDialog::TPurpose> dialogs;
    if (saving)
        dialogs << TStationFileDialog::TPurpose::Save;
    if (goesOn && action == Trigger::Open)
        dialogs << TStationFileDialog::TPurpose::Open;
    QCOMPARE(m_dialogs, dialogs);
    if (answer == Answer::SaveFails) {
        QCOMPARE(m_standIn->Errors().size(), 1);
        QVERIFY2(m_standIn->Errors().first().startsWith(QDir::toNativeSeparators(m_saveAnswer) + QStringLiteral(": ")),
                 qPrintable(m_standIn->Errors().first()));
    } else {
        QCOMPARE(m_standIn->Errors(), QStringList());
    }
    QCOMPARE(Commands(m_standIn->Sim()),
             goesOn && action == Trigger::Read ? QStringList{"rdfile config 0 0"} : QStringList());

    // The file saved holds the edits, and opens again with them.
    QCOMPARE(QFile::exists(saved), answer == Answer::Save);
    if (answer == Answer::Save) {
        TStation station;
        station.LoadFromFile(saved);
        QCOMPARE(station.Configuration().apn.Bytes(), QByteArray("edited"));
        QCOMPARE(station.Configuration().tanks[1].hmax, 2345);
    }

    if (!goesOn) {
        // Nothing happened: the edits are there and still marked.
        QVERIFY(m_window->isVisible());
        QVERIFY(State() == before);
        QCOMPARE(ShownTitle(), kMarkedTitle);
        return;
    }
    switch (action) {
    case Trigger::Read:
        QCOMPARE(Box("eAPN"), Cp1251::toUnicode(SimConfig().apn.Bytes()));
        QCOMPARE(Cell("dsTank", 1, TankColumn::Hmax), SimConfig().tanks[1].hmax);
        QCOMPARE(ShownTitle(), kTitle);
        break;
    case Trigger::Open:
        QCOMPARE(Box("eAPN"), QStringLiteral("from-file"));
        QCOMPARE(Cell("dsTank", 1, TankColumn::Hmax), SimConfig().tanks[1].hmax);
        QCOMPARE(ShownTitle(), kMarkedTitle); // opened, not yet in the controller
        break;
    case Trigger::Close:
        QVERIFY(!m_window->isVisible());
        break;
    }
}

void TestUnsaved::noQuestionWhenNothingIsUnsaved_data()
{
    QTest::addColumn<Trigger>("action");
    QTest::addColumn<QString>("before"); // what the user did since the read
    QTest::newRow("read after a read") << Trigger::Read << "nothing";
    QTest::newRow("open after tank cells visited") << Trigger::Open << "cells visited";
    QTest::newRow("close after edits saved to a file") << Trigger::Close << "edits saved";
    QTest::newRow("read after edits written") << Trigger::Read << "edits written";
}

void TestUnsaved::noQuestionWhenNothingIsUnsaved()
{
    QFETCH(Trigger, action);
    QFETCH(QString, before);
    StartWindow();
    const QString path = m_dir->filePath("station.json");
    SaveAs(path); // the station as read, to be opened
    if (before == "cells visited") {
        // The tank grid's editor opens on every cell made current and takes
        // its value back when it closes.
        ShowTankPage(*m_window);
        auto *grid = TankGrid(*m_window);
        for (int column : {TankColumn::FuelCode, TankColumn::Hmax, TankColumn::AdapterType, TankColumn::AdapterH0})
            UserInput::ClickCell(grid, grid->model()->index(2, column));
        QPointer<QWidget> editor = grid->indexWidget(grid->currentIndex());
        UserInput::Key(Qt::Key_Return);
        QVERIFY(QTest::qWaitFor([&] { return !editor; })); // taken and closed
    } else if (before != "nothing") {
        TypeInto(QStringLiteral("GPRS"), "eAPN", QStringLiteral("edited"));
        if (before == "edits saved") {
            SaveAs(path);
        } else {
            ClickAction(*m_window, "acIcWrite");
            QCOMPARE(SimConfig().apn.Bytes(), QByteArray("edited"));
        }
    }
    QCOMPARE(m_standIn->Errors(), QStringList());
    QCOMPARE(ShownTitle(), kTitle);

    m_standIn->Sim().clearTranscript();
    ModalDriver<QMessageBox> question;
    switch (action) {
    case Trigger::Read:
        ClickAction(*m_window, "acIcRead");
        QCOMPARE(Commands(m_standIn->Sim()), QStringList{"rdfile config 0 0"});
        break;
    case Trigger::Open:
        Open(path);
        QCOMPARE(ShownTitle(), kMarkedTitle);
        break;
    case Trigger::Close:
        m_window->windowHandle()->close();
        QVERIFY(!m_window->isVisible());
        break;
    }
    QCOMPARE(question.Opened, 0);
    QCOMPARE(m_standIn->Errors(), QStringList());
}

void TestUnsaved::titleMarksUserChanges_data()
{
    QTest::addColumn<QString>("change");
    QTest::addColumn<bool>("marked");
    QTest::newRow("box typed") << "box typed" << true;
    QTest::newRow("numeric box stepped by Up") << "numeric box stepped" << true;
    QTest::newRow("tank checkbox clicked") << "tank checkbox" << true;
    QTest::newRow("tank level gauge picked") << "tank pick list" << true;
    QTest::newRow("tank Hmax typed") << "tank number" << true;
    QTest::newRow("dispenser checkbox clicked") << "dispenser checkbox" << true;
    QTest::newRow("nozzle tank typed") << "nozzle number" << true;
    QTest::newRow("table saved with a change") << "table changed" << true;
    QTest::newRow("file opened") << "file opened" << true;
    QTest::newRow("tank cells visited") << "cells visited" << false;
    QTest::newRow("table saved unchanged") << "table unchanged" << false;
    QTest::newRow("table typed then cancelled") << "table cancelled" << false;
    QTest::newRow("read again") << "read" << false;
}

void TestUnsaved::titleMarksUserChanges()
{
    QFETCH(QString, change);
    QFETCH(bool, marked);
    StartWindow();
    QVERIFY(!m_window->Station().UnsavedChanges());
    if (change == "box typed") {
        TypeInto(QStringLiteral("Администрирование"), "eAdminTel", QStringLiteral("+7"));
    } else if (change == "numeric box stepped") {
        ClickNode(*m_window, QStringLiteral("Http"));
        UserInput::Click(Child(*m_window, "eSyncTime"));
        const QString before = Box("eSyncTime");
        UserInput::Key(Qt::Key_Up);
        QCOMPARE(Box("eSyncTime"), QString::number(before.toInt() + 1));
    } else if (change == "tank checkbox" || change == "dispenser checkbox") {
        const bool tank = change == "tank checkbox";
        ClickNode(*m_window, tank ? QStringLiteral("Резервуары") : QStringLiteral("ТРК"));
        auto *grid = Child<TConfigGrid>(*m_window, tank ? "DBGridEh1" : "DBGridEh2");
        const QModelIndex box = grid->model()->index(2, tank ? int(TankColumn::Active) : int(PumpColumn::Active));
        const QVariant before = box.data(Qt::CheckStateRole);
        UserInput::ClickCell(grid, box);
        QVERIFY(box.data(Qt::CheckStateRole) != before);
    } else if (change == "tank pick list") {
        ShowTankPage(*m_window);
        auto *grid = TankGrid(*m_window);
        const QModelIndex cell = grid->model()->index(2, TankColumn::AdapterType);
        const QString before = cell.data().toString();
        UserInput::ClickCell(grid, cell);
        auto *box = qobject_cast<QComboBox *>(grid->indexWidget(cell));
        QVERIFY(box);
        UserInput::Key(box->currentIndex() + 1 < box->count() ? Qt::Key_Down : Qt::Key_Up);
        UserInput::Key(Qt::Key_Return);
        QVERIFY(QTest::qWaitFor([&] { return cell.data().toString() != before; }));
    } else if (change == "tank number") {
        TypeIntoCell(QStringLiteral("Резервуары"), "DBGridEh1", 3, TankColumn::Hmax, 1234);
    } else if (change == "nozzle number") {
        const int tankNo = SimConfig().pumps[0].nozzles[1].tank_no % TTerminalConfig::TankCount + 1;
        TypeIntoCell(QStringLiteral("ТРК"), "DBGridEh3", 1, NozzleColumn::TankNo, tankNo);
    } else if (change.startsWith("table ")) {
        EditTable(change == "table changed"     ? TableEdit::Changed
                  : change == "table unchanged" ? TableEdit::Unchanged
                                                : TableEdit::TypedThenCancelled);
    } else if (change == "file opened") {
        const QString path = m_dir->filePath("station.json");
        SaveAs(path);
        QCOMPARE(ShownTitle(), kTitle);
        m_standIn->Sim().clearTranscript();
        Open(path);
        QCOMPARE(Commands(m_standIn->Sim()), QStringList());
    } else if (change == "cells visited") {
        ShowTankPage(*m_window);
        auto *grid = TankGrid(*m_window);
        for (int row : {1, 4})
            for (int column : {TankColumn::FuelCode, TankColumn::Hmin, TankColumn::AdapterType, TankColumn::AdapterComportNo})
                UserInput::ClickCell(grid, grid->model()->index(row, column));
        QPointer<QWidget> editor = grid->indexWidget(grid->currentIndex());
        UserInput::Key(Qt::Key_Escape);
        QVERIFY(QTest::qWaitFor([&] { return !editor; }));
        ClickNode(*m_window, QStringLiteral("ТРК"));
        auto *nozzles = Child<TConfigGrid>(*m_window, "DBGridEh3");
        const QModelIndex cell = nozzles->model()->index(2, NozzleColumn::TankNo);
        UserInput::ClickCell(nozzles, cell);
        UserInput::ClickCell(nozzles, cell); // opens its editor
        QVERIFY(QTest::qWaitFor([&] { return nozzles->indexWidget(cell) != nullptr; }));
        QPointer<QWidget> nozzleEditor = nozzles->indexWidget(cell);
        UserInput::Key(Qt::Key_Return);
        QVERIFY(QTest::qWaitFor([&] { return !nozzleEditor; }));
    } else if (change == "read") {
        ClickAction(*m_window, "acIcRead");
    } else {
        QFAIL("no such change");
    }
    QCOMPARE(m_standIn->Errors(), QStringList());
    QCOMPARE(ShownTitle(), marked ? kMarkedTitle : kTitle);
    QCOMPARE(m_window->Station().UnsavedChanges(), marked);
}

void TestUnsaved::markClearedBy_data()
{
    QTest::addColumn<QString>("by");
    QTest::addColumn<bool>("marked"); // afterwards
    QTest::newRow("read, changes discarded") << "read" << false;
    // What is typed into the emptied pages while the read waits is shown
    // over by it.
    QTest::newRow("read, typed into meanwhile") << "typed during read" << false;
    QTest::newRow("failed read: the pages emptied") << "failed read" << false;
    QTest::newRow("write") << "write" << false;
    QTest::newRow("file save") << "save" << false;
    QTest::newRow("not a cancelled file save") << "save cancelled" << true;
    QTest::newRow("not a write with an edit made meanwhile") << "edit during write" << true;
    QTest::newRow("not a refused file open") << "refused open" << true;
}

void TestUnsaved::markClearedBy()
{
    QFETCH(QString, by);
    QFETCH(bool, marked);
    StartWindow();
    EditTable(TableEdit::Changed);
    TypeInto(QStringLiteral("GPRS"), "eAPN", QStringLiteral("edited"));
    QCOMPARE(ShownTitle(), kMarkedTitle);

    if (by == "read" || by == "typed during read" || by == "failed read") {
        sim::ControllerSim &sim = m_standIn->Sim();
        const int next = int(sim.commands().size()) + 1;
        if (by == "failed read")
            sim.addFault({sim::Fault::ShortAnswer, next, next});
        QString typed;
        if (by == "typed during read") {
            // Saved first: no question, the window keeps the focus.
            SaveAs(m_dir->filePath("station.json"));
            QCOMPARE(ShownTitle(), kTitle);
            connect(&m_window->Station().Exchanges(), &TExchangeLine::commandStarted, this, [&] {
                UserInput::Type(QStringLiteral("x"));
                typed = Box("eAPN");
            });
        }
        Answering(Answer::Discard, [&] { ClickAction(*m_window, "acIcRead"); });
        QCOMPARE(m_questions.size(), by == "typed during read" ? 0 : 1);
        QVERIFY(!m_window->Station().TankTables().ForTank(2)->Modified);
        if (by == "failed read") {
            QCOMPARE(m_standIn->Errors().size(), 1);
            m_standIn->Errors().clear();
            QCOMPARE(Box("eAPN"), QString());
        } else {
            QCOMPARE(Box("eAPN"), Cp1251::toUnicode(SimConfig().apn.Bytes()));
        }
        if (by == "typed during read")
            QCOMPARE(typed, QStringLiteral("x"));
    } else if (by == "write" || by == "edit during write") {
        // The box keeps the focus while the toolbar is clicked.
        QCOMPARE(UserInput::Focused(), Child(*m_window, "eAPN"));
        int typed = 0;
        if (by == "edit during write") {
            connect(&m_window->Station().Exchanges(), &TExchangeLine::commandStarted, this, [&] {
                if (typed++ == 0)
                    UserInput::Type(QStringLiteral("+"));
            });
        }
        ClickAction(*m_window, "acIcWrite");
        QCOMPARE(SimConfig().apn.Bytes(), QByteArray("edited"));
        QVERIFY(!m_window->Station().TankTables().ForTank(2)->Modified);
        QCOMPARE(Box("eAPN"), by == "write" ? QStringLiteral("edited") : QStringLiteral("edited+"));
    } else if (by == "save" || by == "save cancelled") {
        const QString path = by == "save" ? m_dir->filePath("station.json") : QString();
        SaveAs(path);
        QCOMPARE(m_dialogs.size(), 1);
        // The file save does not write the controller: the table stays
        // marked for the next write.
        QVERIFY(m_window->Station().TankTables().ForTank(2)->Modified);
    } else if (by == "refused open") {
        const QString bad = m_dir->filePath("bad.json");
        QFile file(bad);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write("[1, 2]") == 6);
        file.close();
        const PagesState before = State();
        Answering(Answer::Discard, [&] { Open(bad); });
        QCOMPARE(m_questions.size(), 1);
        QCOMPARE(m_standIn->Errors().size(), 1);
        m_standIn->Errors().clear();
        QVERIFY(State() == before);
    }
    QCOMPARE(m_standIn->Errors(), QStringList());
    QCOMPARE(ShownTitle(), marked ? kMarkedTitle : kTitle);
    QCOMPARE(m_window->Station().UnsavedChanges(), marked);
}

void TestUnsaved::closeDuringWriteAsksWhenCarriedOut_data()
{
    QTest::addColumn<Answer>("answer");
    QTest::newRow("cancel keeps the window") << Answer::CancelButton;
    QTest::newRow("discard closes it") << Answer::Discard;
}

// A close asked for while a write runs waits for it; an edit made meanwhile
// is not in the controller, so the close then asks.
void TestUnsaved::closeDuringWriteAsksWhenCarriedOut()
{
    QFETCH(Answer, answer);
    StartWindow();
    TypeInto(QStringLiteral("GPRS"), "eAPN", QStringLiteral("edited"));
    QStringList log;
    connect(&m_window->Station().Exchanges(), &TExchangeLine::commandStarted, this, [&] {
        if (!log.isEmpty())
            return;
        UserInput::Type(QStringLiteral("+"));
        m_window->windowHandle()->close(); // as the title bar's button asks
        log << (m_window->isVisible() ? "close deferred" : "closed at once");
    });
    connect(&m_window->Station().Exchanges(), &TExchangeLine::exchangeRunningChanged, this, [&](bool running) {
        if (!running)
            log << "write over";
    });
    m_onQuestion = [&] { log << "asked"; };
    Answering(answer, [&] {
        ClickAction(*m_window, "acIcWrite");
        log << "write returned";
        // The close is carried out once the loop gets to it.
        QVERIFY(QTest::qWaitFor([&] { return !m_questions.isEmpty(); }));
        QVERIFY(QTest::qWaitFor([&] { return QApplication::activeModalWidget() == nullptr; }));
    });
    // Asked once: the deferred close is over.
    QCoreApplication::sendPostedEvents();
    QCOMPARE(m_questions.size(), 1);
    QCOMPARE(m_standIn->Errors(), QStringList());
    QCOMPARE(log, (QStringList{"close deferred", "write over", "write returned", "asked"}));
    QCOMPARE(SimConfig().apn.Bytes(), QByteArray("edited"));
    QCOMPARE(m_window->isVisible(), answer != Answer::Discard);
    if (answer != Answer::Discard) {
        QCOMPARE(Box("eAPN"), QStringLiteral("edited+"));
        QCOMPARE(ShownTitle(), kMarkedTitle);
    }
}

// A number typed into the tank grid's cell, its editor still open when
// "Считать из контроллера" is clicked: the question comes, and the cell
// keeps what was typed.
void TestUnsaved::cellStillBeingTypedCounts()
{
    StartWindow();
    ShowTankPage(*m_window);
    auto *grid = TankGrid(*m_window);
    const QModelIndex cell = grid->model()->index(1, TankColumn::Hmax);
    UserInput::ClickCell(grid, cell);
    QVERIFY(grid->indexWidget(cell));
    UserInput::Key(Qt::Key_A, Qt::ControlModifier);
    UserInput::Type(QStringLiteral("2345"));
    QCOMPARE(ShownTitle(), kTitle); // not taken yet

    m_standIn->Sim().clearTranscript();
    Answering(Answer::Escape, [&] { ClickAction(*m_window, "acIcRead"); });
    QCOMPARE(m_questions.size(), 1);
    QCOMPARE(Commands(m_standIn->Sim()), QStringList());
    QCOMPARE(Cell("dsTank", 1, TankColumn::Hmax), 2345);
    QCOMPARE(ShownTitle(), kMarkedTitle);
}

QTEST_MAIN(TestUnsaved)
#include "tst_unsaved.moc"
