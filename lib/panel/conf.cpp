#include "lib/panel/conf.h"

#include "lib/errors/log.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <syslog.h>

namespace {

const size_t FIRST_CAPACITY = 20;

bool keyLess(const conf_entry& entry, const char* name) {
    return std::strcmp(entry.key.c_str(), name) < 0;
}

// Where `name` is or would go; in an unsorted configuration only an exact
// match is meaningful.
std::vector<conf_entry>::iterator findEntry(const char* name, conf_data* conf) {
    auto& entries = conf->entries;
    if (conf->sorted)
        return std::lower_bound(entries.begin(), entries.end(), name, keyLess);
    return std::find_if(entries.begin(), entries.end(),
                        [name](const conf_entry& e) { return e.key == name; });
}

bool isSpace(char c) { return std::isspace(static_cast<unsigned char>(c)); }

bool isNameChar(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) || c == '_';
}

std::string withoutLineEnd(const std::string& line) {
    if (!line.empty() && line.back() == '\n')
        return line.substr(0, line.size() - 1);
    return line;
}

// One line of the file: a comment, an empty line, or NAME blanks value.
// Returns -1 only when the variable could not be stored.
int parseLine(const std::string& line, conf_data* conf) {
    size_t i = 0, n = line.size();
    while (i < n && isSpace(line[i]))
        ++i;
    if (i == n || line[i] == '#')
        return 0;
    size_t nameStart = i;
    while (i < n && isNameChar(line[i]))
        ++i;
    size_t nameEnd = i;
    if (i == n || !isSpace(line[i])) {
        quarn_log(LOG_WARNING,
                  "Invalid variable definition %s\nExpected a space after variable name\n",
                  withoutLineEnd(line).c_str());
        return 0;
    }
    while (i < n && isSpace(line[i]))
        ++i;
    if (i == n || line[i] == '#') {
        quarn_log(LOG_WARNING, "Invalid variable definition %s\nExpected a value",
                  withoutLineEnd(line).c_str());
        return 0;
    }
    size_t valueEnd = std::min(line.find('#', i), n);
    while (valueEnd > i && isSpace(line[valueEnd - 1]))
        --valueEnd;
    std::string name = line.substr(nameStart, nameEnd - nameStart);
    std::string value = line.substr(i, valueEnd - i);
    return conf_set_r(name.c_str(), value.c_str(), conf);
}

struct FileCloser {
    void operator()(FILE* f) const { std::fclose(f); }
};

// The buffer of getline(3), which may move it while it grows.
struct LineBuffer {
    char* data = nullptr;
    size_t size = 0;
    ~LineBuffer() { std::free(data); }
};

// Reads line by line with getline(3), so that no line length is too long.
int readLines(FILE* file, conf_data* conf) {
    LineBuffer line;
    for (;;) {
        errno = 0;
        ssize_t got = getline(&line.data, &line.size, file);
        if (got < 0)
            break;
        try {
            if (parseLine(std::string(line.data, got), conf) < 0)
                return -1;
        } catch (const std::bad_alloc&) {
            quarn_log(LOG_ERR, "Unable to read configuration: %s", std::strerror(ENOMEM));
            return -1;
        }
    }
    if (std::ferror(file)) {
        quarn_log(LOG_ERR, "Unable to read configuration file: %s", std::strerror(errno));
        return -1;
    }
    if (!std::feof(file)) {
        quarn_log(LOG_ERR, "Unable to read configuration: %s", std::strerror(errno));
        return -1;
    }
    return 0;
}

}  // namespace

int conf_init_r(conf_data* conf) {
    try {
        conf->entries.clear();
        conf->entries.reserve(FIRST_CAPACITY);
        conf->sorted = false;
        return 0;
    } catch (const std::bad_alloc&) {
        quarn_log(LOG_ERR, "Unable to form configuration: %s", std::strerror(ENOMEM));
        return -1;
    }
}

int conf_set_r(const char* name, const char* value, conf_data* conf) {
    try {
        auto& entries = conf->entries;
        auto at = findEntry(name, conf);
        if (at != entries.end() && at->key == name) {
            at->value = value;
            return 0;
        }
        size_t position = at - entries.begin();
        // Growth by doubling, as the first capacity is small.
        if (entries.size() == entries.capacity())
            entries.reserve(std::max(FIRST_CAPACITY, 2 * entries.capacity()));
        entries.insert(entries.begin() + position, conf_entry{name, value});
        return 0;
    } catch (const std::bad_alloc&) {
        quarn_log(LOG_ERR, "Unable to form configuration: %s", std::strerror(ENOMEM));
        return -1;
    }
}

int conf_finalize_r(conf_data* conf) {
    std::sort(conf->entries.begin(), conf->entries.end(),
              [](const conf_entry& a, const conf_entry& b) { return a.key < b.key; });
    conf->sorted = true;
    return 0;
}

const char* conf_get_r(const char* name, const conf_data* conf) {
    auto at = findEntry(name, const_cast<conf_data*>(conf));
    if (at == conf->entries.end() || at->key != name)
        return nullptr;
    return at->value.c_str();
}

int conf_read_file_r(const char* path, conf_data* conf) {
    std::unique_ptr<FILE, FileCloser> file(std::fopen(path, "r"));
    if (!file) {
        quarn_log(LOG_ERR, "unable to open configuration file %s: %s\n", path,
                  std::strerror(errno));
        return -1;
    }
    // Lines are appended unsorted; the searches by halves start afterwards.
    conf->sorted = false;
    if (readLines(file.get(), conf) < 0)
        return -1;
    return conf_finalize_r(conf);
}

int conf_free_r(conf_data* conf) {
    std::vector<conf_entry>().swap(conf->entries);
    conf->sorted = false;
    return 0;
}
