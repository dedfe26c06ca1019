// The calibration editor dialog, driven through its real widgets.
#include "calibration/CalibrationEditor.h"
#include "calibration/TableChart.h"
#include "calibration/TableChartView.h"
#include "calibration/TableText.h"
#include "calibration/TankTable.h"
#include "calibration/UfmTankCalibration.h"
#include "ModalDriver.h"
#include "UserInput.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLocale>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
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

// A key sequence, key by key, to the widget that holds the focus.
void Keys(const QKeySequence &keys)
{
    for (int i = 0; i < keys.count(); ++i)
        UserInput::Key(keys[i].key(), keys[i].keyboardModifiers());
}

// The chart's points as "line:volume", "!" behind a falling or flat one.
QStringList ChartPoints(const TTableChart &chart)
{
    QStringList points;
    for (const QList<TTableChart::TPoint> &segment : chart.Segments()) {
        for (const TTableChart::TPoint &point : segment)
            points.append(QStringLiteral("%1:%2%3").arg(point.Line).arg(point.Volume).arg(point.Falling ? "!" : ""));
    }
    return points;
}

QStringList VolumeLines(const QList<std::optional<qint32>> &volumes)
{
    QStringList lines;
    for (const std::optional<qint32> &volume : volumes)
        lines.append(volume ? VolumeLineText(*volume) : QString());
    return lines;
}

QByteArray FileBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

void WriteFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(bytes), bytes.size());
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
    void chartShowsAndHides();
    void chartMarksBadLine_data();
    void chartMarksBadLine();
    void imports_data();
    void imports();
    void importIsOneUndoStep();
    void exportsAndImportsBack();
    void exportRefusesBadLine();

private:
    struct Dialog
    {
        explicit Dialog(TankTable &table) : window(table, nullptr)
        {
            editor = window.findChild<TCalibrationEditor *>("Editor");
            save = window.findChild<QPushButton *>("btnOk");
            cancel = window.findChild<QPushButton *>("Button2");
            chartButton = window.findChild<QPushButton *>("btnChart");
            importButton = window.findChild<QPushButton *>("btnImport");
            exportButton = window.findChild<QPushButton *>("btnExport");
            chart = window.findChild<TTableChartView *>("ChartView");
            active = UserInput::Activate(&window);
        }
        TfmTankCalibration window;
        TCalibrationEditor *editor;
        QPushButton *save;
        QPushButton *cancel;
        QPushButton *chartButton;
        QPushButton *importButton;
        QPushButton *exportButton;
        TTableChartView *chart;
        bool active;
    };

    QStringList m_errorBoxes;
    decltype(TfmTankCalibration::ShowErrorBox) m_standardBox;
    QStringList m_messageBoxes;
    QStringList m_fileDialogs; // the file name each file dialog offered
    QString m_chosenFile;      // what the file dialogs answer
};

void TankCalibrationTest::initTestCase()
{
    m_standardBox = TfmTankCalibration::ShowErrorBox;
}

void TankCalibrationTest::init()
{
    m_errorBoxes.clear();
    m_messageBoxes.clear();
    m_fileDialogs.clear();
    m_chosenFile.clear();
    TfmTankCalibration::ShowErrorBox = [this](QWidget *, const QString &text) {
        m_errorBoxes.append(text);
    };
    TfmTankCalibration::ShowMessageBox = [this](QWidget *, const QString &text) {
        m_messageBoxes.append(text);
    };
    const auto fileDialog = [this](QWidget *, const QString &, const QString &fileName, const QString &) {
        m_fileDialogs.append(fileName);
        return m_chosenFile;
    };
    TfmTankCalibration::GetOpenFileName = fileDialog;
    TfmTankCalibration::GetSaveFileName = fileDialog;
}

