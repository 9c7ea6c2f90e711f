// A small SMTP server for tests: accepts every message and records, for
// each envelope sender, the address the client connected from.
#ifndef TESTS_SANDBOXED_CONFIG_SMTP_SINK_H
#define TESTS_SANDBOXED_CONFIG_SMTP_SINK_H

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <atomic>
#include <map>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>

namespace configtest {

class SmtpSink {
public:
    SmtpSink(const char* address, int port) {
        fd_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        int on = 1;
        setsockopt(fd_, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
        sockaddr_in sin{};
        sin.sin_family = AF_INET;
        sin.sin_port = htons(port);
        inet_pton(AF_INET, address, &sin.sin_addr);
        if (bind(fd_, reinterpret_cast<sockaddr*>(&sin), sizeof sin) != 0 || listen(fd_, 8) != 0) {
            close(fd_);
            throw std::runtime_error("cannot listen on the sink address");
        }
        thread_ = std::thread([this] { serve(); });
    }
    ~SmtpSink() {
        stop_ = true;
        thread_.join();
        close(fd_);
    }

    /// Envelope sender -> peer address, waiting up to `seconds` for `count`.
    std::map<std::string, std::string> received(size_t count, int seconds) {
        for (int i = 0; i < seconds * 10; ++i) {
            {
                std::lock_guard<std::mutex> lock(mutex_);
                if (peers_.size() >= count)
                    return peers_;
            }
            usleep(100000);
        }
        std::lock_guard<std::mutex> lock(mutex_);
        return peers_;
    }

private:
    void serve() {
        while (!stop_) {
            pollfd p{fd_, POLLIN, 0};
            if (poll(&p, 1, 100) <= 0)
                continue;
            sockaddr_in peer{};
            socklen_t size = sizeof peer;
            int c = accept4(fd_, reinterpret_cast<sockaddr*>(&peer), &size, SOCK_CLOEXEC);
            if (c < 0)
                continue;
            char text[INET_ADDRSTRLEN] = "";
            inet_ntop(AF_INET, &peer.sin_addr, text, sizeof text);
            timeval timeout{10, 0};
            setsockopt(c, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
            session(c, text);
            close(c);
        }
    }

    /// One SMTP session: a line at a time, the message body skipped.
    void session(int c, const std::string& peer) {
        say(c, "220 sink ESMTP\r\n");
        std::string line, sender;
        bool inData = false;
        while (readLine(c, line)) {
            if (inData) {
                if (line == ".") {
                    inData = false;
                    std::lock_guard<std::mutex> lock(mutex_);
                    peers_[sender] = peer;
                    say(c, "250 queued\r\n");
                }
                continue;
            }
            std::string verb = line.substr(0, 4);
            if (verb == "MAIL" || verb == "mail") {
                std::string::size_type open = line.find('<'), end = line.find('>');
                sender = line.substr(open + 1, end - open - 1);
            }
            if (verb == "DATA" || verb == "data") {
                inData = true;
                say(c, "354 go ahead\r\n");
            } else if (verb == "QUIT" || verb == "quit") {
                say(c, "221 bye\r\n");
                return;
            } else {
                say(c, "250 ok\r\n");
            }
        }
    }

    bool readLine(int c, std::string& line) {
        std::string::size_type end;
        while ((end = buffer_.find("\r\n")) == std::string::npos) {
            char chunk[4096];
            ssize_t n = recv(c, chunk, sizeof chunk, 0);
            if (n <= 0)
                return false;
            buffer_.append(chunk, n);
        }
        line = buffer_.substr(0, end);
        buffer_.erase(0, end + 2);
        return true;
    }

    static void say(int c, const std::string& text) { send(c, text.data(), text.size(), 0); }

    int fd_;
    std::atomic<bool> stop_{false};
    std::thread thread_;
    std::mutex mutex_;
    std::string buffer_;
    std::map<std::string, std::string> peers_;
};

}  // namespace configtest

#endif
