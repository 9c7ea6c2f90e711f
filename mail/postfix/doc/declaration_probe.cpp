#include "mail/postfix/doc/declaration_probe.h"

#include <fcntl.h>
#include <grp.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <sstream>
#include <stdexcept>
#include <vector>

#include "lib/errors/errors.h"
#include "lib/util/eintr.h"
#include "lib/util/fd_owner.h"

namespace quarn::mail::postfix::doc {

using mxwarden_commands::DeclaredOption;
using mxwarden_commands::DeclaredOptions;

namespace {

// Exit statuses of the probing child.
const int CHILD_DECLARED = 0;
const int CHILD_RETURNED = 3;
const int CHILD_NOT_BUILT = 4;
const int CHILD_THREW = 5;
const int CHILD_SETUP_FAILED = 6;
// A handler that never reaches its parsing is stopped after this long.
const unsigned PROBE_SECONDS = 10;
const uid_t NOBODY = 65534;

std::string escaped(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (c == '\\')
            out += "\\\\";
        else if (c == '\t')
            out += "\\t";
        else if (c == '\n')
            out += "\\n";
        else
            out += c;
    }
    return out;
}

std::string unescaped(const std::string& text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\' || i + 1 == text.size()) {
            out += text[i];
            continue;
        }
        const char next = text[++i];
        out += next == 't' ? '\t' : next == 'n' ? '\n' : next;
    }
    return out;
}

std::vector<std::string> fields(const std::string& line) {
    std::vector<std::string> out;
    std::size_t start = 0;
    for (;;) {
        const std::size_t tab = line.find('\t', start);
        out.push_back(unescaped(line.substr(start, tab - start)));
        if (tab == std::string::npos)
            return out;
        start = tab + 1;
    }
}

bool writeAll(int fd, const std::string& data) {
    std::size_t done = 0;
    while (done < data.size()) {
        const ssize_t n = quarn::retryOnEintr(
            [&] { return ::write(fd, data.data() + done, data.size() - done); });
        if (n <= 0)
            return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

std::string readAll(int fd) {
    std::string data;
    char buffer[4096];
    for (;;) {
        const ssize_t n = quarn::retryOnEintr([&] { return ::read(fd, buffer, sizeof buffer); });
        if (n < 0)
            throw quarn::SystemError("read from the probing child", 0);
        if (n == 0)
            return data;
        data.append(buffer, static_cast<std::size_t>(n));
    }
}

// A handler that acts before its parsing must find nothing it may change:
// no privileges, no terminal, no input.
bool confineChild() {
    const int null = ::open("/dev/null", O_RDWR);
    if (null < 0 || ::dup2(null, 0) < 0 || ::dup2(null, 1) < 0 || ::dup2(null, 2) < 0)
        return false;
    if (::geteuid() == 0 &&
        (::setgroups(0, nullptr) != 0 || ::setgid(NOBODY) != 0 || ::setuid(NOBODY) != 0))
        return false;
    if (::prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) != 0)
        return false;
    ::alarm(PROBE_SECONDS);
    return true;
}

[[noreturn]] void runChild(int out, const std::string& word,
                           mxwarden_commands::Handler handler) {
    if (!confineChild())
        ::_exit(CHILD_SETUP_FAILED);
    mxwarden_commands::readDeclarationsOnly();
    std::vector<char> command(word.begin(), word.end());
    command.push_back('\0');
    char* argv[] = {command.data(), nullptr};
    try {
        handler(1, argv);
    } catch (const DeclaredOptions& declared) {
        ::_exit(writeAll(out, encodeDeclarations(declared)) ? CHILD_DECLARED : CHILD_THREW);
    } catch (const quarn::NotSupportedError&) {
        ::_exit(CHILD_NOT_BUILT);
    } catch (...) {
        ::_exit(CHILD_THREW);
    }
    ::_exit(CHILD_RETURNED);
}

std::string failure(const std::string& word, int status) {
    if (WIFSIGNALED(status))
        return "the handler of " + word + " was killed by signal " +
               std::to_string(WTERMSIG(status)) + " before it parsed its options";
    switch (WEXITSTATUS(status)) {
    case CHILD_RETURNED:
        return "the handler of " + word + " returned without parsing options";
    case CHILD_THREW:
        return "the handler of " + word + " threw before it parsed its options";
    case CHILD_SETUP_FAILED:
        return "cannot confine the child that probes " + word;
    default:
        return "the handler of " + word + " ended with status " +
               std::to_string(WEXITSTATUS(status));
    }
}

}  // namespace

std::string encodeDeclarations(const DeclaredOptions& declared) {
    std::ostringstream out;
    out << "D\t" << escaped(declared.description) << '\n'
        << "S\t" << escaped(declared.syntax) << '\n';
    for (const DeclaredOption& option : declared.options)
        out << "O\t" << escaped(option.name) << '\t' << escaped(option.shortName) << '\t'
            << (option.takesValue ? 1 : 0) << '\t' << (option.mandatory ? 1 : 0) << '\t'
            << escaped(option.description) << '\n';
    return out.str();
}

DeclaredOptions decodeDeclarations(const std::string& text) {
    DeclaredOptions declared;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        const std::vector<std::string> parts = fields(line);
        if (parts[0] == "D" && parts.size() == 2)
            declared.description = parts[1];
        else if (parts[0] == "S" && parts.size() == 2)
            declared.syntax = parts[1];
        else if (parts[0] == "O" && parts.size() == 6)
            declared.options.push_back(
                DeclaredOption{parts[1], parts[2], parts[5], parts[3] == "1", parts[4] == "1"});
        else
            throw std::runtime_error("bad declaration line: " + line);
    }
    return declared;
}

ProbeResult probeHandler(const std::string& word, mxwarden_commands::Handler handler) {
    quarn::process::PipeOwner pipe;
    pipe.create();
    const pid_t child = ::fork();
    if (child < 0)
        throw quarn::SystemError("fork", 0);
    if (child == 0) {
        pipe.readEnd().closeQuietly();
        runChild(pipe.writeEnd().get(), word, handler);
    }
    pipe.writeEnd().close();
    const std::string data = readAll(pipe.readEnd().get());
    int status = 0;
    if (quarn::retryOnEintr([&] { return ::waitpid(child, &status, 0); }) < 0)
        throw quarn::SystemError("waitpid", 0);
    ProbeResult result;
    if (WIFEXITED(status) && WEXITSTATUS(status) == CHILD_NOT_BUILT)
        return result;
    if (!WIFEXITED(status) || WEXITSTATUS(status) != CHILD_DECLARED)
        throw std::runtime_error(failure(word, status) +
                                 "; list it among the commands that parse no options");
    result.outcome = ProbeOutcome::Declared;
    result.declared = decodeDeclarations(data);
    return result;
}

}  // namespace quarn::mail::postfix::doc
