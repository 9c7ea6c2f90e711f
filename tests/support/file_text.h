// Whole files read back in tests.
#ifndef TESTS_SUPPORT_FILE_TEXT_H
#define TESTS_SUPPORT_FILE_TEXT_H

#include <fstream>
#include <iterator>
#include <optional>
#include <string>

namespace testsupport {

/// The file's bytes, or nothing when it cannot be opened.
inline std::optional<std::string> readFileIfAny(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return std::nullopt;
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

/// The file's bytes; empty when it cannot be opened.
inline std::string readFile(const std::string& path) {
    return readFileIfAny(path).value_or("");
}

/// The text in quotes, or "no file".
inline std::string show(const std::optional<std::string>& text) {
    return text ? "'" + *text + "'" : "no file";
}

}  // namespace testsupport

#endif
