#include "TerminalLogView.h"

#include "HexDump.h"

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QPainter>
#include <QScrollBar>

#include <algorithm>
#include <array>
#include <climits>
#include <cmath>

namespace {

constexpr int kMargin = 4; // pixels around the text, as a text edit has
// The found text stands out from the selection around it.
const QColor kHitBackground(255, 215, 0);
const QColor kHitForeground(Qt::black);

struct TKeyMove
{
    QKeySequence::StandardKey Key;
    TTerminalLog::TMove Move;
    bool Select;
};

using TMove = TTerminalLog::TMove;

constexpr std::array<TKeyMove, 28> kMoves{{
    {QKeySequence::MoveToNextChar, TMove::Right, false},
    {QKeySequence::MoveToPreviousChar, TMove::Left, false},
    {QKeySequence::MoveToNextWord, TMove::WordRight, false},
    {QKeySequence::MoveToPreviousWord, TMove::WordLeft, false},
    {QKeySequence::MoveToNextLine, TMove::Down, false},
    {QKeySequence::MoveToPreviousLine, TMove::Up, false},
    {QKeySequence::MoveToNextPage, TMove::PageDown, false},
    {QKeySequence::MoveToPreviousPage, TMove::PageUp, false},
    {QKeySequence::MoveToStartOfLine, TMove::LineStart, false},
    {QKeySequence::MoveToEndOfLine, TMove::LineEnd, false},
    {QKeySequence::MoveToStartOfBlock, TMove::LineStart, false},
    {QKeySequence::MoveToEndOfBlock, TMove::LineEnd, false},
    {QKeySequence::MoveToStartOfDocument, TMove::Start, false},
    {QKeySequence::MoveToEndOfDocument, TMove::End, false},
    {QKeySequence::SelectNextChar, TMove::Right, true},
    {QKeySequence::SelectPreviousChar, TMove::Left, true},
    {QKeySequence::SelectNextWord, TMove::WordRight, true},
    {QKeySequence::SelectPreviousWord, TMove::WordLeft, true},
    {QKeySequence::SelectNextLine, TMove::Down, true},
    {QKeySequence::SelectPreviousLine, TMove::Up, true},
    {QKeySequence::SelectNextPage, TMove::PageDown, true},
    {QKeySequence::SelectPreviousPage, TMove::PageUp, true},
    {QKeySequence::SelectStartOfLine, TMove::LineStart, true},
    {QKeySequence::SelectEndOfLine, TMove::LineEnd, true},
    {QKeySequence::SelectStartOfBlock, TMove::LineStart, true},
    {QKeySequence::SelectEndOfBlock, TMove::LineEnd, true},
    {QKeySequence::SelectStartOfDocument, TMove::Start, true},
    {QKeySequence::SelectEndOfDocument, TMove::End, true},
}};

constexpr std::array kEditKeys{
    QKeySequence::SelectAll,         QKeySequence::Copy,          QKeySequence::Cut,
    QKeySequence::Paste,             QKeySequence::Delete,        QKeySequence::DeleteStartOfWord,
    QKeySequence::DeleteEndOfWord,   QKeySequence::InsertParagraphSeparator, QKeySequence::InsertLineSeparator,
};

int ToInt(qint64 value)
{
    return int(std::clamp<qint64>(value, 0, INT_MAX));
}

// Typed text that goes into the log: printable, without Ctrl alone held.
bool IsTyping(const QKeyEvent &key)
{
    const QString text = key.text();
    if (text.isEmpty() || !text.front().isPrint())
        return false;
    return (key.modifiers() & (Qt::ControlModifier | Qt::AltModifier)) != Qt::ControlModifier;
}

// A control character shows as its picture, so that every byte holds a cell.
QString Displayed(QString text)
{
    for (QChar &c : text) {
        if (c.unicode() < 0x20)
            c = QChar(0x2400 + c.unicode());
        else if (c.unicode() == 0x7F)
            c = QChar(0x2421);
        else if (c.category() == QChar::Other_Control)
            c = QChar(QChar::ReplacementCharacter);
    }
    return text;
}

} // namespace

