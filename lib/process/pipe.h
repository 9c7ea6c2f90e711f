// A pipeline of external programs whose input, output and error are served
// by handlers in one select loop.
#ifndef QUARN_LIB_PROCESS_PIPE_H
#define QUARN_LIB_PROCESS_PIPE_H

#include <string>
#include <vector>

#include "lib/process/process_flags.h"

namespace quarn {
namespace process {

/// Programs connected stdout to stdin, run once.
///
/// The inherited PipeFlags give the pipeline's input (first process), output
/// (last process) and the defaults of every process. Example, postmap fed
/// from a producer with its standard error captured:
///   Pipe pipe(ProcessParameters("/usr/sbin/postmap", "-r", "-i", map));
///   pipe.inChannel = producer;
///   pipe.errChannel = makeStringReceiver(errors);
///   int status = pipe.run();
class Pipe : public PipeFlags {
public:
    /// A pipeline of one process.
    explicit Pipe(const ProcessParameters& process);
    virtual ~Pipe();

    /// Adds a process at the end; after the launch a logic_error.
    void append(const ProcessParameters& process);
    /// Runs the pipeline to the end of every process and returns the wait
    /// status of the last. A child that cannot exec throws its error.
    int run();

    std::vector<ProcessParameters>& processes() noexcept { return processes_; }
    const std::vector<ProcessParameters>& processes() const noexcept { return processes_; }
    /// One per launched process, in order; empty before the launch.
    const std::vector<ProcessStatus>& statuses() const noexcept { return statuses_; }

private:
    void inheritSettings();

    std::vector<ProcessParameters> processes_;
    std::vector<ProcessStatus> statuses_;
};

/// An output consumer that appends every chunk to `target`.
OutputConsumer makeStringReceiver(std::string& target);

}  // namespace process
}  // namespace quarn

#endif
