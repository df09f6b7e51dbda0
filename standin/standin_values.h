// What the stand-in service gives beyond the program's own values, apart
// from standin.h so that codes_check.cpp can check its codes against the
// platform's headers.
#pragma once

// Codes it gives that platform_values.h does not name.
#define RAS_ERROR_PORT_NOT_AVAILABLE 633
#define RAS_ERROR_NO_CONNECTION 668
#define RAS_ERROR_LINE_BUSY 676
#define RAS_ERROR_NO_ANSWER 678

// What RasGetEntryDialParamsA gives in place of a saved password, as
// Windows gives a handle to it; RasDialA takes it back as that password.
#define RAS_SAVED_PASSWORD_HANDLE "****************"
