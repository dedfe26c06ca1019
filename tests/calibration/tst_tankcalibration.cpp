// The calibration editor dialog, driven through its real widgets.
#include "calibration/CalibrationEditor.h"
#include "calibration/TankTable.h"
#include "calibration/UfmTankCalibration.h"
#include "ModalDriver.h"
#include "UserInput.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QWindow>

namespace {

// A slot of tank 3 as after a fetch; rising tables hold 100, 200, ...
TankTable LoadedTable(qint32 hmax, bool rising)
{
    TankTable table;
    table.TankNo = 3;
    table.Loaded = true;
    table.HMax = hmax;
    for (int k = 0; k < TankTable::EntryCount; ++k)
        table.Volumes[k] = rising ? 100 * (k + 1) : 0;
    return table;
}

QStringList EditorLines(const TCalibrationEditor &editor)
{
    QStringList lines;
    for (int i = 0; i < editor.LineCount(); ++i)
        lines.append(editor.Line(i));
    return lines;
}

int CaretLine(const TCalibrationEditor &editor)
{
    return editor.textCursor().blockNumber();
}

// Replaces the editor's whole text by typing; an empty text deletes it.
void TypeText(TCalibrationEditor *editor, const QString &text)
{
    UserInput::Click(editor);
    UserInput::Key(Qt::Key_A, Qt::ControlModifier);
    if (text.isEmpty())
        UserInput::Key(Qt::Key_Delete);
    else
        UserInput::Type(text);
}

} // namespace

class TankCalibrationTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void opens_data();
    void opens();
    void saves_data();
    void saves();
    void errorMarkClearedByTyping();
    void keyAfterErrorBoxGoesToEditor_data();
    void keyAfterErrorBoxGoesToEditor();
    void closingWithoutSaveLeavesTable_data();
    void closingWithoutSaveLeavesTable();
    void editTankTableRunsModally_data();
    void editTankTableRunsModally();

private:
    struct Dialog
    {
        explicit Dialog(TankTable &table) : window(table, nullptr)
        {
            editor = window.findChild<TCalibrationEditor *>("Editor");
            save = window.findChild<QPushButton *>("btnOk");
            cancel = window.findChild<QPushButton *>("Button2");
            active = UserInput::Activate(&window);
        }
        TfmTankCalibration window;
        TCalibrationEditor *editor;
        QPushButton *save;
        QPushButton *cancel;
        bool active;
    };

    QStringList m_errorBoxes;
    decltype(TfmTankCalibration::ShowErrorBox) m_standardBox;
};

void TankCalibrationTest::initTestCase()
{
    m_standardBox = TfmTankCalibration::ShowErrorBox;
}

void TankCalibrationTest::init()
{
    m_errorBoxes.clear();
    TfmTankCalibration::ShowErrorBox = [this](QWidget *, const QString &text) {
        m_errorBoxes.append(text);
    };
}

void TankCalibrationTest::cleanup()
{
    TfmTankCalibration::ShowErrorBox = nullptr;
}

void TankCalibrationTest::opens_data()
{
    QTest::addColumn<qint32>("hmax");
    QTest::addColumn<bool>("rising");
    QTest::addColumn<int>("lines");

    QTest::newRow("hmax 0") << 0 << true << 1;
    QTest::newRow("hmax 5") << 5 << true << 1;
    QTest::newRow("hmax 10") << 10 << true << 2;
    QTest::newRow("hmax 3990") << 3990 << true << 400;
    QTest::newRow("hmax 5000") << 5000 << true << 400;
    QTest::newRow("hmax -10") << -10 << true << 0;
    QTest::newRow("zeros") << 30 << false << 4;
}

void TankCalibrationTest::opens()
{
    QFETCH(qint32, hmax);
    QFETCH(bool, rising);
    QFETCH(int, lines);

    TankTable table = LoadedTable(hmax, rising);
    Dialog dialog(table);
    QCOMPARE(dialog.window.windowTitle(), QStringLiteral("Р#3: Градуировочная таблица"));
    QStringList expected;
    for (int k = 0; k < lines; ++k)
        expected.append(QString::asprintf("%7d", table.Volumes[k]));
    QCOMPARE(EditorLines(*dialog.editor), expected);
    if (!rising)
        QCOMPARE(dialog.editor->Line(0), QStringLiteral("      0"));
    QCOMPARE(dialog.save->geometry(), QRect(124, 14, 75, 25));
    QCOMPARE(dialog.cancel->geometry(), QRect(209, 14, 75, 25));
    QVERIFY(!dialog.save->isDefault() && !dialog.save->autoDefault());
}

