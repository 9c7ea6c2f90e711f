#include "lib/errors/exc.h"

namespace quarn {

void acceptThrowPoint(ExInfoVisitor& visitor, const std::string& function,
                      const std::string& file, int line) {
    visitor.visitString("function", function);
    visitor.visitString("file", file);
    visitor.visitInt("line", line);
}

}  // namespace quarn
