// The answer parser over a few consecutive answers, each fed once whole and
// once in fuzzer-chosen chunks.
//
// The whole-stream parse must match a model written from the documented
// rules. The chunked parse must give the same lines, prompt decision and
// line-start state, as long as no chunk but the last ends with '>': a '>'
// counts as the prompt only as the last character of a chunk, by design.
// Until the echo is complete, nothing is collected.

#include "FuzzSupport.h"
#include "terminal/AnswerParser.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <QByteArray>
#include <QList>

namespace {

struct TExpected
{
    QList<QByteArray> lines;
    bool prompt = false;
    bool atLineStart = false;
};

TExpected Model(const QByteArray &command, const QByteArray &stream, bool atLineStart)
{
    QByteArray text = stream;
    if (!command.isEmpty()) {
        const QByteArray echo = command + "\r\r\n";
        const qsizetype found = stream.indexOf(echo);
        if (found < 0)
            return {{QByteArray()}, false, atLineStart};
        text = stream.mid(found + echo.size());
        atLineStart = true;
    }

    QByteArray kept = text;
    kept.replace('\r', QByteArray());
    if (text.endsWith('>')) {
        const QByteArray before = kept.chopped(1);
        if (before.isEmpty() ? atLineStart : before.endsWith('\n')) {
            QList<QByteArray> lines = before.split('\n');
            lines.removeLast();
            return {lines, true, true};
        }
    }
    return {kept.split('\n'), false, kept.isEmpty() ? atLineStart : kept.endsWith('\n')};
}

// Chunk ends chosen by the fuzzer, moved past any '>' they would follow.
QList<qsizetype> ChunkEnds(FuzzedDataProvider &data, const QByteArray &stream)
{
    QList<qsizetype> ends;
    const int cuts = data.ConsumeIntegralInRange(0, 24);
    qsizetype at = 0;
    for (int i = 0; i < cuts && at < stream.size(); ++i) {
        at += data.ConsumeIntegralInRange<qsizetype>(1, 64);
        while (at < stream.size() && stream.at(at - 1) == '>')
            ++at;
        if (at < stream.size())
            ends.append(at);
    }
    ends.append(stream.size());
    return ends;
}

bool HasLineBreak(const QList<QByteArray> &lines)
{
    for (const QByteArray &line : lines) {
        if (line.contains('\r') || line.contains('\n'))
            return true;
    }
    return false;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *bytes, size_t size)
{
    FuzzedDataProvider data(bytes, size);
    TAnswerParser whole;
    TAnswerParser chunked;
    bool atLineStart = false;

    const int answers = data.ConsumeIntegralInRange(1, 3);
    for (int a = 0; a < answers; ++a) {
        const QByteArray command = QByteArray::fromStdString(data.ConsumeRandomLengthString(32));
        const QByteArray stream = QByteArray::fromStdString(data.ConsumeRandomLengthString(2048));
        const TExpected expected = Model(command, stream, atLineStart);
        atLineStart = expected.atLineStart;

        whole.Begin(command);
        const bool prompt = whole.Feed(stream);
        Require(prompt == expected.prompt, "whole stream: prompt as the rules say");
        Require(whole.Lines() == expected.lines, "whole stream: lines as the rules say");
        Require(whole.AtLineStart() == expected.atLineStart, "whole stream: line start as the rules say");
        Require(!HasLineBreak(whole.Lines()), "no line holds CR or LF");

        chunked.Begin(command);
        qsizetype from = 0;
        bool chunkedPrompt = false;
        for (const qsizetype end : ChunkEnds(data, stream)) {
            Require(!chunkedPrompt, "the prompt comes only with the last chunk");
            chunkedPrompt = chunked.Feed(stream.mid(from, end - from));
            from = end;
            if (!command.isEmpty() && !stream.left(end).contains(command + "\r\r\n"))
                Require(chunked.Lines() == QList<QByteArray>{QByteArray()}, "nothing is collected before the echo");
        }
        Require(chunkedPrompt == prompt, "chunked: the same prompt decision");
        Require(chunked.Lines() == whole.Lines(), "chunked: the same lines");
        Require(chunked.AtLineStart() == whole.AtLineStart(), "chunked: the same line start");
    }
    return 0;
}
