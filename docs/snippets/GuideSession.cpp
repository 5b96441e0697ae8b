// GuideSession.cpp: the guide's session as a program: connect, order, open,
// read a property on a second thread, close, release. Its exit code is the
// number of the camera error that ended it, 0 when none did.
#include "GuideSnippets.h"

int wmain()
{
    return RunSession();
}
