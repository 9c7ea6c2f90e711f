// What a pipeline and each of its processes are given: descriptor codes,
// channels with their handlers, the settings and the argument vector.
#ifndef QUARN_LIB_PROCESS_PROCESS_FLAGS_H
#define QUARN_LIB_PROCESS_PROCESS_FLAGS_H

#include <functional>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

namespace quarn {
namespace process {

/// Descriptor codes; 0 or more is a descriptor of the parent, moved into place.
enum DescriptorCode : int {
    Unset = -1,         ///< take the pipeline's setting; at pipeline level Inherit
    Inherit = -2,       ///< the child keeps what it inherits
    DevNull = -3,       ///< "/dev/null", read-only for input, write-only for output
    Handled = -4,       ///< a new pipe served by the parent through a handler
    SameAsStdout = -5,  ///< standard error only: the child's standard output
};

/// Fills the vector with the next input; returns whether more will follow.
using InputProducer = std::function<bool(std::vector<char>&)>;
/// Takes one chunk of output.
using OutputConsumer = std::function<void(const std::vector<char>&)>;

/// A descriptor code and the handler that serves a Handled channel.
template <class Handler>
struct Channel {
    /// No handler; the code alone.
    Channel(int code = Unset) : fd(code) {}
    /// A handler alone makes a Handled channel.
    Channel(Handler h) : fd(Handled), handler(std::move(h)) {}
    /// Any callable that fits the handler, for example a lambda.
    template <class F, class = std::enable_if_t<!std::is_convertible<F, int>::value &&
                                                !std::is_same<std::decay_t<F>, Channel>::value &&
                                                std::is_constructible<Handler, F>::value>>
    Channel(F&& f) : fd(Handled), handler(std::forward<F>(f)) {}
    Channel(int code, Handler h) : fd(code), handler(std::move(h)) {}

    int fd;
    Handler handler;
};

/// A child's state as the parent knows it.
struct ProcessStatus {
    int finished = 0;  ///< 1 once the child has ended
    int status = -1;   ///< the wait status, -1 until the child has ended
};

/// Settings shared by a pipeline and each of its processes.
struct CommonFlags {
    std::string workDir;                      ///< empty: unchanged
    const char* const* environment = nullptr; ///< "name=value" array ending in null; null: the parent's
    bool closeOtherFds = false;               ///< close every descriptor above 2 before exec
    std::function<void()> preExec;            ///< called in the child just before exec
    Channel<OutputConsumer> errChannel;       ///< standard error
    std::function<void(unsigned, int)> onExit;  ///< process index and wait status, in the parent
};

/// The settings of one process of a pipeline.
struct PipeProcessFlags : CommonFlags {
    std::string file;  ///< the program to execute; empty: the first argument
};

/// The settings of one process and its argument vector.
template <class Flags>
struct Parameters : Flags {
    /// The program and up to nine arguments; the first empty string ends the list.
    explicit Parameters(const std::string& program, const std::string& a1 = std::string(),
                        const std::string& a2 = std::string(), const std::string& a3 = std::string(),
                        const std::string& a4 = std::string(), const std::string& a5 = std::string(),
                        const std::string& a6 = std::string(), const std::string& a7 = std::string(),
                        const std::string& a8 = std::string(), const std::string& a9 = std::string()) {
        args.reserve(10);
        args.push_back(program);
        for (const std::string* a : {&a1, &a2, &a3, &a4, &a5, &a6, &a7, &a8, &a9}) {
            if (a->empty())
                break;
            args.push_back(*a);
        }
    }

    std::vector<std::string> args;  ///< args[0] is the child's argv[0]
};

extern template struct Parameters<PipeProcessFlags>;

/// The process type of a Pipe.
using ProcessParameters = Parameters<PipeProcessFlags>;

/// The settings of a whole pipeline.
struct PipeFlags : CommonFlags {
    Channel<InputProducer> inChannel;    ///< standard input of the first process
    Channel<OutputConsumer> outChannel;  ///< standard output of the last process
};

}  // namespace process
}  // namespace quarn

#endif
