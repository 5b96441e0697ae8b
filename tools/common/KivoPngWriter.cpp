// KivoPngWriter.cpp: PNG files through GDI+'s own encoder.
#include "KivoPngWriter.h"

#include <vector>

CKIVOPngWriter::CKIVOPngWriter()
    : m_clsidPng(CLSID_NULL)
    , m_bHasEncoder(false)
{
    m_bHasEncoder = m_gdiplus.IsStarted() && FindEncoder();
}

Gdiplus::Status CKIVOPngWriter::Save(Gdiplus::Image& image, LPCWSTR pszPath) const
{
    if (!m_bHasEncoder)
        return Gdiplus::UnknownImageFormat;
    return image.Save(pszPath, &m_clsidPng, nullptr);
}

bool CKIVOPngWriter::FindEncoder()
{
    UINT nEncoders = 0, nBytes = 0;
    if (Gdiplus::GetImageEncodersSize(&nEncoders, &nBytes) != Gdiplus::Ok || nBytes == 0)
        return false;
    std::vector<BYTE> vecBuffer(nBytes);
    Gdiplus::ImageCodecInfo* pCodecs = reinterpret_cast<Gdiplus::ImageCodecInfo*>(vecBuffer.data());
    if (Gdiplus::GetImageEncoders(nEncoders, nBytes, pCodecs) != Gdiplus::Ok)
        return false;
    for (UINT i = 0; i < nEncoders; ++i)
    {
        if (pCodecs[i].MimeType != nullptr && _wcsicmp(pCodecs[i].MimeType, L"image/png") == 0)
        {
            m_clsidPng = pCodecs[i].Clsid;
            return true;
        }
    }
    return false;
}
