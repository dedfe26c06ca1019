// Start-up: the time from starting kolt-tarvo-conf to its main window shown,
// under the offscreen platform, over several runs. The program reports the
// moment through KOLT_TARVO_EXIT_WHEN_SHOWN; its ports point at an empty
// directory, so the opening at start fails at once and touches no device.
#include "BenchReport.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>

namespace {

double Median(QList<double> values)
{
    std::sort(values.begin(), values.end());
    const qsizetype middle = values.size() / 2;
    return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication application(argc, argv);
    const int runs = argc > 1 ? QByteArray(argv[1]).toInt() : 9;
    if (runs < 1) {
        std::fprintf(stderr, "usage: bench_startup [runs]\n");
        return 2;
    }
    QTemporaryDir noPorts;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    environment.insert(QStringLiteral("KOLT_TARVO_PORTS"), noPorts.path());
    environment.insert(QStringLiteral("KOLT_TARVO_EXIT_WHEN_SHOWN"), QStringLiteral("1"));

    QList<double> shownSeconds, cpuSeconds;
    for (int run = 0; run < runs; ++run) {
        QProcess program;
        program.setProcessEnvironment(environment);
        program.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        const double cpuBefore = Bench::ChildrenCpuSeconds();
        QElapsedTimer wall;
        wall.start();
        program.start(QStringLiteral(KOLT_TARVO_CONF_PATH), {});
        // The program prints one line once its window is shown, then quits.
        if (!program.waitForReadyRead(30000)) {
            std::fprintf(stderr, "kolt-tarvo-conf did not report its window: %s\n",
                         program.errorString().toUtf8().constData());
            return 1;
        }
        shownSeconds << double(wall.nsecsElapsed()) / 1e9;
        if (!program.waitForFinished(30000) || program.exitCode() != 0) {
            std::fprintf(stderr, "kolt-tarvo-conf did not quit cleanly\n");
            return 1;
        }
        cpuSeconds << Bench::ChildrenCpuSeconds() - cpuBefore;
    }

    std::printf("Start-up to the main window shown, offscreen, median of %d runs"
                " (fastest %.3f s, slowest %.3f s)\n",
                runs, *std::min_element(shownSeconds.begin(), shownSeconds.end()),
                *std::max_element(shownSeconds.begin(), shownSeconds.end()));
    Bench::Table report;
    report.AddRow(QStringLiteral("start-up"), Median(shownSeconds), std::nullopt, Median(cpuSeconds));
    report.Print();
    return 0;
}
