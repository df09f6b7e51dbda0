// Checked whenever the program is built: every platform value that the
// program names itself agrees with the platform's own headers, so that a
// mistyped one can't agree with the stand-in service alone. Apart from
// platform.h, whose first-layout records clash with those of ras.h. The
// headers are read as for Windows 8, which declare the later calls'
// records and values as well.
#undef _WIN32_WINNT
#define _WIN32_WINNT 0x0602
#undef WINVER
#define WINVER 0x0602
#include <windows.h>
#include <ras.h>
#include <raserror.h>
#include <stddef.h>

#include "platform/platform_values.h"

static_assert(RAS_MAX_ENTRY_NAME == RAS_MaxEntryName && RAS_MAX_PHONE_NUMBER == RAS_MaxPhoneNumber &&
                  RAS_MAX_CALLBACK_NUMBER == RAS_MaxCallbackNumber && RAS_MAX_USER_NAME == UNLEN &&
                  RAS_MAX_PASSWORD == PWLEN && RAS_MAX_DOMAIN == DNLEN &&
                  RAS_MAX_DEVICE_TYPE == RAS_MaxDeviceType && RAS_MAX_DEVICE_NAME == RAS_MaxDeviceName,
              "text limits");
static_assert(RAS_STATE_CONNECTED == RASCS_Connected && RAS_STATE_DISCONNECTED == RASCS_Disconnected, "states");
static_assert(RAS_ERROR_BUFFER_TOO_SMALL == ERROR_BUFFER_TOO_SMALL &&
                  RAS_ERROR_CANNOT_OPEN_PHONEBOOK == ERROR_CANNOT_OPEN_PHONEBOOK &&
                  RAS_ERROR_CANNOT_FIND_PHONEBOOK_ENTRY == ERROR_CANNOT_FIND_PHONEBOOK_ENTRY &&
                  RAS_ERROR_CORRUPT_PHONEBOOK == ERROR_CORRUPT_PHONEBOOK && RAS_ERROR_INVALID_SIZE == ERROR_INVALID_SIZE &&
                  RAS_ERROR_AUTHENTICATION_FAILURE == ERROR_AUTHENTICATION_FAILURE,
              "the program's error codes");
static_assert(REASON_CONTEXT_VERSION_0 == POWER_REQUEST_CONTEXT_VERSION &&
                  REASON_CONTEXT_SIMPLE_STRING == POWER_REQUEST_CONTEXT_SIMPLE_STRING &&
                  POWER_REASON_RECORD_SIZE == sizeof(REASON_CONTEXT) &&
                  POWER_REQUEST_SYSTEM_REQUIRED == PowerRequestSystemRequired,
              "power requests");
static_assert(DLL_SEARCH_SYSTEM32 == LOAD_LIBRARY_SEARCH_SYSTEM32, "the system folder's search flag");
static_assert(MESSAGE_FILTER_ALLOW == MSGFLT_ALLOW && MESSAGE_FILTER_ALLOW == MSGFLT_ADD, "the message filter");
// The first layouts are the heads of the later ones, up to the alignment of
// their end. MinGW-w64's ras.h has the later layouts; Wine's, which the
// MSVC-dialect check compiles against, has the first ones only.
#ifdef __MINGW32__
static_assert(offsetof(RASENTRYNAMEA, dwFlags) == RASENTRYNAMEA_V1_SIZE &&
                  offsetof(RASDIALPARAMSA, dwSubEntry) == RASDIALPARAMSA_V1_SIZE &&
                  (offsetof(RASCONNSTATUSA, szPhoneNumber) + 3) / 4 * 4 == RASCONNSTATUSA_V1_SIZE,
              "first layouts");
static_assert(POWER_REQUEST_EXECUTION_REQUIRED == PowerRequestExecutionRequired, "execution-required request");
#endif
