// A device that answers every call with E_NOTIMPL; tests derive from it and
// override the calls they watch. It is testsupport::NullDevice, beside the
// doubles of the other interfaces.
#pragma once

#include "support/com_doubles.h"
