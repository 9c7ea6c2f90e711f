// A captured call stack, for exceptions that want to show where they came from.
#ifndef QUARN_LIB_ERRORS_TRACEBACK_H
#define QUARN_LIB_ERRORS_TRACEBACK_H

#include <memory>
#include <ostream>

namespace quarn {

class Traceback {
public:
    static const int MAX_FRAMES = 11;

    /// Captures the caller's stack; `skip` frames are left out when written.
    explicit Traceback(int skip = 0);
    virtual ~Traceback();

    friend std::ostream& operator<<(std::ostream& out, const Traceback& tb);

private:
    struct FreeDeleter {
        void operator()(char** p) const;
    };

    void* frames_[MAX_FRAMES];
    int count_;
    int skip_;
    mutable std::unique_ptr<char*, FreeDeleter> symbols_;
    mutable bool resolved_ = false;
};

std::ostream& operator<<(std::ostream& out, const Traceback& tb);

}  // namespace quarn

#endif