TTerminalLogView::TTerminalLogView(TTerminalLog &log, QWidget *parent) : QAbstractScrollArea(parent), m_log(log)
{
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_InputMethodEnabled);
    viewport()->setCursor(Qt::IBeamCursor);
    horizontalScrollBar()->setSingleStep(3);
    connect(&log, &TTerminalLog::appended, this, &TTerminalLogView::Appended);
    connect(&log, &TTerminalLog::edited, this, &TTerminalLogView::Edited);
    connect(&log, &TTerminalLog::cursorChanged, viewport(), qOverload<>(&QWidget::update));
    UpdateMetrics();
    UpdateScrollBars();
}

void TTerminalLogView::SetMode(TMode mode)
{
    if (mode == m_mode)
        return;
    const qint64 caretLine = m_log.Position().Line;
    const bool caretInView = caretLine >= FirstVisibleLine() && caretLine < FirstVisibleLine() + VisibleLines();
    const int top = verticalScrollBar()->value();
    const int left = horizontalScrollBar()->value();
    const bool follows = m_otherFollows;
    m_mode = mode;
    UpdateScrollBars();
    qint64 begin = 0;
    qint64 end = 0;
    if (mode == TMode::Hex && caretInView && SelectedBytes(begin, end)) {
        horizontalScrollBar()->setValue(0);
        ShowRow(begin / HexDump::kRowBytes);
    } else if (follows) {
        verticalScrollBar()->setValue(verticalScrollBar()->maximum());
        horizontalScrollBar()->setValue(0);
        if (mode == TMode::Text)
            ShowColumn(m_log.End().Column);
    } else {
        verticalScrollBar()->setValue(m_otherTop);
        horizontalScrollBar()->setValue(m_otherLeft);
    }
    m_otherTop = top;
    m_otherLeft = left;
    m_otherFollows = false;
    viewport()->setCursor(mode == TMode::Text ? Qt::IBeamCursor : Qt::ArrowCursor);
    viewport()->update();
}

QString TTerminalLogView::ShownText() const
{
    if (m_mode == TMode::Text)
        return m_log.Text();
    QStringList rows;
    const TTrafficStore &traffic = m_log.Traffic();
    for (qint64 row = 0; row < HexDump::RowCount(traffic.Size()); ++row)
        rows << HexDump::Row(traffic, row, OffsetDigits());
    return rows.join(u'\n');
}

qint64 TTerminalLogView::FirstVisibleLine() const
{
    return verticalScrollBar()->value();
}

qint64 TTerminalLogView::VisibleLines() const
{
    return std::max(1, (viewport()->height() - kMargin) / LineHeight());
}

qint64 TTerminalLogView::VisibleColumns() const
{
    return std::max<qint64>(1, qint64((viewport()->width() - kMargin) / CellWidth()));
}

void TTerminalLogView::UpdateMetrics()
{
    const QFontMetricsF metrics(font());
    m_cellWidth = std::max<qreal>(1, metrics.horizontalAdvance(u'0'));
    m_lineHeight = std::max(1, QFontMetrics(font()).lineSpacing());
    m_ascent = QFontMetrics(font()).ascent();
}

void TTerminalLogView::changeEvent(QEvent *event)
{
    QAbstractScrollArea::changeEvent(event);
    if (event->type() == QEvent::FontChange) {
        UpdateMetrics();
        UpdateScrollBars();
    }
}

int TTerminalLogView::OffsetDigits() const
{
    return HexDump::OffsetDigits(m_log.Traffic().Size());
}

int TTerminalLogView::X(qint64 column) const
{
    return kMargin + qRound(qreal(column - horizontalScrollBar()->value()) * CellWidth());
}

QRect TTerminalLogView::CursorRect(TLogPosition position) const
{
    const int y = kMargin + int(position.Line - FirstVisibleLine()) * LineHeight();
    return {X(position.Column), y, 1, LineHeight()};
}

