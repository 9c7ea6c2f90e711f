// The select loop of a launched pipeline: feeds the first process, hands
// every chunk of output to its consumer and notes each child's end.
#ifndef QUARN_LIB_PROCESS_PIPE_RUNNER_H
#define QUARN_LIB_PROCESS_PIPE_RUNNER_H

#include <cstddef>
#include <memory>
#include <vector>

#include "lib/util/fd_owner.h"
#include "lib/process/process_flags.h"
#include "lib/process/process_launch.h"
#include "lib/process/process_set_catcher.h"
#include "lib/process/wide_fd_set.h"

namespace quarn {
namespace process {

/// Serves the channels of launched processes until every one has ended.
class PipeRunner {
public:
    PipeRunner(PipeFlags& flags, std::vector<ProcessParameters>& processes,
               std::vector<ProcessStatus>& statuses, ProcessSetCatcher& catcher,
               std::vector<std::unique_ptr<ProcessLaunch>>& launches);

    /// Runs the loop, then drains what output is left.
    void serve();
    /// After an exception: closes the parent's ends of every pipe and waits
    /// for each launched child that has not ended, so none is left a zombie.
    void abandon() noexcept;

private:
    struct Output {
        FdOwner* fd;
        const OutputConsumer* handler;
    };

    void openInput();
    void openOutputs();
    void registerChannel(FdOwner& fd, const OutputConsumer& handler);
    void refillInput();
    void closeInput();
    void waitReady(WideFdSet& readable, WideFdSet& writable);
    void collectExits();
    void readOutputs(const WideFdSet& readable);
    void writeInput();
    void drainTail();

    PipeFlags& flags_;
    std::vector<ProcessParameters>& processes_;
    std::vector<ProcessStatus>& statuses_;
    ProcessSetCatcher& catcher_;
    std::vector<std::unique_ptr<ProcessLaunch>>& launches_;

    FdOwner* input_ = nullptr;   ///< the first process's input while it is fed
    std::vector<char> buffer_;   ///< the producer's last data
    size_t written_ = 0;         ///< how much of buffer_ has gone out
    bool more_ = true;           ///< the producer's last answer
    std::vector<Output> outputs_;
    std::vector<bool> final_;    ///< per process: its end has been noted
    size_t ended_ = 0;
    std::vector<char> readBuffer_;  ///< what each read fills
    std::vector<char> chunk_;       ///< what a handler gets, reused
};

}  // namespace process
}  // namespace quarn

#endif
