// The application of the fuzz targets that create widgets.
#pragma once

#include <QApplication>

// Call from LLVMFuzzerInitialize: a QApplication on the offscreen platform
// that lives until the fuzzer exits.
inline void StartOffscreenApplication(int *argc, char ***argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("QT_LOGGING_RULES", "qt.qpa.*=false");
    static QApplication application(*argc, *argv);
}
