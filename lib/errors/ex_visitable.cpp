#include "lib/errors/ex_visitable.h"

namespace quarn {

ExInfoVisitor::~ExInfoVisitor() {}

ExVisitable::~ExVisitable() {}

}  // namespace quarn
