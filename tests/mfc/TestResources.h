// String resources of the MFC tests (program and extension library).
#pragma once

#define IDS_TEST_APP_ONLY 1001   // only in the test program
#define IDS_TEST_EXT_ONLY 1002   // only in the extension library
#define IDS_TEST_BOTH 1003       // in both, with different texts
#define IDS_TEST_MISSING 1004    // nowhere
