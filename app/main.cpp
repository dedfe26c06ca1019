#include "TestProbe.h"
#include "UfmMain.h"

#include <QApplication>
#include <QTimer>

#include <cstdio>

int main(int argc, char *argv[])
{
    QApplication application(argc, argv);
    TfmMain fmMain;
    fmMain.show();
    const TTestProbe probe; // answers only when a test asks for it
    // For start-up timing: report once the loop runs with the window shown, then quit.
    if (qEnvironmentVariableIsSet("KOLT_TARVO_EXIT_WHEN_SHOWN")) {
        QTimer::singleShot(0, &application, [] {
            std::puts("shown");
            std::fflush(stdout);
            QCoreApplication::quit();
        });
    }
    return application.exec();
}
