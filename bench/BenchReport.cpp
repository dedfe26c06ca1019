#include "BenchReport.h"

#include <sys/resource.h>
#include <unistd.h>

#include <cstdio>

namespace Bench {

namespace {

double CpuSeconds(int who)
{
    rusage usage{};
    getrusage(who, &usage);
    auto seconds = [](const timeval &time) { return double(time.tv_sec) + double(time.tv_usec) / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

} // namespace

double ThreadCpuSeconds()
{
    return CpuSeconds(RUSAGE_THREAD);
}

double ProcessCpuSeconds()
{
    return CpuSeconds(RUSAGE_SELF);
}

double ChildrenCpuSeconds()
{
    return CpuSeconds(RUSAGE_CHILDREN);
}

double PeakMemoryMiB()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_maxrss) / 1024.0; // kilobytes on Linux
}

double ResidentMemoryMiB()
{
    std::FILE *statm = std::fopen("/proc/self/statm", "r");
    if (!statm)
        return 0;
    long pages = 0;
    long resident = 0;
    const bool read = std::fscanf(statm, "%ld %ld", &pages, &resident) == 2;
    std::fclose(statm);
    return read ? double(resident) * double(sysconf(_SC_PAGESIZE)) / (1024.0 * 1024.0) : 0;
}

double LineSeconds(qint64 bytes, int baud)
{
    return double(bytes) * 10.0 / double(baud);
}

void Table::AddRow(const QString &operation, double wallSeconds, std::optional<double> lineSeconds,
                   double cpuSeconds)
{
    m_rows.append({operation, wallSeconds, lineSeconds, cpuSeconds});
}

void Table::Print() const
{
    qsizetype width = 9;
    for (const Row &row : m_rows)
        width = qMax(width, row.operation.size());
    const QByteArray header = QStringLiteral("%1 %2 %3 %4 %5\n")
                                  .arg(QStringLiteral("operation"), int(-width))
                                  .arg(QStringLiteral("wall s"), 10)
                                  .arg(QStringLiteral("line s"), 10)
                                  .arg(QStringLiteral("ratio"), 7)
                                  .arg(QStringLiteral("CPU s"), 9)
                                  .toUtf8();
    std::fputs(header.constData(), stdout);
    for (const Row &row : m_rows) {
        const QString line = row.line ? QString::number(*row.line, 'f', 3) : QStringLiteral("-");
        const QString ratio = row.line ? QString::number(row.wall / *row.line, 'f', 3) : QStringLiteral("-");
        const QByteArray text = QStringLiteral("%1 %2 %3 %4 %5\n")
                                    .arg(row.operation, int(-width))
                                    .arg(QString::number(row.wall, 'f', 3), 10)
                                    .arg(line, 10)
                                    .arg(ratio, 7)
                                    .arg(QString::number(row.cpu, 'f', 3), 9)
                                    .toUtf8();
        std::fputs(text.constData(), stdout);
    }
    std::fflush(stdout);
}

} // namespace Bench
