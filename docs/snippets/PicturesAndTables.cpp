// Pictures and tables: how large they are, and who frees what.
#include "GuideSnippets.h"

#include <vector>

// snippet: read-picture
// Picture n: 8-bit grey, PICTUREWIDTH x PICTUREHEIGHT bytes, rows top-down.
std::vector<BYTE> ReadPicture(CKIVOClient& client, long nPicture)
{
    client.AllocPicture(nPicture);
    std::vector<BYTE> picture(static_cast<size_t>(client.GetPropValueInt(PICTUREWIDTH))
                              * client.GetPropValueInt(PICTUREHEIGHT));
    int nLength = 0;   // the whole picture's length, also when the copy was cut
    client.GetPicture(nPicture, picture.data(), static_cast<int>(picture.size()), &nLength);
    if (static_cast<size_t>(nLength) > picture.size())
    {
        // The size changed meanwhile: only the first bytes came. Read it whole.
        picture.resize(nLength);
        client.GetPicture(nPicture, picture.data(), nLength, &nLength);
    }
    picture.resize(nLength);
    return picture;
}
// end snippet

// snippet: read-table
std::vector<int> ReadMeasureTable(CKIVOClient& client)
{
    std::vector<int> table;   // empty: the first call only tells the count
    for (;;)
    {
        const int nCount = client.GetMeasureTab(table.data(), static_cast<int>(table.size()));
        const bool bComplete = nCount <= static_cast<int>(table.size());
        table.resize(nCount);
        if (bComplete)
            return table;
    }
}
// end snippet

// snippet: poll-live
// After EnablePollLivePictures(1), Open, Init and Start(0): the application
// fetches live pictures itself. FALSE while the next one is not yet there.
bool FetchLivePicture(CKIVOClient& client, std::vector<BYTE>& pixels, unsigned long& nWidth, unsigned long& nHeight,
                      bool& bGrey)
{
    SAFEARRAY* psaPicture = nullptr;
    bGrey = client.Get3DLivePicture(&psaPicture, &nWidth, &nHeight) != 0;
    pixels.clear();
    if (psaPicture == nullptr)
        return false;
    // Grey: nWidth x nHeight bytes; colour: nWidth x nHeight x 4 (B, G, R, unused).
    void* pData = nullptr;
    if (SUCCEEDED(SafeArrayAccessData(psaPicture, &pData)))
    {
        const BYTE* pBytes = static_cast<const BYTE*>(pData);
        pixels.assign(pBytes, pBytes + psaPicture->rgsabound[0].cElements);
        SafeArrayUnaccessData(psaPicture);
    }
    SafeArrayDestroy(psaPicture);   // the array is the caller's, whatever the result
    return !pixels.empty();
}
// end snippet
