// The interface of something that collects a command line to run.
#ifndef QUARN_LIB_RUNNER_CMD_LINE_H
#define QUARN_LIB_RUNNER_CMD_LINE_H

#include <string>

namespace quarn {

/// Arguments and environment of a command to run.
class CmdLine {
public:
    virtual ~CmdLine();
    /// Appends one argument.
    virtual CmdLine& operator<<(const std::string& arg) = 0;
    /// Sets or replaces one variable of the command's environment.
    virtual void setEnv(const std::string& name, const std::string& value) = 0;
};

}  // namespace quarn

#endif