TLogPosition TTerminalLogView::PositionAt(QPoint point) const
{
    const qint64 line = FirstVisibleLine() + qint64(std::floor(qreal(point.y() - kMargin) / LineHeight()));
    const qint64 column = horizontalScrollBar()->value() + qint64(std::floor((point.x() - kMargin) / CellWidth() + 0.5));
    return m_log.Clamped({std::max<qint64>(line, 0), std::max<qint64>(column, 0)});
}

void TTerminalLogView::EnsureVisible(const TLogRange &range)
{
    if (m_mode == TMode::Hex) {
        if (const std::optional<qint64> offset = m_log.TrafficOffset(range.Begin))
            ShowRow(*offset / HexDump::kRowBytes);
        return;
    }
    for (const TLogPosition position : {range.End, range.Begin}) {
        const qint64 top = FirstVisibleLine();
        if (position.Line < top)
            verticalScrollBar()->setValue(ToInt(position.Line));
        else if (position.Line >= top + VisibleLines())
            verticalScrollBar()->setValue(ToInt(position.Line - VisibleLines() + 1));
        ShowColumn(position.Column);
    }
}

void TTerminalLogView::ShowRow(qint64 row)
{
    const qint64 top = FirstVisibleLine();
    if (row < top || row >= top + VisibleLines())
        verticalScrollBar()->setValue(ToInt(row - VisibleLines() / 2));
}

void TTerminalLogView::ShowColumn(qint64 column)
{
    const qint64 left = horizontalScrollBar()->value();
    if (column < left)
        horizontalScrollBar()->setValue(ToInt(column));
    else if (column >= left + VisibleColumns())
        horizontalScrollBar()->setValue(ToInt(column - VisibleColumns() + 1));
}

QColor TTerminalLogView::HitColor()
{
    return kHitBackground;
}

void TTerminalLogView::Copy() const
{
    if (m_mode == TMode::Text) {
        if (m_log.HasSelection())
            QApplication::clipboard()->setText(m_log.SelectedText());
        return;
    }
    qint64 begin = 0;
    qint64 end = 0;
    if (SelectedBytes(begin, end))
        QApplication::clipboard()->setText(
            QString::fromLatin1(m_log.Traffic().Bytes(begin, end - begin).toHex(' ').toUpper()));
}

bool TTerminalLogView::SelectedBytes(qint64 &begin, qint64 &end) const
{
    const TTrafficStore &traffic = m_log.Traffic();
    if (m_log.HasSelection()) {
        const TLogRange selection = m_log.Selection();
        const std::optional<qint64> from = m_log.TrafficOffset(selection.Begin);
        const std::optional<qint64> to = m_log.TrafficOffset(selection.End);
        if (!from || !to || *from >= *to)
            return false;
        begin = *from;
        end = *to;
        return true;
    }
    const std::optional<qint64> caret = m_log.TrafficOffset(m_log.Position());
    if (!caret)
        return false;
    const qint64 line = traffic.LineOf(*caret);
    begin = traffic.LineBegin(line);
    end = traffic.LineEnd(line);
    return begin < end;
}

void TTerminalLogView::Appended()
{
    UpdateScrollBars();
    verticalScrollBar()->setValue(verticalScrollBar()->maximum());
    if (m_mode == TMode::Text)
        ShowColumn(m_log.End().Column);
    m_otherFollows = true;
    viewport()->update();
}

void TTerminalLogView::Edited()
{
    UpdateScrollBars();
    viewport()->update();
}

void TTerminalLogView::UpdateScrollBars()
{
    const bool text = m_mode == TMode::Text;
    const qint64 lines = text ? m_log.LineCount() : HexDump::RowCount(m_log.Traffic().Size());
    const qint64 width = text ? m_log.MaxLineLength() + 1 : HexDump::RowWidth(OffsetDigits());
    verticalScrollBar()->setRange(0, ToInt(lines - VisibleLines()));
    verticalScrollBar()->setPageStep(ToInt(VisibleLines()));
    horizontalScrollBar()->setRange(0, ToInt(width - VisibleColumns()));
    horizontalScrollBar()->setPageStep(ToInt(VisibleColumns()));
}

void TTerminalLogView::resizeEvent(QResizeEvent *event)
{
    QAbstractScrollArea::resizeEvent(event);
    UpdateScrollBars();
}