void TankCalibrationTest::saves_data()
{
    QTest::addColumn<bool>("rising");
    QTest::addColumn<bool>("modifiedBefore");
    QTest::addColumn<QString>("text"); // null: the text as opened
    QTest::addColumn<QString>("error");
    QTest::addColumn<int>("errorLine");
    QTest::addColumn<QList<qint32>>("volumes"); // entries 0..4 afterwards
    QTest::addColumn<bool>("modifiedAfter");

    const QList<qint32> rising{100, 200, 300, 400, 500};
    QTest::newRow("unchanged rising") << true << false << QString() << QString() << -1 << rising
                                      << false;
    QTest::newRow("unchanged rising, already modified")
        << true << true << QString() << QString() << -1 << rising << true;
    QTest::newRow("one value changed") << true << false << "100\n150\n300" << QString() << -1
                                       << QList<qint32>{100, 150, 300, 400, 500} << true;
    QTest::newRow("line emptied") << true << false << "100\n\n300" << QString() << -1
                                  << QList<qint32>{100, 0, 300, 400, 500} << true;
    QTest::newRow("all deleted") << true << false << "" << QString() << -1
                                 << QList<qint32>{0, 0, 0, 400, 500} << true;
    QTest::newRow("surplus lines") << true << false << "1\n2\n3\nx\ny" << QString() << -1
                                   << QList<qint32>{1, 2, 3, 400, 500} << true;
    QTest::newRow("unchanged zeros") << false << false << QString()
                                     << QStringLiteral("#10: Значение должно быть больше предыдущего")
                                     << 1 << QList<qint32>{0, 0, 0, 0, 0} << false;
    QTest::newRow("bad input") << true << false << "1\n2\n12a"
                               << QStringLiteral("#20: Ошибка ввода") << 2 << rising << false;
}

void TankCalibrationTest::saves()
{
    QFETCH(bool, rising);
    QFETCH(bool, modifiedBefore);
    QFETCH(QString, text);
    QFETCH(QString, error);
    QFETCH(int, errorLine);
    QFETCH(QList<qint32>, volumes);
    QFETCH(bool, modifiedAfter);

    TankTable table = LoadedTable(20, rising); // three lines
    table.Modified = modifiedBefore;
    Dialog dialog(table);
    QVERIFY(dialog.active);
    if (!text.isNull())
        TypeText(dialog.editor, text);
    UserInput::Click(dialog.save);

    QCOMPARE(m_errorBoxes, error.isEmpty() ? QStringList() : QStringList{error});
    QCOMPARE(dialog.window.isVisible(), !error.isEmpty());
    QCOMPARE(dialog.window.result(), error.isEmpty() ? QDialog::Accepted : QDialog::Rejected);
    QCOMPARE(QList<qint32>(table.Volumes.begin(), table.Volumes.begin() + 5), volumes);
    QCOMPARE(table.Modified, modifiedAfter);
    if (!text.isNull() && text.isEmpty())
        QCOMPARE(EditorLines(*dialog.editor), QStringList(3, " ")); // padded
    for (int i = 0; i < dialog.editor->LineCount(); ++i)
        QCOMPARE(dialog.editor->HasErrorMark(i), i == errorLine);
    if (errorLine >= 0)
        QCOMPARE(CaretLine(*dialog.editor), errorLine);
}

void TankCalibrationTest::errorMarkClearedByTyping()
{
    TankTable table = LoadedTable(3990, true);
    table.Volumes[300] = 1; // not rising
    Dialog dialog(table);
    QVERIFY(dialog.active);
    UserInput::Click(dialog.editor);
    UserInput::Key(Qt::Key_Home, Qt::ControlModifier);
    for (int column = 0; column < 4; ++column) // to column 4 of line 0
        UserInput::Key(Qt::Key_Right);

    UserInput::Click(dialog.save);
    QCOMPARE(m_errorBoxes, QStringList{QStringLiteral("#3000: Значение должно быть больше предыдущего")});
    QVERIFY(dialog.editor->HasErrorMark(300));
    QCOMPARE(CaretLine(*dialog.editor), 300);
    QCOMPARE(dialog.editor->textCursor().positionInBlock(), 4);
    QVERIFY(dialog.editor->viewport()->rect().contains(dialog.editor->cursorRect()));

    // The keys reach the editor, which has the focus back.
    UserInput::Key(Qt::Key_End);
    QVERIFY(dialog.editor->HasErrorMark(300)); // moving the caret is no change
    UserInput::Key(Qt::Key_Backspace);
    QVERIFY(!dialog.editor->HasErrorMark(300));

    // Line 300 now reads "" (was "      1" minus its digit): saving passes.
    UserInput::Click(dialog.save);
    QCOMPARE(m_errorBoxes.size(), 1);
    QCOMPARE(dialog.window.result(), QDialog::Accepted);
    QCOMPARE(table.Volumes[300], 0);
    QVERIFY(table.Modified);
}

