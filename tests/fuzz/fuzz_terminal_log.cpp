// The terminal page's log fed a received stream once whole and once in
// fuzzer-chosen chunks.
//
// Both logs must hold the same raw text: every byte of the stream but CR,
// each in its code page 1251 character, LF starting a new block.

#include "FuzzSupport.h"
#include "OffscreenApplication.h"
#include "app/TerminalPage.h"
#include "common/Cp1251.h"
#include "terminal/ExchangeLine.h"
#include "terminal/Terminal.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <QByteArray>
#include <QPlainTextEdit>
#include <QTextDocument>

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    StartOffscreenApplication(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *bytes, size_t size)
{
    static TTerminal terminal;
    static TExchangeLine exchanges(terminal);
    static TTerminalPage whole(exchanges);
    static TTerminalPage chunked(exchanges);

    FuzzedDataProvider data(bytes, size);
    const QByteArray stream = QByteArray::fromStdString(data.ConsumeRandomLengthString(4096));

    whole.mLog->clear();
    whole.AppendLog(stream);

    chunked.mLog->clear();
    qsizetype from = 0;
    while (from < stream.size()) {
        const qsizetype rest = stream.size() - from;
        const qsizetype length = data.remaining_bytes() > 0 ? data.ConsumeIntegralInRange<qsizetype>(0, rest) : rest;
        chunked.AppendLog(stream.mid(from, length));
        from += length;
    }

    QByteArray kept = stream;
    kept.replace('\r', QByteArray());
    const QString expected = Cp1251::toUnicode(kept).replace(u'\n', QChar::ParagraphSeparator);
    const QString text = whole.mLog->document()->toRawText();
    Require(text == expected, "the log holds every byte but CR, LF as a block break");
    Require(chunked.mLog->document()->toRawText() == text, "the log is the same however the stream is chunked");
    return 0;
}
