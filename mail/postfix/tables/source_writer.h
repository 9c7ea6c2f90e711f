// Writing a table's scratch source file in large blocks, with errors that
// name the file and the system's reason.
#ifndef QUARN_MAIL_POSTFIX_TABLES_SOURCE_WRITER_H
#define QUARN_MAIL_POSTFIX_TABLES_SOURCE_WRITER_H

#include <ostream>
#include <streambuf>
#include <string>
#include <vector>

#include "lib/util/fd_owner.h"

namespace quarn::mail::postfix {

/// A stream buffer over an owned descriptor. A failed write throws the
/// system error "write <path>"; a stream with badbit in its exception mask
/// passes that exception on unchanged.
class SourceWriterBuf : public std::streambuf {
public:
    SourceWriterBuf(process::FdOwner fd, const std::string& path);
    SourceWriterBuf(const SourceWriterBuf&) = delete;
    SourceWriterBuf& operator=(const SourceWriterBuf&) = delete;

    /// Writes what is buffered and closes the file ("close <path>" on failure).
    void finish();

protected:
    int_type overflow(int_type c) override;
    std::streamsize xsputn(const char* data, std::streamsize size) override;
    int sync() override;

private:
    void writeAll(const char* data, std::size_t size);
    void flushBuffer();

    process::FdOwner fd_;
    std::string path_;
    std::vector<char> buffer_;
};

/// An ostream over a SourceWriterBuf, throwing on any failure.
class SourceWriter : public std::ostream {
public:
    SourceWriter(process::FdOwner fd, const std::string& path);
    void finish() { buf_.finish(); }

private:
    SourceWriterBuf buf_;
};

}  // namespace quarn::mail::postfix

#endif
