#include "lib/process/process_flags.h"

namespace quarn {
namespace process {

template struct Parameters<PipeProcessFlags>;

}  // namespace process
}  // namespace quarn
