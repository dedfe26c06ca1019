#include "TrafficStore.h"

#include <algorithm>
#include <cstring>

void TTrafficStore::Append(QByteArrayView bytes)
{
    const qint64 base = m_size;
    for (qint64 done = 0; done < bytes.size();) {
        const qint64 inBlock = m_size % kBlockSize;
        if (inBlock == 0)
            m_blocks.push_back(std::make_unique_for_overwrite<char[]>(kBlockSize));
        const qint64 count = std::min(bytes.size() - done, kBlockSize - inBlock);
        std::memcpy(m_blocks.back().get() + inBlock, bytes.data() + done, size_t(count));
        m_size += count;
        done += count;
    }

    const char *const first = bytes.data();
    const char *const last = first + bytes.size();
    for (const char *p = first; p < last; ++p) {
        const char *const run = p;
        while (p < last && *p != '\n' && *p != '\r')
            ++p;
        if (p > run) {
            if (m_crAfterText) {
                const qint64 open = LineCount() - 1;
                if (m_joinedLines.isEmpty() || m_joinedLines.constLast().Line != open)
                    m_joinedLines.append({open, 0});
            }
            m_crAfterText = false;
            m_openLength += p - run;
        }
        if (p == last)
            break;
        if (*p == '\r') {
            m_crAfterText = m_openLength > 0;
            continue;
        }
        if (!m_joinedLines.isEmpty() && m_joinedLines.constLast().Line == LineCount() - 1)
            m_joinedLines.last().Length = m_openLength;
        m_maxLength = std::max(m_maxLength, m_openLength);
        m_lineStarts.append(base + (p - first) + 1);
        m_openLength = 0;
        m_crAfterText = false;
    }
    m_maxLength = std::max(m_maxLength, m_openLength);
}

QByteArray TTrafficStore::Bytes(qint64 offset, qint64 count) const
{
    offset = std::clamp<qint64>(offset, 0, m_size);
    count = std::clamp<qint64>(count, 0, m_size - offset);
    QByteArray bytes(count, Qt::Uninitialized);
    Copy(offset, count, bytes.data());
    return bytes;
}

qint64 TTrafficStore::LineLength(qint64 line) const
{
    if (line == LineCount() - 1)
        return m_openLength;
    if (const TJoinedLine *joined = Joined(line))
        return joined->Length;
    qint64 begin, end;
    ShownSpan(line, begin, end);
    return end - begin;
}

QByteArray TTrafficStore::LineBytes(qint64 line, qint64 column, qint64 count) const
{
    const qint64 length = LineLength(line);
    column = std::clamp<qint64>(column, 0, length);
    count = count < 0 ? length - column : std::min(count, length - column);
    QByteArray bytes(count, Qt::Uninitialized);
    if (!Joined(line)) {
        qint64 begin, end;
        ShownSpan(line, begin, end);
        Copy(begin + column, count, bytes.data());
        return bytes;
    }
    qint64 begin, end;
    Span(line, begin, end);
    char *out = bytes.data();
    for (qint64 offset = begin, shown = 0; offset < end && shown < column + count; ++offset) {
        const char c = At(offset);
        if (c == '\r')
            continue;
        if (shown >= column)
            *out++ = c;
        ++shown;
    }
    return bytes;
}

QByteArrayView TTrafficStore::LineView(qint64 line, QByteArray &scratch) const
{
    if (!Joined(line)) {
        qint64 begin, end;
        ShownSpan(line, begin, end);
        if (begin == end)
            return {};
        if (begin / kBlockSize == (end - 1) / kBlockSize)
            return {m_blocks[size_t(begin / kBlockSize)].get() + begin % kBlockSize, end - begin};
    }
    scratch = LineBytes(line);
    return scratch;
}

qint64 TTrafficStore::Offset(qint64 line, qint64 column) const
{
    qint64 begin, end;
    if (!Joined(line)) {
        ShownSpan(line, begin, end);
        return begin + std::clamp<qint64>(column, 0, end - begin);
    }
    Span(line, begin, end);
    qint64 shown = 0;
    qint64 offset = begin;
    for (; offset < end; ++offset) {
        if (At(offset) == '\r')
            continue;
        if (shown == column)
            return offset;
        ++shown;
    }
    while (offset > begin && At(offset - 1) == '\r')
        --offset;
    return offset;
}

qint64 TTrafficStore::LineOf(qint64 offset) const
{
    const auto after = std::upper_bound(m_lineStarts.cbegin(), m_lineStarts.cend(), offset);
    return std::max<qint64>(0, after - m_lineStarts.cbegin() - 1);
}

char TTrafficStore::At(qint64 offset) const
{
    return m_blocks[size_t(offset / kBlockSize)][offset % kBlockSize];
}

void TTrafficStore::Copy(qint64 offset, qint64 count, char *out) const
{
    while (count > 0) {
        const qint64 inBlock = offset % kBlockSize;
        const qint64 part = std::min(count, kBlockSize - inBlock);
        std::memcpy(out, m_blocks[size_t(offset / kBlockSize)].get() + inBlock, size_t(part));
        out += part;
        offset += part;
        count -= part;
    }
}

void TTrafficStore::Span(qint64 line, qint64 &begin, qint64 &end) const
{
    begin = m_lineStarts[line];
    end = line + 1 < LineCount() ? m_lineStarts[line + 1] - 1 : m_size;
}

void TTrafficStore::ShownSpan(qint64 line, qint64 &begin, qint64 &end) const
{
    Span(line, begin, end);
    while (begin < end && At(begin) == '\r')
        ++begin;
    while (end > begin && At(end - 1) == '\r')
        --end;
}

const TTrafficStore::TJoinedLine *TTrafficStore::Joined(qint64 line) const
{
    const auto found = std::lower_bound(m_joinedLines.cbegin(), m_joinedLines.cend(), line,
                                        [](const TJoinedLine &joined, qint64 l) { return joined.Line < l; });
    return found != m_joinedLines.cend() && found->Line == line ? &*found : nullptr;
}
