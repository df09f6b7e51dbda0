// The platform's values that Quorvel names itself, kept apart from the
// records of platform.h so that platform_check.cpp can check each against
// the platform's own headers, whose records clash with those of platform.h.
#pragma once

// Remote access text limits, without the terminating NUL.
#define RAS_MAX_ENTRY_NAME 256
#define RAS_MAX_PHONE_NUMBER 128
#define RAS_MAX_CALLBACK_NUMBER 128
#define RAS_MAX_USER_NAME 256
#define RAS_MAX_PASSWORD 256
#define RAS_MAX_DOMAIN 15
#define RAS_MAX_DEVICE_TYPE 16
#define RAS_MAX_DEVICE_NAME 128

// Connection states compared by the program.
#define RAS_STATE_CONNECTED 0x2000
#define RAS_STATE_DISCONNECTED 0x2001

// Remote access error codes the program and the stand-in service name.
#define RAS_ERROR_BUFFER_TOO_SMALL 603
#define RAS_ERROR_CANNOT_OPEN_PHONEBOOK 621
#define RAS_ERROR_CANNOT_FIND_PHONEBOOK_ENTRY 623
#define RAS_ERROR_CORRUPT_PHONEBOOK 625
#define RAS_ERROR_INVALID_SIZE 632
#define RAS_ERROR_AUTHENTICATION_FAILURE 691

// Power requests and wake timers of Windows 7 and later: the reason's
// record version and form, and the two kinds of request the program makes
// (Wine's headers lack the second).
#define REASON_CONTEXT_VERSION_0 0
#define REASON_CONTEXT_SIMPLE_STRING 1
#define POWER_REQUEST_SYSTEM_REQUIRED 1
#define POWER_REQUEST_EXECUTION_REQUIRED 3

// Where LoadLibraryExA and SetDefaultDllDirectories look: the system folder
// alone (Windows 8, and 7 with its update).
#define DLL_SEARCH_SYSTEM32 0x00000800

// What the message filter of Windows 7 (ChangeWindowMessageFilterEx) and
// of Vista (ChangeWindowMessageFilter) are asked: to let a message in.
#define MESSAGE_FILTER_ALLOW 1

// Sizes of the records in their first layouts.
#define RASENTRYNAMEA_V1_SIZE 264
#define RASDIALPARAMSA_V1_SIZE 1052
#define RASCONNSTATUSA_V1_SIZE 160
// The notification-area record and the reason of a power request hold
// handles and pointers, so their sizes differ between 32-bit and 64-bit
// Windows.
#ifdef _WIN64
#define NOTIFYICONDATAA_V1_RECORD_SIZE 104
#define NOTIFYICONDATAA_V2_RECORD_SIZE 504
#define POWER_REASON_RECORD_SIZE 32
#else
#define NOTIFYICONDATAA_V1_RECORD_SIZE 88
#define NOTIFYICONDATAA_V2_RECORD_SIZE 488
#define POWER_REASON_RECORD_SIZE 24
#endif
