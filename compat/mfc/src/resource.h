// String resources of the MFC library itself (KivoMfc.rc).
#pragma once

#define AFX_IDP_NO_ERROR_AVAILABLE       0xF1A0
#define AFX_IDS_MEMORY_EXCEPTION         0xF1A1
#define AFX_IDS_NOT_SUPPORTED_EXCEPTION  0xF1A2
#define AFX_IDS_INVALID_ARG_EXCEPTION    0xF1A3
#define AFX_IDS_RESOURCE_EXCEPTION       0xF1A4
