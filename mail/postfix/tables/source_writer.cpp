#include "mail/postfix/tables/source_writer.h"

#include <unistd.h>

#include <cerrno>

#include "lib/errors/errors.h"

namespace quarn::mail::postfix {

namespace {

// Large blocks: a source file of a million records is tens of megabytes.
const std::size_t BlockBytes = 65536;

}  // namespace

SourceWriterBuf::SourceWriterBuf(process::FdOwner fd, const std::string& path)
    : fd_(std::move(fd)), path_(path), buffer_(BlockBytes) {
    setp(buffer_.data(), buffer_.data() + buffer_.size());
}

void SourceWriterBuf::writeAll(const char* data, std::size_t size) {
    while (size > 0) {
        ssize_t n = ::write(fd_.get(), data, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            throw SystemError("write " + path_, n < 0 ? errno : EIO);
        data += n;
        size -= n;
    }
}

void SourceWriterBuf::flushBuffer() {
    std::size_t used = pptr() - pbase();
    // The buffer is emptied first: after a failure nothing is written twice.
    setp(buffer_.data(), buffer_.data() + buffer_.size());
    writeAll(buffer_.data(), used);
}

SourceWriterBuf::int_type SourceWriterBuf::overflow(int_type c) {
    flushBuffer();
    if (!traits_type::eq_int_type(c, traits_type::eof())) {
        *pptr() = traits_type::to_char_type(c);
        pbump(1);
    }
    return traits_type::not_eof(c);
}

std::streamsize SourceWriterBuf::xsputn(const char* data, std::streamsize size) {
    std::size_t room = epptr() - pptr();
    if (static_cast<std::size_t>(size) <= room) {
        traits_type::copy(pptr(), data, size);
        pbump(static_cast<int>(size));
        return size;
    }
    flushBuffer();
    if (static_cast<std::size_t>(size) >= buffer_.size()) {
        writeAll(data, size);
        return size;
    }
    traits_type::copy(pptr(), data, size);
    pbump(static_cast<int>(size));
    return size;
}

int SourceWriterBuf::sync() {
    flushBuffer();
    return 0;
}

void SourceWriterBuf::finish() {
    flushBuffer();
    fd_.close("close " + path_);
}

SourceWriter::SourceWriter(process::FdOwner fd, const std::string& path)
    : std::ostream(nullptr), buf_(std::move(fd), path) {
    rdbuf(&buf_);
    exceptions(std::ios_base::badbit | std::ios_base::failbit);
}

}  // namespace quarn::mail::postfix
