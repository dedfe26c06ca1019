#include "UfmTankCalibration.h"

#include "CalibrationEditor.h"
#include "TableChartView.h"
#include "TablePairs.h"
#include "TableText.h"
#include "TankTable.h"
#include "common/SaveFile.h"

#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QMessageBox>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

namespace {

constexpr QSize kOuterSize(300, 434);
constexpr QSize kMinimumOuterSize(300, 300);
constexpr int kChartWidth = 420; // the dialog grows by this to show the chart

// The button strip: "Сохранить" and "Отмена" in the first row, the tools in
// a second row below them, every button in one of three columns.
constexpr int kStripHeight = 80;
constexpr QSize kButtonSize(75, 25);
constexpr int kFirstRowTop = 14;
constexpr int kSecondRowTop = 47;
constexpr int kColumns[] = {39, 124, 209};

const QString kFileFilter = QStringLiteral("Таблицы (*.csv *.txt);;Все файлы (*)");

void StandardErrorBox(QWidget *parent, const QString &text)
{
    QMessageBox::critical(parent, QStringLiteral("Error"), text, QMessageBox::Ok);
}

void StandardMessageBox(QWidget *parent, const QString &text)
{
    QMessageBox::information(parent, QStringLiteral("Импорт"), text, QMessageBox::Ok);
}

QString StandardOpenDialog(QWidget *parent, const QString &caption, const QString &fileName, const QString &filter)
{
    return QFileDialog::getOpenFileName(parent, caption, fileName, filter);
}

QString StandardSaveDialog(QWidget *parent, const QString &caption, const QString &fileName, const QString &filter)
{
    return QFileDialog::getSaveFileName(parent, caption, fileName, filter);
}

void PlaceButton(QPushButton *button, const char *name, int column, int top)
{
    button->setObjectName(QLatin1String(name));
    button->setGeometry(QRect(QPoint(kColumns[column], top), kButtonSize));
    button->setAutoDefault(false);
}

QString ImportFaultText(const TablePairs::TReading &reading)
{
    switch (reading.Fault) {
    case TablePairs::TReading::NoPair:
        return QStringLiteral("В файле нет ни одной пары высоты и объёма");
    case TablePairs::TReading::NotAPair:
        return QStringLiteral("Строка %1 файла: ожидаются высота и объём").arg(reading.Line);
    case TablePairs::TReading::HeightTwice:
        return QStringLiteral("Строка %1 файла: эта высота уже задана с другим объёмом").arg(reading.Line);
    case TablePairs::TReading::None:
        break;
    }
    return {};
}

QString HeightText(int line)
{
    return GroupedNumberText(qint64(line) * TankTable::HeightStep);
}

QFont PixelFont(const QString &family, int pixels, QFont::StyleHint hint)
{
    QFont font(family);
    font.setPixelSize(pixels);
    font.setStyleHint(hint);
    return font;
}

} // namespace

std::function<void(QWidget *, const QString &)> TfmTankCalibration::ShowErrorBox = StandardErrorBox;
std::function<void(QWidget *, const QString &)> TfmTankCalibration::ShowMessageBox = StandardMessageBox;
TfmTankCalibration::FileDialog TfmTankCalibration::GetOpenFileName = StandardOpenDialog;
TfmTankCalibration::FileDialog TfmTankCalibration::GetSaveFileName = StandardSaveDialog;

bool TfmTankCalibration::EditTankTable(TankTable &Table, QWidget *parent)
{
    TfmTankCalibration dialog(Table, parent);
    return dialog.exec() == QDialog::Accepted;
}