void TankCalibrationTest::cleanup()
{
    TfmTankCalibration::ShowErrorBox = nullptr;
    TfmTankCalibration::ShowMessageBox = nullptr;
    TfmTankCalibration::GetOpenFileName = nullptr;
    TfmTankCalibration::GetSaveFileName = nullptr;
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
    // The tools in a second row below, in the same columns.
    QCOMPARE(dialog.chartButton->geometry(), QRect(39, 47, 75, 25));
    QCOMPARE(dialog.importButton->geometry(), QRect(124, 47, 75, 25));
    QCOMPARE(dialog.exportButton->geometry(), QRect(209, 47, 75, 25));
    QCOMPARE(dialog.chartButton->text(), QStringLiteral("График"));
    QCOMPARE(dialog.importButton->text(), QStringLiteral("Импорт…"));
    QCOMPARE(dialog.exportButton->text(), QStringLiteral("Экспорт…"));
    QVERIFY(QTest::qWaitForWindowExposed(&dialog.window));
    QCOMPARE(dialog.window.frameGeometry().size(), QSize(300, 434));
    QVERIFY(dialog.chart->isHidden());
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

void TankCalibrationTest::chartShowsAndHides()
{
    TankTable table = LoadedTable(30, true); // 100, 200, 300, 400
    Dialog dialog(table);
    QVERIFY(dialog.active);
    const QRect before = dialog.window.frameGeometry();
    const int editorWidth = dialog.editor->width();

    UserInput::Click(dialog.chartButton);
    QVERIFY(dialog.chart->isVisible());
    QTRY_COMPARE_WITH_TIMEOUT(dialog.window.frameGeometry(), before.adjusted(0, 0, 420, 0), 5000);
    QTRY_COMPARE_WITH_TIMEOUT(dialog.chart->geometry().left(), editorWidth, 5000);
    QCOMPARE(dialog.editor->width(), editorWidth);
    const TTableChart &chart = dialog.chart->Chart();
    QCOMPARE(ChartPoints(chart), QStringList({"0:100", "1:200", "2:300", "3:400"}));

    // The last line typed down to 50: the curve falls there.
    UserInput::Click(dialog.editor);
    QCOMPARE(QApplication::focusWidget(), dialog.editor);
    Keys(QKeySequence(QKeySequence::MoveToEndOfDocument));
    Keys(QKeySequence(Qt::Key_Backspace, Qt::Key_Backspace, Qt::Key_Backspace));
    UserInput::Type(QStringLiteral("50"));
    QCOMPARE(ChartPoints(chart), QStringList({"0:100", "1:200", "2:300", "3:50!"}));
    // An emptied line is a gap.
    Keys(QKeySequence(Qt::Key_Backspace, Qt::Key_Backspace));
    QCOMPARE(ChartPoints(chart), QStringList({"0:100", "1:200", "2:300"}));
    QCOMPARE(chart.Segments().size(), 1);
    QCOMPARE(chart.HeightAxis().Max, 30);

    if (const QString dir = qEnvironmentVariable("KOLT_SCREENSHOT_DIR"); !dir.isEmpty()) {
        UserInput::Type(QStringLiteral("250"));
        UserInput::Click(dialog.save); // marks line 3
        QCOMPARE(dialog.chart->Chart().MarkedLine(), 3);
        QVERIFY(dialog.window.grab().save(QDir(dir).filePath("calibration-chart.png")));
    }

    UserInput::Click(dialog.chartButton);
    QVERIFY(dialog.chart->isHidden());
    QTRY_COMPARE_WITH_TIMEOUT(dialog.window.frameGeometry(), before, 5000);
    QCOMPARE(dialog.editor->width(), editorWidth);
}

void TankCalibrationTest::chartMarksBadLine_data()
{
    QTest::addColumn<bool>("chartFirst");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("badLine");
    QTest::addColumn<bool>("hasPoint");

    QTest::newRow("flat, chart shown before saving") << true << "100\n200\n200" << 2 << true;
    QTest::newRow("flat, chart shown after saving") << false << "100\n200\n200" << 2 << true;
    QTest::newRow("bad input has no point") << true << "100\n2x0\n300" << 1 << false;
}

void TankCalibrationTest::chartMarksBadLine()
{
    QFETCH(bool, chartFirst);
    QFETCH(QString, text);
    QFETCH(int, badLine);
    QFETCH(bool, hasPoint);

    TankTable table = LoadedTable(20, true);
    Dialog dialog(table);
    QVERIFY(dialog.active);
    dialog.editor->setPlainText(text);
    if (chartFirst)
        UserInput::Click(dialog.chartButton);
    UserInput::Click(dialog.save);
    QCOMPARE(m_errorBoxes.size(), 1);
    if (!chartFirst)
        UserInput::Click(dialog.chartButton);

    const TTableChart &chart = dialog.chart->Chart();
    QCOMPARE(chart.MarkedLine(), badLine);
    QCOMPARE(chart.MarkedHeight(), 10 * badLine);
    QCOMPARE(chart.MarkedPoint().has_value(), hasPoint);
    if (hasPoint)
        QVERIFY(chart.MarkedPoint()->Falling);

    // Typing removes the mark from the editor and the chart alike.
    UserInput::Click(dialog.editor);
    UserInput::Type(QStringLiteral("1"));
    QVERIFY(!dialog.editor->HasErrorMark(badLine));
    QCOMPARE(chart.MarkedLine(), -1);
}

void TankCalibrationTest::imports_data()
{
    QTest::addColumn<qint32>("hmax");
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QList<std::optional<qint32>>>("volumes"); // empty: the editor unchanged
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("error");

    const QString sep = QLocale::system().groupSeparator();
    QTest::newRow("certificate at step 25, with header")
        << 40 << QByteArray("Высота;Объём\r\n0;0\r\n50;600\r\n25;250\r\n")
        << QList<std::optional<qint32>>{0, 100, 200, 320, 460} << QStringLiteral("Заполнены высоты от 0 до 40.")
        << QString();
    QTest::newRow("partial range") << 50 << QByteArray("15\t100\n35\t300\n")
                                   << QList<std::optional<qint32>>{std::nullopt, std::nullopt, 150, 250,
                                                                   std::nullopt, std::nullopt}
                                   << QStringLiteral("Заполнены высоты от 20 до 30. Остальные строки пусты.")
                                   << QString();
    QList<std::optional<qint32>> tall;
    for (int k = 0; k < 400; ++k)
        tall.append(k * 105);
    QTest::newRow("400 lines, thousands in the message") << 3990 << QByteArray("0;0\n3990;41895,0\n") << tall
                                              << QStringLiteral("Заполнены высоты от 0 до 3") + sep + "990."
                                              << QString();
    QTest::newRow("a bad line") << 20 << QByteArray("0;1\n10;1O\n20;3\n") << QList<std::optional<qint32>>()
                                << QString() << QStringLiteral("Строка 2 файла: ожидаются высота и объём");
    QTest::newRow("no pair") << 20 << QByteArray("Высота;Объём\n") << QList<std::optional<qint32>>()
                             << QString() << QStringLiteral("В файле нет ни одной пары высоты и объёма");
    QTest::newRow("height twice") << 20 << QByteArray("0;1\n0;2\n") << QList<std::optional<qint32>>()
                                  << QString()
                                  << QStringLiteral("Строка 2 файла: эта высота уже задана с другим объёмом");
    QTest::newRow("beyond the table") << 20 << QByteArray("500;1\n600;2\n") << QList<std::optional<qint32>>()
                                      << QString()
                                      << QStringLiteral(
                                             "Высоты файла не захватывают ни одной высоты таблицы (от 0 до 20)");
}

void TankCalibrationTest::imports()
{
    QFETCH(qint32, hmax);
    QFETCH(QByteArray, file);
    QFETCH(QList<std::optional<qint32>>, volumes);
    QFETCH(QString, message);
    QFETCH(QString, error);

    QTemporaryDir dir;
    m_chosenFile = dir.filePath("certificate.csv");
    WriteFile(m_chosenFile, file);
    TankTable table = LoadedTable(hmax, true);
    const TankTable before = table;
    Dialog dialog(table);
    QVERIFY(dialog.active);
    const QStringList opened = EditorLines(*dialog.editor);

    UserInput::Click(dialog.importButton);
    QCOMPARE(m_fileDialogs.size(), 1);
    QCOMPARE(m_messageBoxes, message.isEmpty() ? QStringList() : QStringList{message});
    QCOMPARE(m_errorBoxes, error.isEmpty() ? QStringList() : QStringList{error});
    QCOMPARE(EditorLines(*dialog.editor), volumes.isEmpty() ? opened : VolumeLines(volumes));
    // Into the editor, not into the slot.
    QVERIFY(table.Volumes == before.Volumes);
    QVERIFY(!table.Modified);
}

void TankCalibrationTest::importIsOneUndoStep()
{
    QTemporaryDir dir;
    m_chosenFile = dir.filePath("certificate.txt");
    WriteFile(m_chosenFile, "0;5\n20;25\n");
    TankTable table = LoadedTable(20, true);
    Dialog dialog(table);
    QVERIFY(dialog.active);
    const QStringList opened = EditorLines(*dialog.editor);

    UserInput::Click(dialog.importButton);
    QCOMPARE(EditorLines(*dialog.editor), VolumeLines({5, 15, 25}));
    UserInput::Click(dialog.editor);
    Keys(QKeySequence(QKeySequence::Undo));
    QCOMPARE(EditorLines(*dialog.editor), opened);

    // A cancelled file dialog changes nothing.
    m_chosenFile.clear();
    UserInput::Click(dialog.importButton);
    QCOMPARE(m_fileDialogs.size(), 2);
    QCOMPARE(EditorLines(*dialog.editor), opened);
    QVERIFY(m_errorBoxes.isEmpty() && m_messageBoxes.size() == 1);

    // A file that cannot be read is named in the error.
    m_chosenFile = dir.filePath("missing.csv");
    UserInput::Click(dialog.importButton);
    QCOMPARE(m_errorBoxes.size(), 1);
    QVERIFY2(m_errorBoxes[0].startsWith(QDir::toNativeSeparators(m_chosenFile) + ": "), qPrintable(m_errorBoxes[0]));
    QCOMPARE(EditorLines(*dialog.editor), opened);
}

// Export writes the lines with a value; Import reads them back into another
// tank's dialog, which saves them through the usual check.
void TankCalibrationTest::exportsAndImportsBack()
{
    QTemporaryDir dir;
    m_chosenFile = dir.filePath("tank.csv");
    TankTable first = LoadedTable(50, true);
    Dialog exporting(first);
    QVERIFY(exporting.active);
    exporting.editor->setPlainText("\n   1 200\n   2\u00A0300\n3500\n\n");
    UserInput::Click(exporting.exportButton);
    QCOMPARE(m_fileDialogs, QStringList{"tank3.csv"});
    QVERIFY(m_errorBoxes.isEmpty());
    QCOMPARE(FileBytes(m_chosenFile), QByteArray("height;volume\n10;1200\n20;2300\n30;3500\n"));

    TankTable second = LoadedTable(50, false);
    second.TankNo = 4;
    Dialog importing(second);
    QVERIFY(importing.active);
    UserInput::Click(importing.importButton);
    const QList<std::optional<qint32>> volumes{std::nullopt, 1200, 2300, 3500, std::nullopt, std::nullopt};
    QCOMPARE(EditorLines(*importing.editor), VolumeLines(volumes));
    QCOMPARE(m_messageBoxes, QStringList{QStringLiteral("Заполнены высоты от 10 до 30. Остальные строки пусты.")});

    UserInput::Click(importing.save);
    QVERIFY(m_errorBoxes.isEmpty());
    QCOMPARE(importing.window.result(), QDialog::Accepted);
    QCOMPARE(QList<qint32>(second.Volumes.begin(), second.Volumes.begin() + 7),
             QList<qint32>({0, 1200, 2300, 3500, 0, 0, 0}));
    QVERIFY(second.Modified);
}

void TankCalibrationTest::exportRefusesBadLine()
{
    QTemporaryDir dir;
    m_chosenFile = dir.filePath("tank.csv");
    TankTable table = LoadedTable(20, true);
    Dialog dialog(table);
    QVERIFY(dialog.active);
    dialog.editor->setPlainText("1\n2\n-1");
    UserInput::Click(dialog.exportButton);
    QCOMPARE(m_errorBoxes, QStringList{QStringLiteral("#20: Ошибка ввода")});
    QVERIFY(m_fileDialogs.isEmpty());
    QVERIFY(!QFile::exists(m_chosenFile));
    QCOMPARE(CaretLine(*dialog.editor), 2);
}

QTEST_MAIN(TankCalibrationTest)
#include "tst_tankcalibration.moc"
