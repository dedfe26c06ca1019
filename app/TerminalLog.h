// The terminal page's log: the received traffic's lines, which the user may
// edit locally, with the user's caret and selection. No widget: the view
// shows it and hands the user's input in; tests drive it directly.
//
// How it works: the traffic stays in its store (TTrafficStore) as it
// arrived. The log is a short list of pieces over it: runs of consecutive
// traffic lines, and the lines the user has edited. An edited line holds
// its own text followed, when the line still ends in received text, by the
// rest of a traffic line from some column on (its tail), so that an edit
// copies only what lies before it. The log's last line always ends in the
// traffic's open line: received text is appended there, and new traffic
// lines after it. Positions are (line, column) in the log; received text
// never moves one, so the user's caret and selection stay where they are.
#pragma once

#include "TrafficStore.h"

#include <QList>
#include <QObject>
#include <QString>

#include <compare>
#include <optional>

class QIODevice;

struct TLogPosition
{
    qint64 Line = 0;
    qint64 Column = 0;

    auto operator<=>(const TLogPosition &) const = default;
};

struct TLogRange
{
    TLogPosition Begin;
    TLogPosition End;

    bool operator==(const TLogRange &) const = default;
};

class TTerminalLog : public QObject
{
    Q_OBJECT

public:
    explicit TTerminalLog(QObject *parent = nullptr);

    // Appends received bytes to the open line; an LF starts a new line, a
    // CR only ends a run of text. Emits appended().
    void Append(QByteArrayView bytes);
    const TTrafficStore &Traffic() const { return m_traffic; }

    qint64 LineCount() const;
    qint64 LineLength(qint64 line) const;
    // Count characters of a line from column on (all: -1).
    QString LineText(qint64 line, qint64 column = 0, qint64 count = -1) const;
    QChar CharAt(TLogPosition position) const;
    // The log's text, "\n" between lines.
    QString Text() const;
    // Writes the log's lines in UTF-8, each ending in "\n".
    void Write(QIODevice &out) const;
    // At least the longest line's length.
    qint64 MaxLineLength() const;
    TLogPosition End() const;
    TLogPosition Clamped(TLogPosition position) const;
    // Where the character at position arrived in the traffic, when it came
    // from there rather than from the user's typing.
    std::optional<qint64> TrafficOffset(TLogPosition position) const;
    // The traffic line a line shows untouched; -1 for a line the user edited.
    qint64 TrafficLineOf(qint64 line) const;

    // The caret is Position(); the selection runs from Anchor() to it.
    TLogPosition Anchor() const { return m_anchor; }
    TLogPosition Position() const { return m_position; }
    bool HasSelection() const { return m_anchor != m_position; }
    TLogRange Selection() const;
    QString SelectedText() const;
    QString TextOf(const TLogRange &range) const;
    void SetCursor(TLogPosition position, bool keepAnchor = false);
    void Select(const TLogRange &range);
    void SelectAll();
    void SelectWordAt(TLogPosition position);

    enum class TMove { Left, Right, WordLeft, WordRight, Up, Down, PageUp, PageDown, LineStart, LineEnd, Start, End };
    // Moves the caret; Up, Down and the page moves keep to the column the
    // caret came from; a page is pageLines lines.
    void Move(TMove move, bool keepAnchor, qint64 pageLines = 1);

    // Local editing at the caret: the selection is replaced, "\n" (also
    // CR LF, CR and the Unicode line separators) starts a new line.
    void Insert(const QString &text);
    void DeleteBackward(bool word = false);
    void DeleteForward(bool word = false);

    // The hit of the last search, highlighted until the next edit.
    std::optional<TLogRange> Hit() const { return m_hit; }
    void SetHit(const std::optional<TLogRange> &hit);

signals:
    // Received text was appended.
    void appended();
    // The user edited the lines.
    void edited();
    void cursorChanged();

private:
    // Where a line's characters come from: its own text, then a traffic
    // line from a column on (TailLine < 0: nothing more).
    struct TLineSource
    {
        QString Text;
        qint64 TailLine = -1;
        qint64 TailColumn = 0;
    };
    // Traffic lines [First, First + Count), or one edited line.
    struct TPiece
    {
        qint64 First = 0;
        qint64 Count = 1;
        bool Edited = false;
        TLineSource Line{};
    };

    // The piece that holds line, and the line's place in it.
    qsizetype PieceOf(qint64 line, qint64 &inPiece) const;
    TLineSource Source(qint64 line) const;
    qint64 Length(const TLineSource &source) const;
    // The characters of line from column on, as a source.
    TLineSource Rest(qint64 line, qint64 column) const;
    // Replaces the lines first..last by lines.
    void ReplaceLines(qint64 first, qint64 last, const QList<TLineSource> &lines);
    void Replace(const TLogRange &range, const QString &text);
    void RebuildIndex();
    TLogPosition MovedBy(TLogPosition position, TMove move, qint64 pageLines) const;
    bool IsWordChar(TLogPosition position) const;

    TTrafficStore m_traffic;
    QList<TPiece> m_pieces;
    QList<qint64> m_pieceStarts; // the first log line of each piece
    qint64 m_editedMaxLength = 0;
    TLogPosition m_anchor;
    TLogPosition m_position;
    qint64 m_goalColumn = -1; // the column Up and Down keep to
    std::optional<TLogRange> m_hit;
};
