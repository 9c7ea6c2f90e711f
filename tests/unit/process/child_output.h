// Runs code that ends the process (help texts, option error reports) in a
// forked child and hands back what it printed and how it exited.
#ifndef TESTS_UNIT_PROCESS_CHILD_OUTPUT_H
#define TESTS_UNIT_PROCESS_CHILD_OUTPUT_H

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <iostream>
#include <sstream>
#include <string>

namespace child_test {

struct ChildOutput {
    int exitStatus = -1;  ///< -1 unless the child exited normally
    std::string out;
    std::string err;
};

inline std::string slurp(std::FILE* f) {
    std::fseek(f, 0, SEEK_END);
    std::string text(std::ftell(f), '\0');
    std::rewind(f);
    text.resize(std::fread(&text[0], 1, text.size(), f));
    return text;
}

/// `body` runs in the child with standard output and error sent to scratch
/// files; returning from it exits with status 0.
inline ChildOutput runInChild(const std::function<void()>& body) {
    std::FILE* out = std::tmpfile();
    std::FILE* err = std::tmpfile();
    std::cout.flush();
    std::cerr.flush();
    std::fflush(nullptr);
    pid_t pid = fork();
    if (pid == 0) {
        dup2(fileno(out), 1);
        dup2(fileno(err), 2);
        body();
        std::exit(0);
    }
    int status = 0;
    while (waitpid(pid, &status, 0) < 0) {
    }
    ChildOutput result;
    if (WIFEXITED(status))
        result.exitStatus = WEXITSTATUS(status);
    result.out = slurp(out);
    result.err = slurp(err);
    std::fclose(out);
    std::fclose(err);
    return result;
}

}  // namespace child_test

#endif
