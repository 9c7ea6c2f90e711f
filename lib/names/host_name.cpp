#include "lib/names/host_name.h"

#include <netdb.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstring>
#include <memory>

namespace quarn {

namespace {

const std::size_t HOST_NAME_BUFFER = 65;

std::string canonicalName(const std::string& name) {
    addrinfo hints{};
    hints.ai_flags = AI_CANONNAME;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    if (getaddrinfo(name.c_str(), nullptr, &hints, &found) != 0)
        return "";
    std::unique_ptr<addrinfo, decltype(&freeaddrinfo)> owner(found, &freeaddrinfo);
    if (!found->ai_canonname || std::strlen(found->ai_canonname) >= HOST_NAME_BUFFER)
        return "";
    return found->ai_canonname;
}

}  // namespace

std::string fullHostName() {
    char buffer[HOST_NAME_BUFFER] = {};
    if (gethostname(buffer, sizeof buffer - 1) != 0 || buffer[0] == '\0')
        return "";
    const std::string name = buffer;
    if (name.find('.') != std::string::npos)
        return name;
    const std::string canonical = canonicalName(name);
    return canonical.empty() ? name : canonical;
}

}  // namespace quarn
