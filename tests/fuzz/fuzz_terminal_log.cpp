// The terminal log fed a received stream once whole and once in
// fuzzer-chosen chunks, then edited locally between more received chunks.
//
// Both logs must hold the same text: every byte of the stream but CR, each
// in its code page 1251 character, LF starting a new line; the traffic must
// keep every byte as received. Whatever the user edits, received text goes
// to the end of the log, and every line's length is that of its text.

#include "FuzzSupport.h"
#include "app/TerminalLog.h"
#include "common/Cp1251.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <QByteArray>

namespace {

QString Shown(QByteArray bytes)
{
    bytes.replace('\r', QByteArray());
    return Cp1251::toUnicode(bytes);
}

void RequireConsistent(const TTerminalLog &log)
{
    const QString text = log.Text();
    Require(text.count(u'\n') == log.LineCount() - 1, "a line for every line break");
    for (qint64 line = 0; line < log.LineCount(); ++line)
        Require(log.LineLength(line) == log.LineText(line).size(), "a line's length is that of its text");
}

TLogPosition Position(FuzzedDataProvider &data, const TTerminalLog &log)
{
    const qint64 line = data.ConsumeIntegralInRange<qint64>(0, log.LineCount() - 1);
    return {line, data.ConsumeIntegralInRange<qint64>(0, log.LineLength(line))};
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *bytes, size_t size)
{
    FuzzedDataProvider data(bytes, size);
    const QByteArray stream = QByteArray::fromStdString(data.ConsumeRandomLengthString(4096));

    TTerminalLog whole;
    whole.Append(stream);
    TTerminalLog chunked;
    for (qsizetype from = 0; from < stream.size();) {
        const qsizetype rest = stream.size() - from;
        const qsizetype length = data.remaining_bytes() > 0 ? data.ConsumeIntegralInRange<qsizetype>(0, rest) : rest;
        chunked.Append(QByteArrayView(stream).sliced(from, length));
        from += length;
    }

    Require(whole.Text() == Shown(stream), "the log holds every byte but CR, LF as a line break");
    Require(chunked.Text() == whole.Text(), "the log is the same however the stream is chunked");
    Require(whole.Traffic().Bytes(0, stream.size()) == stream, "the traffic holds every byte as received");
    RequireConsistent(whole);

    for (int step = 0; step < 64 && data.remaining_bytes() > 0; ++step) {
        switch (data.ConsumeIntegralInRange(0, 2)) {
        case 0: { // typing, line breaks included
            whole.SetCursor(Position(data, whole));
            whole.Insert(QString::fromUtf8(data.ConsumeRandomLengthString(16)));
            break;
        }
        case 1: { // a selection deleted
            const TLogPosition anchor = Position(data, whole);
            whole.Select({anchor, Position(data, whole)});
            whole.DeleteForward();
            break;
        }
        default: {
            const QString before = whole.Text();
            const QByteArray chunk = QByteArray::fromStdString(data.ConsumeRandomLengthString(64));
            whole.Append(chunk);
            Require(whole.Text() == before + Shown(chunk), "received text goes to the end of the log");
            break;
        }
        }
        RequireConsistent(whole);
    }
    return 0;
}
