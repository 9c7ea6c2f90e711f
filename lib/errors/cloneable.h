// Objects that can copy themselves behind a base pointer.
#ifndef QUARN_LIB_ERRORS_CLONEABLE_H
#define QUARN_LIB_ERRORS_CLONEABLE_H

/// An object that can copy itself; the copy belongs to the caller.
class Cloneable {
public:
    virtual ~Cloneable();
    virtual Cloneable* clone() const = 0;
};

#endif
