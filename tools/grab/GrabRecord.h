// GrabRecord.h: the command record: live pictures saved for a while, with the
// moment each one arrived, to check a camera set-up.
#pragma once

#include <KivoClient.h>
#include "GrabCommandLine.h"

// Records into commandLine.m_strFile, a folder, and prints the summary line.
// Throws CKIVOClientException* (or another CException*) and CGrabFailure.
void RecordGrabLivePictures(CKIVOClient& client, const CGrabCommandLine& commandLine);
