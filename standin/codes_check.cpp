// Checked whenever the stand-in is built: the codes it names beyond the
// program's agree with the platform's own headers. Apart from standin.h,
// whose records clash with those of ras.h.
#include <windows.h>
#include <ras.h>
#include <raserror.h>

#include "standin_values.h"

static_assert(RAS_ERROR_PORT_NOT_AVAILABLE == ERROR_PORT_NOT_AVAILABLE && RAS_ERROR_NO_CONNECTION == ERROR_NO_CONNECTION &&
                  RAS_ERROR_LINE_BUSY == ERROR_LINE_BUSY && RAS_ERROR_NO_ANSWER == ERROR_NO_ANSWER,
              "the stand-in's error codes");
