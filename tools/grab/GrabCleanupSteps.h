// GrabCleanupSteps.h: the tool's steps on the way out; failures after the
// first are reported on stderr.
#pragma once

#include <KivoFirstFailure.h>

#include "GrabOutput.h"

class CGrabCleanupSteps : public CKIVOFirstFailure<CException>
{
protected:
    void OnLaterFailure(CException* pException) override { ReportGrabError(TakeExceptionMessage(pException)); }
};
