#include "lib/process/pipe.h"

#include <memory>
#include <stdexcept>

#include "lib/process/launch_all.h"
#include "lib/process/pipe_runner.h"
#include "lib/process/process_launch.h"
#include "lib/process/process_set_catcher.h"
#include "lib/process/sigpipe_ignore.h"

namespace quarn {
namespace process {

Pipe::Pipe(const ProcessParameters& process) { processes_.push_back(process); }

Pipe::~Pipe() {}

void Pipe::append(const ProcessParameters& process) {
    if (!statuses_.empty())
        throw std::logic_error("adding processes to the launched pipe is prohibited");
    processes_.push_back(process);
}

// Every setting a process leaves open comes from the pipeline.
void Pipe::inheritSettings() {
    for (ProcessParameters& p : processes_) {
        if (!workDir.empty() && p.workDir.empty())
            p.workDir = workDir;
        if (environment && !p.environment)
            p.environment = environment;
        if (closeOtherFds)
            p.closeOtherFds = true;
        if (preExec && !p.preExec)
            p.preExec = preExec;
        if (errChannel.fd != Unset && p.errChannel.fd == Unset)
            p.errChannel = errChannel;
        if (onExit && !p.onExit)
            p.onExit = onExit;
    }
}

int Pipe::run() {
    if (!statuses_.empty())
        throw std::logic_error("the pipe has been launched already");
    if (processes_.empty())
        throw std::logic_error("No processes to launch were assigned so far");
    inheritSettings();
    int in = inChannel.fd == Unset ? Inherit : inChannel.fd;
    int out = outChannel.fd == Unset ? Inherit : outChannel.fd;
    SigpipeIgnore noSigpipe;
    ProcessSetCatcher catcher;
    std::vector<std::unique_ptr<ProcessLaunch>> launches(processes_.size());
    PipeRunner runner(*this, processes_, statuses_, catcher, launches);
    try {
        launchAll(processes_, in, out, catcher, launches, statuses_);
        runner.serve();
    } catch (...) {
        runner.abandon();
        throw;
    }
    return statuses_.back().status;
}

OutputConsumer makeStringReceiver(std::string& target) {
    return [&target](const std::vector<char>& chunk) {
        target.append(chunk.begin(), chunk.end());
    };
}

}  // namespace process
}  // namespace quarn
