#include "TerminalLog.h"

#include "common/Cp1251.h"

#include <QIODevice>

#include <algorithm>

TTerminalLog::TTerminalLog(QObject *parent) : QObject(parent)
{
    m_pieces.append(TPiece{});
    m_pieceStarts.append(0);
}

void TTerminalLog::Append(QByteArrayView bytes)
{
    if (bytes.isEmpty())
        return;
    const qint64 before = m_traffic.LineCount();
    m_traffic.Append(bytes);
    const qint64 added = m_traffic.LineCount() - before;
    if (added > 0) {
        TPiece &last = m_pieces.last();
        if (!last.Edited && last.First + last.Count == before) {
            last.Count += added;
        } else {
            m_pieceStarts.append(LineCount());
            m_pieces.append(TPiece{before, added});
        }
    }
    emit appended();
}

qint64 TTerminalLog::LineCount() const
{
    return m_pieceStarts.constLast() + m_pieces.constLast().Count;
}

qsizetype TTerminalLog::PieceOf(qint64 line, qint64 &inPiece) const
{
    const auto after = std::upper_bound(m_pieceStarts.cbegin(), m_pieceStarts.cend(), line);
    const qsizetype piece = std::max<qsizetype>(0, after - m_pieceStarts.cbegin() - 1);
    inPiece = line - m_pieceStarts[piece];
    return piece;
}

TTerminalLog::TLineSource TTerminalLog::Source(qint64 line) const
{
    qint64 inPiece = 0;
    const TPiece &piece = m_pieces[PieceOf(line, inPiece)];
    if (piece.Edited)
        return piece.Line;
    return {QString(), piece.First + inPiece, 0};
}

TTerminalLog::TLineSource TTerminalLog::Rest(qint64 line, qint64 column) const
{
    const TLineSource source = Source(line);
    if (column < source.Text.size())
        return {source.Text.mid(column), source.TailLine, source.TailColumn};
    if (source.TailLine < 0)
        return {};
    return {QString(), source.TailLine, source.TailColumn + column - source.Text.size()};
}

qint64 TTerminalLog::Length(const TLineSource &source) const
{
    const qint64 tail = source.TailLine < 0 ? 0 : m_traffic.LineLength(source.TailLine) - source.TailColumn;
    return source.Text.size() + tail;
}

qint64 TTerminalLog::LineLength(qint64 line) const
{
    return Length(Source(line));
}

QString TTerminalLog::LineText(qint64 line, qint64 column, qint64 count) const
{
    const TLineSource source = Source(line);
    const qint64 length = Length(source);
    column = std::clamp<qint64>(column, 0, length);
    count = count < 0 ? length - column : std::min(count, length - column);
    QString text = source.Text.mid(column, count);
    const qint64 fromTail = count - text.size();
    if (fromTail > 0) {
        const qint64 tailColumn = source.TailColumn + std::max<qint64>(0, column - source.Text.size());
        text += Cp1251::toUnicode(m_traffic.LineBytes(source.TailLine, tailColumn, fromTail));
    }
    return text;
}

QChar TTerminalLog::CharAt(TLogPosition position) const
{
    const QString text = LineText(position.Line, position.Column, 1);
    return text.isEmpty() ? QChar() : text.front();
}

QString TTerminalLog::Text() const
{
    return TextOf({{0, 0}, End()});
}

void TTerminalLog::Write(QIODevice &out) const
{
    constexpr qsizetype kBuffer = 1 << 16;
    QByteArray buffer;
    for (qint64 line = 0; line < LineCount(); ++line) {
        buffer += LineText(line).toUtf8();
        buffer += '\n';
        if (buffer.size() >= kBuffer || line + 1 == LineCount()) {
            if (out.write(buffer) != buffer.size())
                return;
            buffer.clear();
        }
    }
}

qint64 TTerminalLog::MaxLineLength() const
{
    return std::max(m_traffic.MaxLineLength(), m_editedMaxLength);
}

TLogPosition TTerminalLog::End() const
{
    const qint64 last = LineCount() - 1;
    return {last, LineLength(last)};
}

TLogPosition TTerminalLog::Clamped(TLogPosition position) const
{
    const qint64 line = std::clamp<qint64>(position.Line, 0, LineCount() - 1);
    return {line, std::clamp<qint64>(position.Column, 0, LineLength(line))};
}

