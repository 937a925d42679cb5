#include "core/common/version.h"

namespace drv {

const char* ProgramVersion() { return DRV_PROGRAM_VERSION; }

}  // namespace drv
