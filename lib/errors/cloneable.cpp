#include "lib/errors/cloneable.h"

Cloneable::~Cloneable() {}
