// GrabTableFile.h: measure and search tables as text files, one integer per line.
#pragma once

#include <afx.h>

#include <vector>

// Reads the file ("-": standard input). Blank lines are skipped; any other line
// must be a decimal 32-bit number, blanks around it allowed. Throws
// CGrabFailure (GRAB_EXIT_FILE) naming the file and line.
std::vector<int> ReadGrabTableFile(const CString& strFile);

// Writes one number per line, CR LF ended ("-": standard output). Throws
// CGrabFailure (GRAB_EXIT_FILE).
void WriteGrabTableFile(const CString& strFile, const std::vector<int>& vecValues);
