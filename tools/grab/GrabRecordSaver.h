// GrabRecordSaver.h: the files of a recording, written on a thread of their
// own: each live picture as a numbered PNG, then its row in the list.
#pragma once

#include <afx.h>
#include <afxmt.h>
#include <KivoHandle.h>

#include <deque>
#include <memory>

#include "GrabFailure.h"
#include "GrabLiveAcquisition.h"

// Saving a 640x480 colour PNG takes 20 to 50 ms under Wine, as long as the
// camera's frame interval at 25 per second: saved between two fetches it would
// lengthen every interval the user reads. So the fetching thread hands each
// picture over and goes on; it waits only while QUEUE_PICTURES wait to be
// saved, which bounds the memory held and shows a saver that cannot keep up as
// longer intervals instead of hiding it.
class CGrabRecordSaver
{
public:
    enum
    {
        QUEUE_PICTURES = 8
    };

    // Creates the list (LIST_NAME in strFolder) with its header line and starts
    // the thread. Throws CGrabFailure (GRAB_EXIT_FILE).
    explicit CGrabRecordSaver(const CString& strFolder);
    ~CGrabRecordSaver();   // Finish; a failure is reported on stderr

    // Hands the picture over to be saved as number nIndex, which arrived
    // dTimeMs after the start. Throws the failure of an earlier save.
    void AddPicture(std::unique_ptr<CGrabLivePicture> picture, int nIndex, double dTimeMs);

    // Saves what was handed over and ends the thread; throws the first failure.
    void Finish();

    static const wchar_t LIST_NAME[];
    // live-000001.png and on: six digits sort in number order.
    static CString GetPictureName(int nIndex);

private:
    struct SItem
    {
        std::unique_ptr<CGrabLivePicture> picture;
        int nIndex = 0;
        double dTimeMs = 0;
    };

    static DWORD WINAPI RunThread(LPVOID pParameter);
    void SaveQueuedPictures();
    void SavePicture(const SItem& item);
    void WriteList(const CString& strText);
    // The failure is thrown once; later calls find none.
    void ThrowFailure();

    CString m_strFolder;
    CKIVOHandle m_hList;
    CCriticalSection m_csQueue;
    CONDITION_VARIABLE m_cvQueue;   // the queue changed, in either direction
    std::deque<SItem> m_queItems;
    BOOL m_bClosed;
    std::unique_ptr<CGrabFailure> m_pFailure;
    CKIVOHandle m_hThread;

    CGrabRecordSaver(const CGrabRecordSaver&);
    CGrabRecordSaver& operator=(const CGrabRecordSaver&);
};