void TankCalibrationTest::keyAfterErrorBoxGoesToEditor_data()
{
    // The standard box, closed by its OK button or by a key; a digit typed
    // right after it lands on the bad line, where the caret stands.
    QTest::addColumn<bool>("closeByKey");
    QTest::addColumn<int>("errorLine");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("lineAfter");
    QTest::newRow("OK clicked, bad input") << false << 2 << "1\n2\n12a" << "712a";
    QTest::newRow("Enter, value not rising") << true << 1 << "5\n5\n9" << "75";
}

void TankCalibrationTest::keyAfterErrorBoxGoesToEditor()
{
    QFETCH(bool, closeByKey);
    QFETCH(int, errorLine);
    QFETCH(QString, text);
    QFETCH(QString, lineAfter);

    TfmTankCalibration::ShowErrorBox = m_standardBox;
    TankTable table = LoadedTable(20, true); // three lines
    Dialog dialog(table);
    QVERIFY(dialog.active);
    TypeText(dialog.editor, text);
    UserInput::Key(Qt::Key_Home, Qt::ControlModifier); // column 0
    QString boxText;
    ModalDriver<QMessageBox> boxes([&](QMessageBox *box) {
        boxText = box->text();
        if (closeByKey) {
            if (UserInput::Activate(box))
                UserInput::Key(Qt::Key_Return);
        } else {
            UserInput::Click(box->button(QMessageBox::Ok));
        }
    });

    UserInput::Click(dialog.save);
    QCOMPARE(boxes.Opened, 1);
    QVERIFY(!boxes.LeftOpen);
    QVERIFY(boxText.startsWith(QStringLiteral("#%1: ").arg(10 * errorLine)));
    QVERIFY(dialog.window.isVisible());
    // The window system makes the dialog active again once the box is gone.
    QVERIFY(UserInput::Activate(&dialog.window));
    QCOMPARE(QApplication::focusWidget(), static_cast<QWidget *>(dialog.editor));
    UserInput::Type("7");
    QCOMPARE(dialog.editor->Line(errorLine), lineAfter);
    QVERIFY(dialog.window.isVisible());
}

void TankCalibrationTest::closingWithoutSaveLeavesTable_data()
{
    QTest::addColumn<int>("way");
    QTest::newRow("Отмена") << 0;
    QTest::newRow("Esc") << 1;
    QTest::newRow("close button") << 2;
}

void TankCalibrationTest::closingWithoutSaveLeavesTable()
{
    QFETCH(int, way);

    TankTable table = LoadedTable(20, true);
    const TankTable before = table;
    Dialog dialog(table);
    QVERIFY(dialog.active);
    TypeText(dialog.editor, "7\n8\n9");
    switch (way) {
    case 0: UserInput::Click(dialog.cancel); break;
    case 1: UserInput::Key(Qt::Key_Escape); break;
    default: dialog.window.windowHandle()->close(); break; // as the title bar's button asks
    }
    QVERIFY(!dialog.window.isVisible());
    QCOMPARE(dialog.window.result(), QDialog::Rejected);
    QVERIFY(table.Volumes == before.Volumes);
    QCOMPARE(table.Modified, before.Modified);
}

void TankCalibrationTest::editTankTableRunsModally_data()
{
    QTest::addColumn<bool>("rising");
    QTest::addColumn<bool>("result");
    QTest::addColumn<int>("errorBoxes");

    QTest::newRow("saved") << true << true << 0;
    QTest::newRow("error, then cancelled") << false << false << 1;
}

void TankCalibrationTest::editTankTableRunsModally()
{
    QFETCH(bool, rising);
    QFETCH(bool, result);
    QFETCH(int, errorBoxes);

    // Presses "Сохранить" and then, if the dialog is still open, "Отмена".
    int presses = 0;
    QTimer driver;
    driver.setInterval(10);
    connect(&driver, &QTimer::timeout, this, [&] {
        auto *modal = qobject_cast<TfmTankCalibration *>(QApplication::activeModalWidget());
        if (!modal)
            return;
        const char *button = presses++ == 0 ? "btnOk" : "Button2";
        UserInput::Click(modal->findChild<QPushButton *>(button));
    });
    driver.start();
    bool guardFired = false;
    QTimer::singleShot(5000, this, [&] {
        guardFired = true;
        if (QWidget *modal = QApplication::activeModalWidget())
            modal->close();
    });

    TankTable table = LoadedTable(20, rising);
    QCOMPARE(TfmTankCalibration::EditTankTable(table, nullptr), result);
    QVERIFY(!guardFired);
    QCOMPARE(m_errorBoxes.size(), errorBoxes);
    QVERIFY(!table.Modified);
}

QTEST_MAIN(TankCalibrationTest)
#include "tst_tankcalibration.moc"
