// KivoPngWriter.h: pictures written as PNG files with the encoder GDI+ offers,
// for the programs of this tree (the library itself writes no files).
#pragma once

#include <afxwin.h>   // MFC before any Windows header
#include <gdiplus.h>

#include <KivoGdiplusScope.h>

class CKIVOPngWriter
{
public:
    // Starts GDI+ and looks up its PNG encoder by MIME type. Every GDI+ object
    // of the caller must be gone before the writer is, since GDI+ shuts down then.
    CKIVOPngWriter();
    CKIVOPngWriter(const CKIVOPngWriter&) = delete;
    CKIVOPngWriter& operator=(const CKIVOPngWriter&) = delete;

    bool IsGdiplusStarted() const { return m_gdiplus.IsStarted(); }
    bool HasEncoder() const { return m_bHasEncoder; }

    // Writes the image to pszPath; UnknownImageFormat when there is no encoder.
    Gdiplus::Status Save(Gdiplus::Image& image, LPCWSTR pszPath) const;

private:
    bool FindEncoder();

    CKIVOGdiplusScope m_gdiplus;
    CLSID m_clsidPng;
    bool m_bHasEncoder;
};
