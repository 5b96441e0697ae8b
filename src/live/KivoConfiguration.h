// KivoConfiguration.h: the platform check and the machine-wide registry
// switches of the live picture. Each call reads anew; nothing is cached.
#pragma once

#include <windows.h>

// Registry key of both switches under HKEY_LOCAL_MACHINE.
#define KIVO_CONFIGURATION_KEY L"Software\\Velmora\\CADCAM\\Device\\Acquisition\\Camera"

namespace Kivo
{
// TRUE on Windows major version 6 and later.
BOOL IsWindowsVistaOrLater();

// "KivoClientShowFPS": write the frame rate over the live picture.
BOOL QueryShowFPS();

// "KivoClientWaitForImageXP": allow the client-drawn live picture below version 6.
BOOL QueryWaitForImageXP();
}
