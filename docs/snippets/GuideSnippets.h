// GuideSnippets.h: the functions of the guide's code, for the programs that
// run them.
#pragma once

#include <KivoClient.h>

#include <memory>
#include <vector>

int RunSession();
DWORD WINAPI MeasureThread(LPVOID pParam);

bool StartLivePicture(CKIVOClient& client, HWND hLiveWindow, const RECT& rcArea);
void PaintLiveWindow(CKIVOClient& client, HWND hWnd, const RECT& rcArea);
void StopLivePicture(CKIVOClient& client);

std::vector<BYTE> ReadPicture(CKIVOClient& client, long nPicture);
std::vector<int> ReadMeasureTable(CKIVOClient& client);
bool FetchLivePicture(CKIVOClient& client, std::vector<BYTE>& pixels, unsigned long& nWidth, unsigned long& nHeight,
                      bool& bGrey);

std::unique_ptr<CKIVOClient> ReplaceClient(std::unique_ptr<CKIVOClient> pOld);
