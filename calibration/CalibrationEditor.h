// The text editor of the calibration dialog: a plain-text editor with a
// painted gutter, per-line values and error marks.
//
// How it works: the gutter is a child widget placed in the viewport's left
// margin (setViewportMargins). It repaints when the editor reports an update
// of its viewport (updateRequest), fills itself with the editor's background
// and hands the painter to whoever listens to gutterPaint, who places rows
// from FirstVisibleLine(), FirstLineTop() and LineHeight(). Line values and
// marks are kept by line index; textChanged is the change notification.
#pragma once

#include <QHash>
#include <QPlainTextEdit>
#include <QSet>

class QPainter;

class TCalibrationEditor : public QPlainTextEdit
{
    Q_OBJECT

public:
    explicit TCalibrationEditor(QWidget *parent = nullptr);

    // Lines of text; an empty document holds no line.
    int LineCount() const;
    QString Line(int index) const;
    void SetLine(int index, const QString &text);
    void AppendLine(const QString &text);
    // Replaces the whole text by lines, as one step that undo takes back.
    void ReplaceLines(const QStringList &lines);

    // Per-line data. A line without a value reads as 0; a marked line is
    // drawn as white text on maroon.
    qint32 LineValue(int index) const { return m_values.value(index, 0); }
    void SetLineValue(int index, qint32 value) { m_values.insert(index, value); }
    bool HasErrorMark(int index) const { return m_errorMarks.contains(index); }
    void SetErrorMark(int index);
    void ClearLineData();

    // Puts the caret on the line, keeping its column, and scrolls the line
    // into view.
    void SetCaretLine(int index);

    int GutterWidth() const { return kGutterWidth; }
    int FirstVisibleLine() const;
    int FirstLineTop() const; // gutter y of FirstVisibleLine()
    int LineHeight() const;

signals:
    // The gutter is being painted; the painter's brush is its background.
    void gutterPaint(QPainter *painter);

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    class Gutter;
    static constexpr int kGutterWidth = 70;

    void UpdateGutter(const QRect &rect, int dy);
    void PaintGutter(QPainter &painter);
    void ShowErrorMarks();

    Gutter *m_gutter;
    QHash<int, qint32> m_values;
    QSet<int> m_errorMarks;
};
