// A text member of the configuration: code page 1251 bytes of bounded length.
#pragma once

#include <QByteArray>

template<qsizetype Capacity>
class TConfigText
{
public:
    static constexpr qsizetype capacity = Capacity;

    TConfigText() = default;
    // A longer text keeps its first Capacity bytes.
    TConfigText(const QByteArray &bytes) : m_bytes(bytes.left(Capacity)) {}

    const QByteArray &Bytes() const { return m_bytes; }
    bool IsEmpty() const { return m_bytes.isEmpty(); }
    void Clear() { m_bytes.clear(); }

    friend bool operator==(const TConfigText &, const TConfigText &) = default;

private:
    QByteArray m_bytes;
};
