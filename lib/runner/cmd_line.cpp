#include "lib/runner/cmd_line.h"

namespace quarn {

CmdLine::~CmdLine() {}

}  // namespace quarn