TfmTankCalibration::TfmTankCalibration(TankTable &Table, QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint
                          | Qt::WindowCloseButtonHint),
      Panel1(new QWidget(this)),
      Editor(new TCalibrationEditor(Panel1)),
      Panel2(new QWidget(this)),
      btnOk(new QPushButton(QStringLiteral("Сохранить"), Panel2)),
      Button2(new QPushButton(QStringLiteral("Отмена"), Panel2)),
      btnChart(new QPushButton(QStringLiteral("График"), Panel2)),
      btnImport(new QPushButton(QStringLiteral("Импорт…"), Panel2)),
      btnExport(new QPushButton(QStringLiteral("Экспорт…"), Panel2)),
      ChartView(new TTableChartView(Chart, Panel1)),
      LineCount(TableLineCount(Table.HMax)),
      Table(Table)
{
    setWindowTitle(QStringLiteral("Р#%1: Градуировочная таблица").arg(Table.TankNo));
    setFont(PixelFont(QStringLiteral("Tahoma"), 11, QFont::SansSerif));
    resize(kOuterSize);
    setMinimumSize(kMinimumOuterSize);

    Editor->setObjectName(QStringLiteral("Editor"));
    Editor->setFont(PixelFont(QStringLiteral("Courier New"), 13, QFont::TypeWriter));
    // Tab stops at columns 3 and 5, then every two columns.
    const qreal column = QFontMetricsF(Editor->font()).horizontalAdvance(u' ');
    QTextOption option = Editor->document()->defaultTextOption();
    option.setTabs({QTextOption::Tab(2 * column, QTextOption::LeftTab),
                    QTextOption::Tab(4 * column, QTextOption::LeftTab)});
    Editor->document()->setDefaultTextOption(option);
    Editor->setTabStopDistance(2 * column);

    ChartView->setObjectName(QStringLiteral("ChartView"));
    ChartView->hide();
    auto *panel1Layout = new QHBoxLayout(Panel1);
    panel1Layout->setContentsMargins(0, 0, 0, 0);
    panel1Layout->setSpacing(0);
    panel1Layout->addWidget(Editor);
    panel1Layout->addWidget(ChartView, 1);

    Panel2->setFixedHeight(kStripHeight);
    PlaceButton(btnOk, "btnOk", 1, kFirstRowTop);
    PlaceButton(Button2, "Button2", 2, kFirstRowTop);
    PlaceButton(btnChart, "btnChart", 0, kSecondRowTop);
    PlaceButton(btnImport, "btnImport", 1, kSecondRowTop);
    PlaceButton(btnExport, "btnExport", 2, kSecondRowTop);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(Panel1);
    layout->addWidget(Panel2);

    connect(Editor, &TCalibrationEditor::gutterPaint, this, &TfmTankCalibration::EditorPaintGutter);
    connect(Editor, &QPlainTextEdit::textChanged, this, &TfmTankCalibration::EditorChange);
    connect(btnOk, &QPushButton::clicked, this, &TfmTankCalibration::btnOkClick);
    connect(Button2, &QPushButton::clicked, this, &QDialog::reject);
    connect(btnChart, &QPushButton::clicked, this, &TfmTankCalibration::btnChartClick);
    connect(btnImport, &QPushButton::clicked, this, &TfmTankCalibration::btnImportClick);
    connect(btnExport, &QPushButton::clicked, this, &TfmTankCalibration::btnExportClick);

    for (int k = 0; k < LineCount; ++k)
        Editor->AppendLine(VolumeLineText(Table.Volumes[k]));
    Editor->document()->clearUndoRedoStacks();
    Editor->moveCursor(QTextCursor::Start);
}

void TfmTankCalibration::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (!m_placed) {
        m_placed = true;
        PlaceOverParent();
    }
}

// The sizes count the window frame, which is known once the window is shown.
void TfmTankCalibration::PlaceOverParent()
{
    const QSize frame = frameGeometry().size() - geometry().size();
    setMinimumSize(kMinimumOuterSize - frame);
    resize(kOuterSize - frame);

    const QWidget *owner = parentWidget() ? parentWidget()->window() : nullptr;
    const QRect area = owner ? owner->frameGeometry() : screen()->availableGeometry();
    QRect outer(QPoint(), kOuterSize);
    outer.moveCenter(area.center());
    move(outer.topLeft());
}

void TfmTankCalibration::EditorPaintGutter(QPainter *Canvas)
{
    const int lineHeight = Editor->LineHeight();
    const int width = Editor->GutterWidth();
    const int firstTop = Editor->FirstLineTop() - Editor->FirstVisibleLine() * lineHeight;
    const int bottom = Editor->viewport()->height();
    const QColor textColor = Editor->palette().color(QPalette::Text);
    int k = 0;
    // Labels run on past the last line up to HMax; below the gutter they
    // would be clipped, so painting stops there.
    for (qint64 h = 0; h <= Table.HMax; h += TankTable::HeightStep, ++k) {
        const QRect cell(0, firstTop + k * lineHeight, width, lineHeight);
        if (cell.top() > bottom)
            break;
        Canvas->fillRect(cell, Canvas->brush());
        Canvas->setPen(textColor);
        Canvas->drawText(cell.adjusted(0, 0, -5, 0), Qt::AlignRight | Qt::AlignTop,
                         HeightLabelText(h));
    }
}

