// After the camera server died: a new client object.
#include "GuideSnippets.h"

#include <memory>

// snippet: server-loss
// Called on the connecting thread, after the live picture was stopped (Stop
// still ends the library's thread, then throws error 9 itself) and every other
// thread detached.
std::unique_ptr<CKIVOClient> ReplaceClient(std::unique_ptr<CKIVOClient> pOld)
{
    pOld.reset();   // the old connection ends with its client object
    std::unique_ptr<CKIVOClient> pNew(new CKIVOClient);
    pNew->Connect();   // error 1 "Connect" while no server can be started
    return pNew;
}
// end snippet
