// The terminal log on screen: draws only the lines in view, straight from
// the log, so that its size costs nothing here; takes the user's caret
// moves, selection, copying and local typing to the log. Shows either the
// log's text or the received bytes as a hex dump, each mode with its own
// place in its rows. Received text brings the view to the log's end.
#pragma once

#include "TerminalLog.h"

#include <QAbstractScrollArea>
#include <QBasicTimer>

class TTerminalLogView : public QAbstractScrollArea
{
    Q_OBJECT
    // What the view shows, for tests that read it from outside.
    Q_PROPERTY(QString plainText READ ShownText)

public:
    enum class TMode { Text, Hex };

    explicit TTerminalLogView(TTerminalLog &log, QWidget *parent = nullptr);

    TMode Mode() const { return m_mode; }
    // Switching to the hex dump brings the bytes of the caret's line into
    // view when they came from the traffic.
    void SetMode(TMode mode);

    // Everything the mode shows: the log's lines or the dump's rows, "\n"
    // between them.
    QString ShownText() const;
    // The first line (row) in view and how many fit.
    qint64 FirstVisibleLine() const;
    qint64 VisibleLines() const;
    // The caret's place in the viewport before the character at position.
    QRect CursorRect(TLogPosition position) const;
    TLogPosition PositionAt(QPoint point) const;
    // Scrolls as little as needed to show the range, its beginning first;
    // in the hex dump, to the row of its first byte from the traffic.
    void EnsureVisible(const TLogRange &range);
    void Copy() const;
    // The background of the last search's hit.
    static QColor HitColor();

protected:
    bool event(QEvent *event) override;
    void changeEvent(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void scrollContentsBy(int dx, int dy) override;
    void keyPressEvent(QKeyEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;
    void inputMethodEvent(QInputMethodEvent *event) override;
    QVariant inputMethodQuery(Qt::InputMethodQuery query) const override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    void timerEvent(QTimerEvent *event) override;

private:
    bool HandleTextKey(const QKeyEvent &key);
    bool HandleHexKey(const QKeyEvent &key);
    // Whether the key is one of those the view takes, before shortcuts.
    bool TakesKey(const QKeyEvent &key) const;
    void Appended();
    void Edited();
    void UpdateScrollBars();
    void ShowColumn(qint64 column);
    // Brings a row of the hex dump to the middle of the view when out of it.
    void ShowRow(qint64 row);
    void RestartBlink();
    void UpdateMetrics();
    qreal CellWidth() const { return m_cellWidth; }
    int LineHeight() const { return m_lineHeight; }
    qint64 VisibleColumns() const;
    int OffsetDigits() const;
    // The traffic bytes the selection covers, for the hex dump.
    bool SelectedBytes(qint64 &begin, qint64 &end) const;
    void PaintText(QPainter &painter);
    void PaintHex(QPainter &painter);
    int X(qint64 column) const;
    // Draws text whose first character stands in column firstColumn.
    void DrawCells(QPainter &painter, int y, const QString &text, qint64 firstColumn) const;
    // Fills the cells [from, to) of a line with background and draws the
    // line's text in them again in foreground.
    void MarkCells(QPainter &painter, int y, const QString &text, qint64 firstColumn, qint64 from, qint64 to,
                   const QColor &background, const QColor &foreground) const;

    TTerminalLog &m_log;
    TMode m_mode = TMode::Text;
    // The other mode's place, kept while this one is shown.
    int m_otherTop = 0;
    int m_otherLeft = 0;
    bool m_otherFollows = true; // received text came while the other mode was shown
    bool m_selecting = false;
    bool m_caretShown = true;
    qreal m_cellWidth = 1;
    int m_lineHeight = 1;
    int m_ascent = 0;
    QBasicTimer m_blink;
};