void TfmTankCalibration::btnOkClick()
{
    while (Editor->LineCount() < LineCount)
        Editor->AppendLine(QStringLiteral(" "));
    Editor->ClearLineData();

    const TTableCheck check = CheckTableLines(TableLines(), LineCount);
    for (int i = 0; i < check.Values.size(); ++i) {
        if (check.Values[i])
            Editor->SetLineValue(i, *check.Values[i]);
    }

    if (check.ErrorLine >= 0) {
        Editor->SetErrorMark(check.ErrorLine);
        Chart.SetMarkedLine(check.ErrorLine);
        ChartView->update();
        Editor->SetCaretLine(check.ErrorLine);
        // The focus comes back to the editor, on the bad line, once the box
        // is closed.
        Editor->setFocus();
        ShowErrorBox(this, check.ErrorText);
        return;
    }

    for (int i = 0; i < LineCount; ++i) {
        const qint32 value = Editor->LineValue(i);
        if (value != Table.Volumes[i]) {
            Table.Volumes[i] = value;
            Table.Modified = true;
        }
    }
    accept();
}

void TfmTankCalibration::EditorChange()
{
    Editor->ClearLineData();
    Chart.SetMarkedLine(-1);
    if (ChartView->isVisible())
        UpdateChart();
}

QStringList TfmTankCalibration::TableLines() const
{
    QStringList lines;
    for (int i = 0; i < LineCount; ++i)
        lines.append(Editor->Line(i));
    return lines;
}

void TfmTankCalibration::UpdateChart()
{
    Chart.SetLines(TableLines(), LineCount);
    ChartView->update();
}

// The chart takes the room the dialog grows by; the editor keeps its width.
void TfmTankCalibration::btnChartClick()
{
    if (ChartView->isHidden()) {
        UpdateChart();
        Editor->setFixedWidth(Editor->width());
        ChartView->show();
        resize(width() + kChartWidth, height());
    } else {
        const int chartWidth = ChartView->width();
        ChartView->hide();
        Editor->setMinimumWidth(0);
        Editor->setMaximumWidth(QWIDGETSIZE_MAX);
        resize(width() - chartWidth, height());
    }
}

void TfmTankCalibration::btnImportClick()
{
    const QString fileName = GetOpenFileName(this, QStringLiteral("Импорт таблицы"), QString(), kFileFilter);
    if (fileName.isEmpty())
        return;
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly)) {
        ShowErrorBox(this, QStringLiteral("%1: %2").arg(QDir::toNativeSeparators(fileName), file.errorString()));
        return;
    }
    const TablePairs::TReading reading = TablePairs::Read(file.readAll());
    if (reading.Fault != TablePairs::TReading::None) {
        ShowErrorBox(this, ImportFaultText(reading));
        return;
    }

    const QList<std::optional<qint32>> volumes = TablePairs::Interpolate(reading.Pairs, LineCount);
    QStringList lines;
    int first = -1;
    int last = -1;
    for (int k = 0; k < volumes.size(); ++k) {
        lines.append(volumes[k] ? VolumeLineText(*volumes[k]) : QString());
        if (volumes[k]) {
            first = first < 0 ? k : first;
            last = k;
        }
    }
    if (first < 0) {
        ShowErrorBox(this, QStringLiteral("Высоты файла не захватывают ни одной высоты таблицы (от 0 до %1)")
                               .arg(HeightText(LineCount - 1)));
        return;
    }
    Editor->ReplaceLines(lines);
    QString message = QStringLiteral("Заполнены высоты от %1 до %2.").arg(HeightText(first), HeightText(last));
    if (first > 0 || last < LineCount - 1)
        message += QStringLiteral(" Остальные строки пусты.");
    ShowMessageBox(this, message);
}

void TfmTankCalibration::btnExportClick()
{
    QList<std::optional<qint32>> volumes;
    for (int i = 0; i < LineCount; ++i) {
        const TLineValue line = ReadLineValue(Editor->Line(i));
        if (line.Kind == TLineValue::Bad) {
            Editor->SetCaretLine(i);
            ShowErrorBox(this, BadLineText(i));
            return;
        }
        volumes.append(line.Kind == TLineValue::Number ? std::optional(line.Value) : std::nullopt);
    }

    const QString fileName = GetSaveFileName(this, QStringLiteral("Экспорт таблицы"),
                                             QStringLiteral("tank%1.csv").arg(Table.TankNo), kFileFilter);
    if (fileName.isEmpty())
        return;
    QString error;
    if (!TSaveFile::Write(fileName, TablePairs::Text(volumes), error))
        ShowErrorBox(this, QStringLiteral("%1: %2").arg(QDir::toNativeSeparators(fileName), error));
}
