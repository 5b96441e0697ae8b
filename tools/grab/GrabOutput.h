// GrabOutput.h: text to standard output and standard error.
#pragma once

#include <afx.h>

// A console gets the text as UTF-16; a pipe or a file gets UTF-8, so that a
// script reads every property value intact whatever the code page.
void WriteGrabOutput(const CString& strText);
void WriteGrabError(const CString& strText);

// "kivo-grab: <message>" and a line end, on standard error.
void ReportGrabError(const CString& strMessage);

// The message of a library exception, which is deleted here.
CString TakeExceptionMessage(CException* pException);
