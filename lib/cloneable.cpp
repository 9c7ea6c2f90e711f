#include "lib/cloneable.h"

Cloneable::~Cloneable() {}
