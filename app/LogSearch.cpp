#include "LogSearch.h"

#include "common/Cp1251.h"

#include <array>
#include <limits>

namespace {

constexpr qint64 kLineEnd = std::numeric_limits<qint64>::max();

// Each code page 1251 byte to the byte of its lower-case letter.
const std::array<uchar, 256> &Fold()
{
    static const std::array<uchar, 256> table = [] {
        std::array<uchar, 256> fold{};
        for (int byte = 0; byte < 256; ++byte) {
            const QString lower = Cp1251::toUnicode(QByteArray(1, char(byte))).toLower();
            bool lossless = false;
            const QByteArray folded = Cp1251::fromUnicode(lower, &lossless);
            fold[byte] = lossless && folded.size() == 1 ? uchar(folded.front()) : uchar(byte);
        }
        return fold;
    }();
    return table;
}

class TNeedle
{
public:
    explicit TNeedle(const QString &text) : m_text(text)
    {
        bool lossless = false;
        m_bytes = Cp1251::fromUnicode(text, &lossless);
        m_inCodePage = lossless;
        for (char &byte : m_bytes)
            byte = char(m_fold[uchar(byte)]);
    }

    // The first (backward: last) column in [from, to) at which the needle
    // starts in line; -1 for none.
    qint64 FindIn(const TTerminalLog &log, qint64 line, qint64 from, qint64 to, bool backward) const
    {
        const qint64 trafficLine = log.TrafficLineOf(line);
        if (trafficLine < 0)
            return FindInText(log.LineText(line), from, to, backward);
        if (!m_inCodePage)
            return -1;
        const QByteArrayView bytes = log.Traffic().LineView(trafficLine, m_scratch);
        const qint64 last = std::min(to - 1, bytes.size() - m_bytes.size());
        if (backward) {
            for (qint64 at = last; at >= from; --at) {
                if (MatchesAt(bytes, at))
                    return at;
            }
        } else {
            for (qint64 at = std::max<qint64>(from, 0); at <= last; ++at) {
                if (MatchesAt(bytes, at))
                    return at;
            }
        }
        return -1;
    }

    qint64 Size() const { return m_text.size(); }

private:
    bool MatchesAt(QByteArrayView bytes, qint64 at) const
    {
        for (qsizetype i = 0; i < m_bytes.size(); ++i) {
            if (char(m_fold[uchar(bytes[at + i])]) != m_bytes[i])
                return false;
        }
        return true;
    }

    qint64 FindInText(const QString &text, qint64 from, qint64 to, bool backward) const
    {
        const qint64 last = std::min(to - 1, text.size() - m_text.size());
        if (last < from)
            return -1;
        const qint64 at = backward ? text.lastIndexOf(m_text, last, Qt::CaseInsensitive)
                                   : text.indexOf(m_text, from, Qt::CaseInsensitive);
        return at >= from && at <= last ? at : -1;
    }

    const std::array<uchar, 256> &m_fold = Fold();
    QString m_text;
    QByteArray m_bytes; // folded
    bool m_inCodePage = false;
    mutable QByteArray m_scratch;
};

} // namespace

namespace LogSearch {

std::optional<THit> Find(const TTerminalLog &log, const QString &needle, TLogPosition from, bool backward)
{
    if (needle.isEmpty())
        return std::nullopt;
    const TNeedle search(needle);
    from = log.Clamped(from);
    const qint64 lines = log.LineCount();
    const auto hit = [&](qint64 line, qint64 column, bool wrapped) {
        return THit{{{line, column}, {line, column + search.Size()}}, wrapped};
    };

    // The lines in the order of the search, the first and the last being the
    // two parts of the line it starts from.
    for (qint64 step = 0; step <= lines; ++step) {
        const bool wrapped = backward ? step > from.Line : step >= lines - from.Line;
        qint64 line;
        qint64 begin = 0;
        qint64 end = kLineEnd;
        if (backward) {
            line = ((from.Line - step) % lines + lines) % lines;
            if (step == 0)
                end = from.Column;
            else if (step == lines)
                begin = from.Column;
        } else {
            line = (from.Line + step) % lines;
            if (step == 0)
                begin = from.Column;
            else if (step == lines)
                end = from.Column;
        }
        const qint64 column = search.FindIn(log, line, begin, end, backward);
        if (column >= 0)
            return hit(line, column, wrapped);
    }
    return std::nullopt;
}

} // namespace LogSearch
