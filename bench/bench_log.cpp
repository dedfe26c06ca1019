// Log growth: the terminal page's AppendLog fed a long stream in chunks of
// 1 to 64 bytes with a line break every 50 to 70 bytes, as a chatty line
// would deliver it. Compares the cost of the first and the last 10 MiB; the
// page is shown and repaints every 64 KiB, as it would between chunks.
// Then, over the whole log: the memory it took, a jump to lines all over it
// with the view painted at once (text and hex dump), and a search through
// all of it.
#include "BenchReport.h"
#include "app/LogSearch.h"
#include "app/TerminalLogView.h"
#include "app/TerminalPage.h"
#include "terminal/ExchangeLine.h"
#include "terminal/Terminal.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QScrollBar>

#include <algorithm>
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

// Milliseconds of each jump: the view scrolled to the line and painted.
QList<double> Jumps(TTerminalLogView &view, const QList<qint64> &lines)
{
    QList<double> times;
    for (qint64 line : lines) {
        QElapsedTimer timer;
        timer.start();
        view.verticalScrollBar()->setValue(int(line));
        view.viewport()->repaint();
        times.append(double(timer.nsecsElapsed()) / 1e6);
    }
    return times;
}

void PrintJumps(const char *what, const QList<double> &times)
{
    double sum = 0;
    for (double time : times)
        sum += time;
    std::printf("%s: %lld jumps, mean %.3f ms, slowest %.3f ms\n", what, qint64(times.size()),
                sum / double(times.size()), *std::max_element(times.cbegin(), times.cend()));
}

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
    QCoreApplication::processEvents();

    QRandomGenerator random(1);
    const QByteArray source = Source(kMiB, random);
    const double emptyMiB = Bench::ResidentMemoryMiB();
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
    const double peakMiB = Bench::PeakMemoryMiB();

    std::printf("AppendLog, %lld MiB in chunks of 1..64 bytes (goal: last 10 MiB <= 1.5 x first)\n",
                totalMiB);
    Bench::Table report;
    const double lineSeconds = Bench::LineSeconds(kSpanMiB * kMiB, kBaud);
    report.AddRow(QStringLiteral("first 10 MiB"), first.wall, lineSeconds, first.cpu);
    report.AddRow(QStringLiteral("last 10 MiB"), last.wall, lineSeconds, last.cpu);
    report.Print();
    std::printf("per MiB: first %.3f s, last %.3f s, last/first %.2f; CPU per MiB: first %.3f s, last %.3f s\n",
                first.wall / kSpanMiB, last.wall / kSpanMiB, last.wall / first.wall, first.cpu / kSpanMiB,
                last.cpu / kSpanMiB);
    std::printf("peak memory %.0f MiB: %.0f MiB before the log, %.0f MiB for %lld MiB of text, "
                "%.2f bytes per byte (goal: <= 2)\n",
                peakMiB, emptyMiB, peakMiB - emptyMiB, totalMiB, (peakMiB - emptyMiB) / double(totalMiB));

    // Jumps to the first, the last and lines all over the log.
    TTerminalLogView &view = *page.mLog;
    const qint64 lines = page.Log().LineCount();
    QList<qint64> targets{0, lines - 1, lines / 2};
    for (int i = 0; i < 50; ++i)
        targets.append(qint64(random.bounded(quint64(lines))));
    PrintJumps("jump to a line and paint, text", Jumps(view, targets));
    view.SetMode(TTerminalLogView::TMode::Hex);
    const qint64 rows = view.verticalScrollBar()->maximum();
    QList<qint64> rowTargets{0, rows, rows / 2};
    for (int i = 0; i < 50; ++i)
        rowTargets.append(qint64(random.bounded(quint64(rows))));
    PrintJumps("jump to a row and paint, hex", Jumps(view, rowTargets));
    view.SetMode(TTerminalLogView::TMode::Text);

    // A needle the log does not hold: the search goes through all of it.
    QElapsedTimer timer;
    timer.start();
    const double cpuBefore = Bench::ProcessCpuSeconds();
    const bool found = LogSearch::Find(page.Log(), QStringLiteral("Ошибка"), {}, false).has_value();
    std::printf("find through the whole log (%s): %.3f s, CPU %.3f s\n", found ? "found" : "not found",
                double(timer.nsecsElapsed()) / 1e9, Bench::ProcessCpuSeconds() - cpuBefore);
    return 0;
}
