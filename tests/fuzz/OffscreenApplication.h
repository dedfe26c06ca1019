// The application of the fuzz targets that create widgets.
#pragma once

#include <QApplication>

#include <vector>

// Call from LLVMFuzzerInitialize, which libFuzzer calls before it reads its
// options: a QApplication on the offscreen platform that lives until the
// fuzzer exits. Widgets keep filling caches, so nearly every input would
// look like a leak and cost a heap scan; the per-input leak check is off
// unless the command line turns it on again.
inline void StartOffscreenApplication(int *argc, char ***argv)
{
    static std::vector<char *> arguments(*argv, *argv + *argc);
    static char noLeakCheck[] = "-detect_leaks=0";
    arguments.insert(arguments.begin() + 1, noLeakCheck);
    arguments.push_back(nullptr);
    *argc = int(arguments.size()) - 1;
    *argv = arguments.data();

    qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("QT_LOGGING_RULES", "qt.qpa.*=false");
    static QApplication application(*argc, *argv);
}
