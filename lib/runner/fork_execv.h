// Running one program with its standard input given as a string and its
// standard output and error collected into strings.
#ifndef QUARN_LIB_RUNNER_FORK_EXECV_H
#define QUARN_LIB_RUNNER_FORK_EXECV_H

#include <sys/types.h>

#include <map>
#include <string>

namespace quarn {

/// Variables set in the child, replacing the parent's values of the same name.
using Environment = std::map<std::string, std::string>;

/// Runs `program` (looked up in PATH unless it holds a slash) with `args`,
/// writing `input` to its standard input while collecting its output and
/// errors. Returns the exit status, or -1 when the child was killed by a
/// signal or could not be waited for. A pipe that cannot be set up ends the
/// process through messlog2.
int forkExecvGetInOutErrSuidEnv(std::string input, std::string& output, std::string& errors,
                                const std::string& program, char* const* args,
                                const Environment& environment);

/// Forks a child with `in`, `out`, `err` as its descriptors 0, 1, 2 (-1:
/// "/dev/null") and no others, and executes the program; returns its pid.
pid_t forkExecvPipes(int in, int out, int err, const std::string& program, char* const* args,
                     const Environment& environment);

}  // namespace quarn

#endif
