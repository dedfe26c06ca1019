// The test probe where Qt has no local sockets (the Windows build's Qt is
// made without its network module): the program runs without one.
#include "TestProbe.h"

TTestProbe::TTestProbe(QObject *parent) : QObject(parent)
{
}