std::optional<qint64> TTerminalLog::TrafficOffset(TLogPosition position) const
{
    const TLineSource source = Source(position.Line);
    if (source.TailLine < 0 || position.Column < source.Text.size())
        return std::nullopt;
    return m_traffic.Offset(source.TailLine, source.TailColumn + position.Column - source.Text.size());
}

qint64 TTerminalLog::TrafficLineOf(qint64 line) const
{
    qint64 inPiece = 0;
    const TPiece &piece = m_pieces[PieceOf(line, inPiece)];
    return piece.Edited ? -1 : piece.First + inPiece;
}

TLogRange TTerminalLog::Selection() const
{
    return {std::min(m_anchor, m_position), std::max(m_anchor, m_position)};
}

QString TTerminalLog::SelectedText() const
{
    return TextOf(Selection());
}

QString TTerminalLog::TextOf(const TLogRange &range) const
{
    const TLogPosition begin = Clamped(range.Begin);
    const TLogPosition end = Clamped(range.End);
    if (begin.Line == end.Line)
        return LineText(begin.Line, begin.Column, end.Column - begin.Column);
    QString text = LineText(begin.Line, begin.Column);
    for (qint64 line = begin.Line + 1; line < end.Line; ++line)
        text += u'\n' + LineText(line);
    text += u'\n' + LineText(end.Line, 0, end.Column);
    return text;
}

void TTerminalLog::SetCursor(TLogPosition position, bool keepAnchor)
{
    m_position = Clamped(position);
    if (!keepAnchor)
        m_anchor = m_position;
    m_goalColumn = -1;
    emit cursorChanged();
}

void TTerminalLog::Select(const TLogRange &range)
{
    m_anchor = Clamped(range.Begin);
    SetCursor(range.End, true);
}

void TTerminalLog::SelectAll()
{
    Select({{0, 0}, End()});
}

void TTerminalLog::SelectWordAt(TLogPosition position)
{
    position = Clamped(position);
    TLogPosition begin = position;
    TLogPosition end = position;
    if (IsWordChar(position)) {
        while (begin.Column > 0 && IsWordChar({begin.Line, begin.Column - 1}))
            --begin.Column;
        while (IsWordChar(end))
            ++end.Column;
    }
    Select({begin, end});
}

bool TTerminalLog::IsWordChar(TLogPosition position) const
{
    const QChar c = CharAt(position);
    return c.isLetterOrNumber() || c == u'_';
}

TLogPosition TTerminalLog::MovedBy(TLogPosition p, TMove move, qint64 pageLines) const
{
    const qint64 last = LineCount() - 1;
    const qint64 goal = m_goalColumn >= 0 ? m_goalColumn : p.Column;
    switch (move) {
    case TMove::Left:
        if (p.Column > 0)
            return {p.Line, p.Column - 1};
        return p.Line > 0 ? TLogPosition{p.Line - 1, LineLength(p.Line - 1)} : p;
    case TMove::Right:
        if (p.Column < LineLength(p.Line))
            return {p.Line, p.Column + 1};
        return p.Line < last ? TLogPosition{p.Line + 1, 0} : p;
    case TMove::WordLeft:
        while (p != TLogPosition{}) {
            const TLogPosition before = MovedBy(p, TMove::Left, 0);
            if (IsWordChar(before))
                break;
            p = before;
        }
        while (p.Column > 0 && IsWordChar({p.Line, p.Column - 1}))
            --p.Column;
        return p;
    case TMove::WordRight:
        while (IsWordChar(p))
            ++p.Column;
        while (p != End() && !IsWordChar(p))
            p = MovedBy(p, TMove::Right, 0);
        return p;
    case TMove::Up:
        return p.Line > 0 ? Clamped({p.Line - 1, goal}) : p;
    case TMove::Down:
        return p.Line < last ? Clamped({p.Line + 1, goal}) : p;
    case TMove::PageUp:
        return Clamped({p.Line - pageLines, goal});
    case TMove::PageDown:
        return Clamped({p.Line + pageLines, goal});
    case TMove::LineStart:
        return {p.Line, 0};
    case TMove::LineEnd:
        return {p.Line, LineLength(p.Line)};
    case TMove::Start:
        return {};
    case TMove::End:
        return End();
    }
    return p;
}

