// Messages of the simulator for the person or script that started it. The
// program has no console of its own (GUI subsystem): text goes to the standard
// handles it was given, else to the console of the parent process, else to the
// debugger output.
#pragma once

#include <windows.h>
#include <string>

enum ESimMessage
{
    SIMMSG_INFO,    // standard output
    SIMMSG_ERROR,   // standard error, prefixed with the program name
};

// For command-line use: borrow the parent's console when no handles were given.
void ConnectSimConsole();

// False when the text could only go to the debugger output.
bool ShowSimMessage(ESimMessage eKind, const std::wstring& strText);

// "0x80070005 Access is denied."
std::wstring FormatSimResult(HRESULT hr);