void TTerminalLogView::scrollContentsBy(int, int)
{
    viewport()->update();
}

void TTerminalLogView::DrawCells(QPainter &painter, int y, const QString &text, qint64 firstColumn) const
{
    const QString shown = Displayed(text);
    const QFontMetricsF metrics(painter.font());
    const qreal cell = CellWidth();
    const int baseline = y + m_ascent;
    // Runs of characters of the font's own width go out whole; any other
    // character (a fallback font's) is placed in its cell alone.
    qsizetype run = 0;
    while (run < shown.size()) {
        qsizetype end = run + 1;
        while (end < shown.size() && qFuzzyCompare(metrics.horizontalAdvance(shown[end]), cell))
            ++end;
        const QString part = shown.mid(run, end - run);
        const QPointF at(X(firstColumn + run), baseline);
        if (qFuzzyCompare(metrics.horizontalAdvance(part), cell * qreal(part.size()))) {
            painter.drawText(at, part);
        } else {
            for (qsizetype i = 0; i < part.size(); ++i)
                painter.drawText(QPointF(X(firstColumn + run + i), baseline), QString(part[i]));
        }
        run = end;
    }
}

void TTerminalLogView::MarkCells(QPainter &painter, int y, const QString &text, qint64 firstColumn, qint64 from,
                                 qint64 to, const QColor &background, const QColor &foreground) const
{
    const QRect cells(QPoint(X(from), y), QPoint(X(to) - 1, y + LineHeight() - 1));
    if (cells.isEmpty())
        return;
    painter.save();
    painter.setClipRect(cells);
    painter.fillRect(cells, background);
    painter.setPen(foreground);
    DrawCells(painter, y, text, firstColumn);
    painter.restore();
}

void TTerminalLogView::paintEvent(QPaintEvent *)
{
    QPainter painter(viewport());
    painter.setFont(font());
    painter.setPen(palette().color(QPalette::Text));
    if (m_mode == TMode::Text)
        PaintText(painter);
    else
        PaintHex(painter);
}

void TTerminalLogView::PaintText(QPainter &painter)
{
    const qint64 top = FirstVisibleLine();
    const qint64 left = horizontalScrollBar()->value();
    const qint64 columns = VisibleColumns() + 1;
    const TLogRange selection = m_log.Selection();
    const std::optional<TLogRange> hit = m_log.Hit();
    const QPalette::ColorGroup group = hasFocus() ? QPalette::Active : QPalette::Inactive;
    const QColor highlight = palette().color(group, QPalette::Highlight);
    const QColor highlighted = palette().color(group, QPalette::HighlightedText);

    for (qint64 line = top; line < m_log.LineCount(); ++line) {
        const int y = kMargin + int(line - top) * LineHeight();
        if (y >= viewport()->height())
            break;
        const QString text = m_log.LineText(line, left, columns);
        DrawCells(painter, y, text, left);
        if (m_log.HasSelection() && selection.Begin.Line <= line && line <= selection.End.Line) {
            const qint64 from = line == selection.Begin.Line ? selection.Begin.Column : 0;
            // A selection that goes on to the next line takes the line end's cell.
            const qint64 to = line == selection.End.Line ? selection.End.Column : m_log.LineLength(line) + 1;
            MarkCells(painter, y, text, left, from, to, highlight, highlighted);
        }
        if (hit && hit->Begin.Line == line)
            MarkCells(painter, y, text, left, hit->Begin.Column, hit->End.Column, kHitBackground, kHitForeground);
    }
    if (hasFocus() && m_caretShown)
        painter.fillRect(CursorRect(m_log.Position()), palette().color(QPalette::Text));
}

