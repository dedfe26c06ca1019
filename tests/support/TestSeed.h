// Random numbers for a randomised test, from a seed that is always printed:
// KOLT_TEST_SEED=<n> repeats a run, otherwise every run draws a fresh seed.
#pragma once

#include <QRandomGenerator>
#include <QString>
#include <QtGlobal>

inline QRandomGenerator SeededGenerator(const char *testName)
{
    bool given = false;
    quint32 seed = qEnvironmentVariable("KOLT_TEST_SEED").toUInt(&given);
    if (!given)
        seed = QRandomGenerator::system()->generate();
    qInfo("%s: random seed %u (repeat with KOLT_TEST_SEED=%u)", testName, seed, seed);
    return QRandomGenerator(seed);
}
