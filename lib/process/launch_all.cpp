#include "lib/process/launch_all.h"

#include <string>

#include "lib/process/sigchld_block.h"

namespace quarn {
namespace process {

namespace {

// The argument vector as exec takes it; points into `args`.
std::vector<const char*> argvOf(const std::vector<std::string>& args) {
    std::vector<const char*> argv;
    argv.reserve(args.size() + 1);
    for (const std::string& a : args)
        argv.push_back(a.c_str());
    argv.push_back(nullptr);
    return argv;
}

std::unique_ptr<ProcessLaunch> launchOne(const ProcessParameters& p, int in, int out) {
    std::vector<const char*> argv = argvOf(p.args);
    const std::string& program = p.file.empty() ? p.args.at(0) : p.file;
    bool searchPath = program.empty() || (program[0] != '.' && program[0] != '/');
    int err = p.errChannel.fd == Unset ? Inherit : p.errChannel.fd;
    return std::make_unique<ProcessLaunch>(argv.data(), program.c_str(),
                                           p.workDir.empty() ? nullptr : p.workDir.c_str(),
                                           p.environment, p.closeOtherFds, searchPath, false,
                                           p.preExec, in, out, err);
}

}  // namespace

void launchAll(std::vector<ProcessParameters>& processes, int stdinCode, int stdoutCode,
               ProcessSetCatcher& catcher, std::vector<std::unique_ptr<ProcessLaunch>>& launches,
               std::vector<ProcessStatus>& statuses) {
    SigchldBlock block;
    catcher.install();
    for (size_t i = 0; i < processes.size(); ++i) {
        int in = i == 0 ? stdinCode : launches[i - 1]->stdoutEnd().get();
        int out = i + 1 == processes.size() ? stdoutCode : Handled;
        launches[i] = launchOne(processes[i], in, out);
        // The previous output is the new child's input now.
        if (i > 0)
            launches[i - 1]->stdoutEnd().close("close");
        launches[i]->waitExec();
        catcher.registerChild(launches[i]->pid());
        statuses.push_back(ProcessStatus());
    }
}

}  // namespace process
}  // namespace quarn
