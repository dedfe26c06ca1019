// What the benchmarks measure and how they print it: one table per program,
// a row per operation with its wall time, the line's own time for the same
// bytes (when bytes crossed a line), their ratio and the CPU seconds.
#pragma once

#include <QString>
#include <QList>

#include <optional>

namespace Bench {

// CPU seconds (user + system) of the calling thread, of the process, and
// of its child processes that have ended and been waited for.
double ThreadCpuSeconds();
double ProcessCpuSeconds();
double ChildrenCpuSeconds();
// Peak resident memory of the process in MiB.
double PeakMemoryMiB();
// Resident memory of the process now, in MiB (Linux; 0 elsewhere).
double ResidentMemoryMiB();

// Time that bytes take on a line at baud: 10 bit-times a byte (8N1).
double LineSeconds(qint64 bytes, int baud);

class Table
{
public:
    void AddRow(const QString &operation, double wallSeconds, std::optional<double> lineSeconds,
                double cpuSeconds);
    // Prints the table on standard output.
    void Print() const;

private:
    struct Row
    {
        QString operation;
        double wall;
        std::optional<double> line;
        double cpu;
    };
    QList<Row> m_rows;
};

} // namespace Bench
