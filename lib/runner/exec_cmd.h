// Running one external program with everything in memory: input from a
// string, output and errors into strings, and a detailed exception when it
// does not exit with status 0.
#ifndef QUARN_LIB_RUNNER_EXEC_CMD_H
#define QUARN_LIB_RUNNER_EXEC_CMD_H

#include <new>
#include <string>

#include "lib/runner/arg_list.h"
#include "lib/runner/cmd_line.h"
#include "lib/errors/exc.h"
#include "lib/runner/fork_execv.h"

namespace quarn {

/// One run of one program.
///   ExecCmd cmd("/usr/sbin/postconf");
///   cmd << "mail_version";
///   cmd.exec();  // throws Exc<&ExecCmd::Failed> unless it exits with 0
///   cmd.getOutput();
class ExecCmd : public CmdLine {
public:
    /// The tag of the exception that a failed run throws.
    static const bool Failed;
    using ExFailed = Exc<&Failed>;

    /// `program` is both the file run and the first argument.
    explicit ExecCmd(const std::string& program);
    ~ExecCmd() override;

    ExecCmd& operator<<(const std::string& arg) override;
    ExecCmd& operator<<(const char* arg);
    void setEnv(const std::string& name, const std::string& value) override;

    /// Runs; a return code other than 0 throws through reportError().
    virtual void exec();
    /// Runs and returns the return code without judging it.
    virtual int exec(const std::nothrow_t&);
    /// The run itself: returns the exit status, -1 when killed by a signal.
    virtual int execCmdLine();

    /// Throws ExFailed describing the run: command line, code, input,
    /// output and errors.
    [[noreturn]] void reportError() const;
    /// The command line, each argument shell-quoted, empty ones as ''.
    std::string getString() const;

    /// The text written to the program's standard input.
    void setInput(const std::string& input) { input_ = input; }
    const std::string& getInput() const noexcept { return input_; }
    const std::string& getOutput() const noexcept { return output_; }
    const std::string& getErrors() const noexcept { return errors_; }
    int getReturnCode() const noexcept { return returnCode_; }
    /// errno as the run left it.
    int getErrno() const noexcept { return errno_; }
    bool isStarted() const noexcept { return started_; }
    bool isDone() const noexcept { return done_; }

private:
    ArgList args_;
    std::string program_;
    std::string input_;
    Environment environment_;
    std::string output_;
    std::string errors_;
    bool started_ = false;
    bool done_ = false;
    int errno_ = 0;
    int returnCode_ = -1;
};

}  // namespace quarn

#endif
