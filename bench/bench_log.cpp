// Log growth: the terminal page's AppendLog fed a long stream in chunks of
// 1 to 64 bytes with a line break every 50 to 70 bytes, as a chatty line
// would deliver it. Compares the cost of the first and the last 10 MB; the
// page is shown and repaints every 64 KB, as it would between chunks.
#include "BenchReport.h"
#include "app/TerminalPage.h"
#include "terminal/ExchangeLine.h"
#include "terminal/Terminal.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QRandomGenerator>

#include <cstdio>

namespace {

constexpr qint64 kMiB = 1024 * 1024;
constexpr int kBaud = 9600;

// Printable text with CR LF every 50 to 70 bytes.
QByteArray Source(qint64 size, QRandomGenerator &random)
{
    QByteArray text;
    text.reserve(size);
    while (text.size() < size) {
        const int length = int(random.bounded(50, 71));
        for (int i = 0; i < length; ++i)
            text.append(char(random.bounded(0x20, 0x7F)));
        text.append("\r\n");
    }
    text.truncate(size);
    return text;
}

struct Span
{
    double wall = 0;
    double cpu = 0;
};

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    const qint64 totalMiB = argc > 1 ? QByteArray(argv[1]).toLongLong() : 100;
    constexpr qint64 kSpanMiB = 10;
    if (totalMiB < 2 * kSpanMiB) {
        std::fprintf(stderr, "usage: bench_log [MiB >= %lld]\n", 2 * kSpanMiB);
        return 2;
    }

    TTerminal terminal;

    TExchangeLine exchanges(terminal);
    TTerminalPage page(exchanges);
    page.resize(753, 390);
    page.show();

    QRandomGenerator random(1);
    const QByteArray source = Source(kMiB, random);
    Span first, last;
    qint64 fed = 0;
    qint64 sinceEvents = 0;
    qint64 sourcePos = 0;
    for (qint64 mib = 0; mib < totalMiB; ++mib) {
        const double cpuBefore = Bench::ProcessCpuSeconds();
        QElapsedTimer wall;
        wall.start();
        const qint64 end = (mib + 1) * kMiB;
        while (fed < end) {
            const qint64 size = qMin(qint64(random.bounded(1, 65)), end - fed);
            if (sourcePos + size > source.size())
                sourcePos = 0;
            page.AppendLog(QByteArray::fromRawData(source.constData() + sourcePos, size));
            sourcePos += size;
            fed += size;
            sinceEvents += size;
            if (sinceEvents >= 64 * 1024) {
                QCoreApplication::processEvents();
                sinceEvents = 0;
            }
        }
        const double wallSeconds = double(wall.nsecsElapsed()) / 1e9;
        const double cpuSeconds = Bench::ProcessCpuSeconds() - cpuBefore;
        Span *span = mib < kSpanMiB ? &first : mib >= totalMiB - kSpanMiB ? &last : nullptr;
        if (span) {
            span->wall += wallSeconds;
            span->cpu += cpuSeconds;
        }
        std::fprintf(stderr, "\r%lld MiB", mib + 1);
    }
    std::fprintf(stderr, "\n");

    std::printf("AppendLog, %lld MiB in chunks of 1..64 bytes (goal: last 10 MiB <= 1.5 x first)\n",
                totalMiB);
    Bench::Table report;
    const double lineSeconds = Bench::LineSeconds(kSpanMiB * kMiB, kBaud);
    report.AddRow(QStringLiteral("first 10 MiB"), first.wall, lineSeconds, first.cpu);
    report.AddRow(QStringLiteral("last 10 MiB"), last.wall, lineSeconds, last.cpu);
    report.Print();
    std::printf("per MiB: first %.3f s, last %.3f s, last/first %.2f; peak memory %.0f MiB\n",
                first.wall / kSpanMiB, last.wall / kSpanMiB, last.wall / first.wall,
                Bench::PeakMemoryMiB());
    return 0;
}
