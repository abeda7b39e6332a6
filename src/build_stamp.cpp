// The build moment, in the program's executable only: the libraries, the tests and the utilities
// do not change when it does.
#include "build_stamp.h"
#include "platform/system_info.h"

namespace {
const bool g_versionDefinie = (DefinirVersionConstruction(KIRVO_BUILD_VERSION), true);
}
