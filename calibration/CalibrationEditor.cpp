#include "CalibrationEditor.h"

#include "ErrorMark.h"

#include <QPainter>
#include <QTextBlock>

class TCalibrationEditor::Gutter : public QWidget
{
public:
    explicit Gutter(TCalibrationEditor *editor) : QWidget(editor), m_editor(editor) {}

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter painter(this);
        m_editor->PaintGutter(painter);
    }

private:
    TCalibrationEditor *m_editor;
};

TCalibrationEditor::TCalibrationEditor(QWidget *parent)
    : QPlainTextEdit(parent), m_gutter(new Gutter(this))
{
    setLineWrapMode(QPlainTextEdit::NoWrap); // every line one row high
    setViewportMargins(kGutterWidth, 0, 0, 0);
    connect(this, &QPlainTextEdit::updateRequest, this, &TCalibrationEditor::UpdateGutter);
}

int TCalibrationEditor::LineCount() const
{
    return document()->isEmpty() ? 0 : document()->blockCount();
}

QString TCalibrationEditor::Line(int index) const
{
    return document()->findBlockByNumber(index).text();
}

void TCalibrationEditor::SetLine(int index, const QString &text)
{
    QTextCursor cursor(document()->findBlockByNumber(index));
    cursor.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
    cursor.insertText(text);
}

void TCalibrationEditor::AppendLine(const QString &text)
{
    appendPlainText(text);
}

void TCalibrationEditor::ReplaceLines(const QStringList &lines)
{
    QTextCursor cursor(document());
    cursor.beginEditBlock();
    cursor.select(QTextCursor::Document);
    cursor.insertText(lines.join(u'\n'));
    cursor.endEditBlock();
}

void TCalibrationEditor::SetErrorMark(int index)
{
    m_errorMarks.insert(index);
    ShowErrorMarks();
}

void TCalibrationEditor::ClearLineData()
{
    m_values.clear();
    if (m_errorMarks.isEmpty())
        return;
    m_errorMarks.clear();
    ShowErrorMarks();
}

void TCalibrationEditor::ShowErrorMarks()
{
    QList<QTextEdit::ExtraSelection> selections;
    for (int index : std::as_const(m_errorMarks)) {
        QTextEdit::ExtraSelection selection;
        selection.format.setBackground(QColor(kErrorMarkBackground));
        selection.format.setForeground(QColor(kErrorMarkText));
        selection.format.setProperty(QTextFormat::FullWidthSelection, true);
        selection.cursor = QTextCursor(document()->findBlockByNumber(index));
        selections.append(selection);
    }
    setExtraSelections(selections);
}

void TCalibrationEditor::SetCaretLine(int index)
{
    QTextCursor cursor = textCursor();
    const int column = cursor.positionInBlock();
    const QTextBlock block = document()->findBlockByNumber(index);
    cursor.setPosition(block.position() + qMin(column, block.length() - 1));
    setTextCursor(cursor);
    ensureCursorVisible();
}

int TCalibrationEditor::FirstVisibleLine() const
{
    return firstVisibleBlock().blockNumber();
}

int TCalibrationEditor::FirstLineTop() const
{
    return qRound(blockBoundingGeometry(firstVisibleBlock()).translated(contentOffset()).top());
}

int TCalibrationEditor::LineHeight() const
{
    return qRound(blockBoundingRect(firstVisibleBlock()).height());
}

void TCalibrationEditor::resizeEvent(QResizeEvent *event)
{
    QPlainTextEdit::resizeEvent(event);
    const QRect area = contentsRect();
    m_gutter->setGeometry(area.left(), area.top(), kGutterWidth, area.height());
}

void TCalibrationEditor::UpdateGutter(const QRect &rect, int dy)
{
    if (dy != 0)
        m_gutter->scroll(0, dy);
    else
        m_gutter->update(0, rect.y(), kGutterWidth, rect.height());
}

void TCalibrationEditor::PaintGutter(QPainter &painter)
{
    const QColor background = palette().color(QPalette::Base);
    painter.fillRect(m_gutter->rect(), background);
    painter.setBrush(background);
    painter.setPen(Qt::NoPen);
    emit gutterPaint(&painter);
}