void TTerminalLogView::PaintHex(QPainter &painter)
{
    const TTrafficStore &traffic = m_log.Traffic();
    const int digits = OffsetDigits();
    const qint64 top = FirstVisibleLine();
    const qint64 left = horizontalScrollBar()->value();
    qint64 marked = 0;
    qint64 markedEnd = 0;
    SelectedBytes(marked, markedEnd);
    const QColor highlight = palette().color(QPalette::Active, QPalette::Highlight);
    const QColor highlighted = palette().color(QPalette::Active, QPalette::HighlightedText);

    for (qint64 row = top; row < HexDump::RowCount(traffic.Size()); ++row) {
        const int y = kMargin + int(row - top) * LineHeight();
        if (y >= viewport()->height())
            break;
        const QString text = HexDump::Row(traffic, row, digits).mid(left);
        DrawCells(painter, y, text, left);
        const qint64 rowBegin = row * HexDump::kRowBytes;
        const int first = int(std::clamp<qint64>(marked - rowBegin, 0, HexDump::kRowBytes));
        const int last = int(std::clamp<qint64>(markedEnd - rowBegin, 0, HexDump::kRowBytes));
        if (first < last) {
            MarkCells(painter, y, text, left, HexDump::HexColumn(digits, first), HexDump::HexColumn(digits, last - 1) + 2,
                      highlight, highlighted);
            MarkCells(painter, y, text, left, HexDump::CharColumn(digits, first), HexDump::CharColumn(digits, last),
                      highlight, highlighted);
        }
    }
}

bool TTerminalLogView::TakesKey(const QKeyEvent &key) const
{
    if (m_mode == TMode::Hex)
        return key.matches(QKeySequence::Copy);
    if (IsTyping(key) || key.key() == Qt::Key_Backspace)
        return true;
    return std::any_of(kMoves.cbegin(), kMoves.cend(), [&key](const TKeyMove &move) { return key.matches(move.Key); })
           || std::any_of(kEditKeys.cbegin(), kEditKeys.cend(), [&key](auto standard) { return key.matches(standard); });
}

bool TTerminalLogView::event(QEvent *event)
{
    if (event->type() == QEvent::ShortcutOverride && TakesKey(*static_cast<QKeyEvent *>(event))) {
        event->accept();
        return true;
    }
    return QAbstractScrollArea::event(event);
}

void TTerminalLogView::keyPressEvent(QKeyEvent *event)
{
    const bool handled = m_mode == TMode::Text ? HandleTextKey(*event) : HandleHexKey(*event);
    if (!handled) {
        QAbstractScrollArea::keyPressEvent(event);
        return;
    }
    event->accept();
    if (m_mode == TMode::Text) {
        EnsureVisible({m_log.Position(), m_log.Position()});
        RestartBlink();
    }
}

bool TTerminalLogView::HandleTextKey(const QKeyEvent &key)
{
    for (const TKeyMove &move : kMoves) {
        if (key.matches(move.Key)) {
            m_log.Move(move.Move, move.Select, VisibleLines());
            return true;
        }
    }
    if (key.matches(QKeySequence::SelectAll)) {
        m_log.SelectAll();
    } else if (key.matches(QKeySequence::Copy)) {
        Copy();
    } else if (key.matches(QKeySequence::Cut)) {
        Copy();
        if (m_log.HasSelection())
            m_log.Insert(QString());
    } else if (key.matches(QKeySequence::Paste)) {
        m_log.Insert(QApplication::clipboard()->text());
    } else if (key.matches(QKeySequence::Delete)) {
        m_log.DeleteForward();
    } else if (key.matches(QKeySequence::DeleteEndOfWord)) {
        m_log.DeleteForward(true);
    } else if (key.matches(QKeySequence::DeleteStartOfWord)) {
        m_log.DeleteBackward(true);
    } else if (key.key() == Qt::Key_Backspace && !(key.modifiers() & ~Qt::ShiftModifier)) {
        m_log.DeleteBackward();
    } else if (key.matches(QKeySequence::InsertParagraphSeparator) || key.matches(QKeySequence::InsertLineSeparator)) {
        m_log.Insert(QStringLiteral("\n"));
    } else if (IsTyping(key)) {
        m_log.Insert(key.text());
    } else {
        return false;
    }
    return true;
}

