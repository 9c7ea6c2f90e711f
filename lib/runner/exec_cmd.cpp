#include "lib/runner/exec_cmd.h"

#include <cerrno>

#include <boost/format.hpp>

#include "lib/runner/sh_quote.h"

namespace quarn {

const bool ExecCmd::Failed = true;

namespace {

// "Stdin is\n..." and so on; nothing for an empty text.
std::string section(const char* label, const std::string& text) {
    if (text.empty())
        return std::string();
    const char* end = text.back() == '\n' ? "" : "\n";
    return (boost::format("%1% is\n%2%%3%") % label % text % end).str();
}

}  // namespace

ExecCmd::ExecCmd(const std::string& program) : program_(program) { args_.push_back(program); }

ExecCmd::~ExecCmd() {}

ExecCmd& ExecCmd::operator<<(const std::string& arg) {
    args_.push_back(arg);
    return *this;
}

ExecCmd& ExecCmd::operator<<(const char* arg) { return *this << std::string(arg); }

void ExecCmd::setEnv(const std::string& name, const std::string& value) {
    environment_[name] = value;
}

void ExecCmd::exec() {
    if (execCmdLine() != 0)
        reportError();
}

int ExecCmd::exec(const std::nothrow_t&) { return execCmdLine(); }

int ExecCmd::execCmdLine() {
    started_ = true;
    returnCode_ = forkExecvGetInOutErrSuidEnv(input_, output_, errors_, program_, args_.argv(),
                                              environment_);
    done_ = true;
    errno_ = errno;
    return returnCode_;
}

void ExecCmd::reportError() const {
    boost::format message("Execution of %1% failed with return code %2%.\n%3%%4%%5%");
    message % getString() % returnCode_ % section("Stdin", input_) % section("Stdout", output_) %
        section("Stderr", errors_);
    throw ExFailed("void quarn::ExecCmd::reportError() const", "ExecCmd", 63,
                   "ExecCmd::ExFailed", message);
}

std::string ExecCmd::getString() const {
    std::string line;
    for (size_t i = 0; i < args_.size(); ++i) {
        if (i > 0)
            line += ' ';
        std::string word = args_[i];
        line += word.empty() ? "''" : sh_quote(word);
    }
    return line;
}

}  // namespace quarn
