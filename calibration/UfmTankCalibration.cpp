#include "UfmTankCalibration.h"

#include "CalibrationEditor.h"
#include "TableText.h"
#include "TankTable.h"

#include <QMessageBox>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

namespace {

constexpr QSize kOuterSize(300, 434);
constexpr QSize kMinimumOuterSize(300, 300);

void StandardErrorBox(QWidget *parent, const QString &text)
{
    QMessageBox::critical(parent, QStringLiteral("Error"), text, QMessageBox::Ok);
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

    auto *panel1Layout = new QVBoxLayout(Panel1);
    panel1Layout->setContentsMargins(0, 0, 0, 0);
    panel1Layout->addWidget(Editor);

    Panel2->setFixedHeight(47);
    btnOk->setObjectName(QStringLiteral("btnOk"));
    btnOk->setGeometry(124, 14, 75, 25);
    btnOk->setAutoDefault(false);
    Button2->setObjectName(QStringLiteral("Button2"));
    Button2->setGeometry(209, 14, 75, 25);
    Button2->setAutoDefault(false);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(Panel1);
    layout->addWidget(Panel2);

    connect(Editor, &TCalibrationEditor::gutterPaint, this, &TfmTankCalibration::EditorPaintGutter);
    connect(Editor, &QPlainTextEdit::textChanged, this, &TfmTankCalibration::EditorChange);
    connect(btnOk, &QPushButton::clicked, this, &TfmTankCalibration::btnOkClick);
    connect(Button2, &QPushButton::clicked, this, &QDialog::reject);

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
    for (qint64 h = 0; h <= Table.HMax; h += 10, ++k) {
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

    QStringList lines;
    for (int i = 0; i < LineCount; ++i)
        lines.append(Editor->Line(i));
    const TTableCheck check = CheckTableLines(lines, LineCount);
    for (int i = 0; i < check.Values.size(); ++i) {
        if (check.Values[i])
            Editor->SetLineValue(i, *check.Values[i]);
    }

    if (check.ErrorLine >= 0) {
        Editor->SetErrorMark(check.ErrorLine);
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
}