bool TTerminalLogView::HandleHexKey(const QKeyEvent &key)
{
    QScrollBar *rows = verticalScrollBar();
    if (key.matches(QKeySequence::Copy))
        Copy();
    else if (key.matches(QKeySequence::MoveToNextLine))
        rows->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    else if (key.matches(QKeySequence::MoveToPreviousLine))
        rows->triggerAction(QAbstractSlider::SliderSingleStepSub);
    else if (key.matches(QKeySequence::MoveToStartOfDocument))
        rows->triggerAction(QAbstractSlider::SliderToMinimum);
    else if (key.matches(QKeySequence::MoveToEndOfDocument))
        rows->triggerAction(QAbstractSlider::SliderToMaximum);
    else
        return false;
    return true;
}

void TTerminalLogView::mousePressEvent(QMouseEvent *event)
{
    if (m_mode != TMode::Text || event->button() != Qt::LeftButton) {
        QAbstractScrollArea::mousePressEvent(event);
        return;
    }
    m_log.SetCursor(PositionAt(event->position().toPoint()), event->modifiers() & Qt::ShiftModifier);
    m_selecting = true;
    RestartBlink();
}

void TTerminalLogView::mouseMoveEvent(QMouseEvent *event)
{
    if (!m_selecting || !(event->buttons() & Qt::LeftButton)) {
        QAbstractScrollArea::mouseMoveEvent(event);
        return;
    }
    m_log.SetCursor(PositionAt(event->position().toPoint()), true);
    EnsureVisible({m_log.Position(), m_log.Position()});
}

void TTerminalLogView::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton)
        m_selecting = false;
    QAbstractScrollArea::mouseReleaseEvent(event);
}

void TTerminalLogView::mouseDoubleClickEvent(QMouseEvent *event)
{
    if (m_mode != TMode::Text || event->button() != Qt::LeftButton) {
        QAbstractScrollArea::mouseDoubleClickEvent(event);
        return;
    }
    m_log.SelectWordAt(PositionAt(event->position().toPoint()));
}

void TTerminalLogView::contextMenuEvent(QContextMenuEvent *event)
{
    QMenu menu(this);
    QAction *copy = menu.addAction(QStringLiteral("Копировать"), this, &TTerminalLogView::Copy);
    copy->setShortcut(QKeySequence::Copy);
    qint64 begin = 0;
    qint64 end = 0;
    copy->setEnabled(m_mode == TMode::Text ? m_log.HasSelection() : SelectedBytes(begin, end));
    if (m_mode == TMode::Text) {
        QAction *all = menu.addAction(QStringLiteral("Выделить всё"), &m_log, &TTerminalLog::SelectAll);
        all->setShortcut(QKeySequence::SelectAll);
    }
    menu.exec(event->globalPos());
}

void TTerminalLogView::inputMethodEvent(QInputMethodEvent *event)
{
    if (m_mode == TMode::Text && !event->commitString().isEmpty()) {
        m_log.Insert(event->commitString());
        EnsureVisible({m_log.Position(), m_log.Position()});
    }
    event->accept();
}

QVariant TTerminalLogView::inputMethodQuery(Qt::InputMethodQuery query) const
{
    switch (query) {
    case Qt::ImEnabled:
        return m_mode == TMode::Text;
    case Qt::ImCursorRectangle:
        return CursorRect(m_log.Position());
    case Qt::ImFont:
        return font();
    default:
        return QAbstractScrollArea::inputMethodQuery(query);
    }
}

void TTerminalLogView::focusInEvent(QFocusEvent *event)
{
    QAbstractScrollArea::focusInEvent(event);
    RestartBlink();
    viewport()->update();
}

void TTerminalLogView::focusOutEvent(QFocusEvent *event)
{
    QAbstractScrollArea::focusOutEvent(event);
    m_blink.stop();
    viewport()->update();
}

void TTerminalLogView::RestartBlink()
{
    m_caretShown = true;
    const int flash = QApplication::cursorFlashTime();
    if (flash > 0 && hasFocus())
        m_blink.start(flash / 2, this);
    else
        m_blink.stop();
    viewport()->update();
}

void TTerminalLogView::timerEvent(QTimerEvent *event)
{
    if (event->timerId() != m_blink.timerId()) {
        QAbstractScrollArea::timerEvent(event);
        return;
    }
    m_caretShown = !m_caretShown;
    viewport()->update();
}
