#include "TestProbe.h"
#include "UfmMain.h"
#include "common/Version.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QLabel>
#include <QTimer>

#include <cstdio>

int main(int argc, char *argv[])
{
    QApplication application(argc, argv);
    QApplication::setApplicationVersion(QLatin1String(Version::Number));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(KOLT_DESCRIPTION));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.process(application);

    TfmMain fmMain;
    fmMain.show();
    const auto probe = TTestProbe::FromEnvironment(); // only when a test asks for it
    // For start-up timing and checks from outside: once the loop runs with the
    // window shown, print "shown" and the status bar's first panel, then quit
    // (with "report": keep running).
    const QByteArray exitWhenShown = qgetenv("KOLT_TARVO_EXIT_WHEN_SHOWN");
    if (!exitWhenShown.isEmpty()) {
        QTimer::singleShot(0, &application, [&fmMain, exitWhenShown] {
            const auto *status = fmMain.findChild<QLabel *>(QStringLiteral("StatusPanel0"));
            std::printf("shown\n%s\n", status ? status->text().toUtf8().constData() : "");
            std::fflush(stdout);
            if (exitWhenShown != "report")
                QCoreApplication::quit();
        });
    }
    return application.exec();
}
