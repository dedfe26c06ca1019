// The received traffic, every byte as it arrived, and the lines of the log
// that it makes.
//
// How it works: the bytes go into blocks of a fixed size that never move or
// grow, so that appending costs the same at any length and memory is the
// bytes themselves; beside them, the offset at which each line begins, one
// number a line. A line is shown without its CR and LF bytes: an LF starts
// the next line, a CR only ends a run of text, so a CR between two shown
// bytes joins them. Such lines are rare and listed apart; for every other
// line the shown bytes are one stretch of the store, found from the line's
// start by stepping over the CRs at both ends.
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>

#include <memory>
#include <vector>

class TTrafficStore
{
public:
    TTrafficStore() = default;
    TTrafficStore(const TTrafficStore &) = delete;
    TTrafficStore &operator=(const TTrafficStore &) = delete;

    void Append(QByteArrayView bytes);

    // Bytes received, CR and LF included.
    qint64 Size() const { return m_size; }
    // Count bytes from offset, fewer at the end.
    QByteArray Bytes(qint64 offset, qint64 count) const;

    // At least one: the last line is the open line, to which received text
    // goes until the next LF.
    qint64 LineCount() const { return m_lineStarts.size(); }
    // Shown characters of a line: its bytes but CR and LF.
    qint64 LineLength(qint64 line) const;
    // The shown bytes of a line from column on, count of them (all: -1).
    QByteArray LineBytes(qint64 line, qint64 column = 0, qint64 count = -1) const;
    // All shown bytes of a line: in place where they lie together in the
    // store, else copied into scratch.
    QByteArrayView LineView(qint64 line, QByteArray &scratch) const;
    // Where in the store the shown byte at column of line lies; the end of
    // the line's shown bytes for column == LineLength(line).
    qint64 Offset(qint64 line, qint64 column) const;
    // The line the byte at offset belongs to (its LF to the line it ends).
    qint64 LineOf(qint64 offset) const;
    // The stretch of the store a line took: its first byte to its LF.
    qint64 LineBegin(qint64 line) const { return m_lineStarts[line]; }
    qint64 LineEnd(qint64 line) const { return line + 1 < LineCount() ? m_lineStarts[line + 1] : m_size; }
    // The longest line's length, of all lines so far.
    qint64 MaxLineLength() const { return m_maxLength; }

private:
    struct TJoinedLine
    {
        qint64 Line;
        qint64 Length; // shown bytes
    };

    char At(qint64 offset) const;
    void Copy(qint64 offset, qint64 count, char *out) const;
    // The raw stretch of a line without its LF, and within it the stretch
    // from its first to its last shown byte.
    void Span(qint64 line, qint64 &begin, qint64 &end) const;
    void ShownSpan(qint64 line, qint64 &begin, qint64 &end) const;
    const TJoinedLine *Joined(qint64 line) const;

    static constexpr qint64 kBlockSize = qint64(1) << 20;

    std::vector<std::unique_ptr<char[]>> m_blocks;
    qint64 m_size = 0;
    QList<qint64> m_lineStarts{0};
    QList<TJoinedLine> m_joinedLines; // in line order
    qint64 m_openLength = 0;          // shown bytes of the open line
    bool m_crAfterText = false;       // the open line's last byte is a CR after shown text
    qint64 m_maxLength = 0;
};