void TTerminalLog::Move(TMove move, bool keepAnchor, qint64 pageLines)
{
    if (HasSelection() && !keepAnchor && (move == TMove::Left || move == TMove::Right)) {
        SetCursor(move == TMove::Left ? Selection().Begin : Selection().End);
        return;
    }
    const bool vertical = move == TMove::Up || move == TMove::Down || move == TMove::PageUp || move == TMove::PageDown;
    const qint64 goal = m_goalColumn >= 0 ? m_goalColumn : m_position.Column;
    SetCursor(MovedBy(m_position, move, pageLines), keepAnchor);
    if (vertical)
        m_goalColumn = goal;
}

void TTerminalLog::Insert(const QString &text)
{
    QString lines = text;
    lines.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    for (QChar &c : lines) {
        if (c == u'\r' || c == QChar::LineSeparator || c == QChar::ParagraphSeparator)
            c = u'\n';
    }
    Replace(Selection(), lines);
}

void TTerminalLog::DeleteBackward(bool word)
{
    if (!HasSelection())
        m_anchor = MovedBy(m_position, word ? TMove::WordLeft : TMove::Left, 0);
    if (HasSelection())
        Replace(Selection(), QString());
}

void TTerminalLog::DeleteForward(bool word)
{
    if (!HasSelection())
        m_anchor = MovedBy(m_position, word ? TMove::WordRight : TMove::Right, 0);
    if (HasSelection())
        Replace(Selection(), QString());
}

void TTerminalLog::SetHit(const std::optional<TLogRange> &hit)
{
    m_hit = hit;
    emit cursorChanged();
}

void TTerminalLog::Replace(const TLogRange &range, const QString &text)
{
    const QStringList parts = text.split(u'\n');
    const QString before = LineText(range.Begin.Line, 0, range.Begin.Column);
    const TLineSource after = Rest(range.End.Line, range.End.Column);
    QList<TLineSource> lines;
    if (parts.size() == 1) {
        lines.append({before + parts.front() + after.Text, after.TailLine, after.TailColumn});
    } else {
        lines.append({before + parts.front()});
        for (qsizetype i = 1; i + 1 < parts.size(); ++i)
            lines.append({parts[i]});
        lines.append({parts.back() + after.Text, after.TailLine, after.TailColumn});
    }
    ReplaceLines(range.Begin.Line, range.End.Line, lines);

    m_hit.reset();
    const qint64 caretLine = range.Begin.Line + parts.size() - 1;
    const qint64 caretColumn = (parts.size() == 1 ? range.Begin.Column : 0) + parts.back().size();
    m_anchor = m_position = {caretLine, caretColumn};
    m_goalColumn = -1;
    emit edited();
    emit cursorChanged();
}

void TTerminalLog::ReplaceLines(qint64 first, qint64 last, const QList<TLineSource> &lines)
{
    QList<TPiece> pieces;
    // Adds a piece, as a traffic line when it is one untouched, joined to
    // the run before it where it continues that run.
    const auto add = [&pieces](TPiece piece) {
        if (piece.Edited && piece.Line.Text.isEmpty() && piece.Line.TailLine >= 0 && piece.Line.TailColumn == 0)
            piece = TPiece{piece.Line.TailLine, 1};
        if (!piece.Edited && !pieces.isEmpty() && !pieces.constLast().Edited
            && pieces.constLast().First + pieces.constLast().Count == piece.First) {
            pieces.last().Count += piece.Count;
            return;
        }
        pieces.append(std::move(piece));
    };
    const auto addSlice = [&add](const TPiece &piece, qint64 from, qint64 to) {
        if (from >= to)
            return;
        if (piece.Edited)
            add(piece);
        else
            add(TPiece{piece.First + from, to - from});
    };

    for (qsizetype i = 0; i < m_pieces.size(); ++i) {
        const TPiece &piece = m_pieces[i];
        const qint64 start = m_pieceStarts[i];
        addSlice(piece, 0, std::clamp<qint64>(first - start, 0, piece.Count));
        if (start <= first && first < start + piece.Count) {
            for (const TLineSource &line : lines) {
                add(TPiece{0, 1, true, line});
                m_editedMaxLength = std::max(m_editedMaxLength, Length(line));
            }
        }
        addSlice(piece, std::clamp<qint64>(last + 1 - start, 0, piece.Count), piece.Count);
    }
    m_pieces = std::move(pieces);
    RebuildIndex();
}

void TTerminalLog::RebuildIndex()
{
    m_pieceStarts.resize(m_pieces.size());
    qint64 line = 0;
    for (qsizetype i = 0; i < m_pieces.size(); ++i) {
        m_pieceStarts[i] = line;
        line += m_pieces[i].Count;
    }
}
