// mxwarden-docgen: writes the manual page and the bash completion of
// mxwarden from its own command table, at build time.
//
//   mxwarden-docgen <man template> <man page> <completion> <version> <date>
#include <exception>
#include <fstream>
#include <iostream>
#include <sstream>
#include <stdexcept>
#include <string>

#include "mail/postfix/doc/bash_completion.h"
#include "mail/postfix/doc/command_catalog.h"
#include "mail/postfix/doc/man_page.h"

namespace {

std::string readFile(const std::string& path) {
    std::ifstream in(path);
    if (!in)
        throw std::runtime_error("cannot read " + path);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// Written whole or not at all: a failed run leaves no file for make to
// take as up to date.
void writeFile(const std::string& path, const std::string& text) {
    const std::string scratch = path + ".new";
    {
        std::ofstream out(scratch, std::ios::trunc);
        out << text;
        out.close();
        if (!out)
            throw std::runtime_error("cannot write " + scratch);
    }
    if (std::rename(scratch.c_str(), path.c_str()) != 0)
        throw std::runtime_error("cannot rename " + scratch + " to " + path);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 6) {
        std::cerr << "usage: mxwarden-docgen <man template> <man page> <completion> "
                     "<version> <date>\n";
        return 2;
    }
    namespace doc = quarn::mail::postfix::doc;
    try {
        const auto catalog = doc::buildCatalog();
        writeFile(argv[2], doc::manPage(readFile(argv[1]), catalog, argv[4], argv[5]));
        writeFile(argv[3], doc::bashCompletion(catalog));
    } catch (const std::exception& e) {
        std::cerr << "mxwarden-docgen: " << e.what() << '\n';
        return 1;
    }
    return 0;
}
