#include "UfmMain.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication application(argc, argv);
    TfmMain fmMain;
    fmMain.show();
    return application.exec();
}
