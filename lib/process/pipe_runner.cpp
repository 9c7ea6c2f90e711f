#include "lib/process/pipe_runner.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "lib/errors/errors.h"
#include "lib/util/fd_flags.h"
#include "lib/process/sigchld_block.h"

namespace quarn {
namespace process {

namespace {

// Large reads: a table dump is tens of megabytes, and every read is a pass
// of the select loop.
const size_t ChunkSize = 65536;
const int PipeBytes = 1 << 20;

// One read through `buffer` (ChunkSize bytes) into `chunk`: its size is
// what was read, 0 at end of file; false on EAGAIN. Other errors throw
// "read". The buffer is reused: resizing `chunk` to the full size before
// each read would clear 64 KiB for what is often one page of data.
bool readChunk(int fd, std::vector<char>& buffer, std::vector<char>& chunk) {
    for (;;) {
        ssize_t n = ::read(fd, buffer.data(), buffer.size());
        if (n >= 0) {
            chunk.assign(buffer.data(), buffer.data() + n);
            return true;
        }
        if (errno == EAGAIN || errno == EWOULDBLOCK)
            return false;
        if (errno != EINTR)
            throw SystemError("read", errno);
    }
}

}  // namespace

PipeRunner::PipeRunner(PipeFlags& flags, std::vector<ProcessParameters>& processes,
                       std::vector<ProcessStatus>& statuses, ProcessSetCatcher& catcher,
                       std::vector<std::unique_ptr<ProcessLaunch>>& launches)
    : flags_(flags), processes_(processes), statuses_(statuses), catcher_(catcher),
      launches_(launches), final_(processes.size(), false), readBuffer_(ChunkSize) {}

void PipeRunner::serve() {
    openInput();
    openOutputs();
    while (ended_ < launches_.size()) {
        refillInput();
        WideFdSet readable, writable;
        waitReady(readable, writable);
        if (readable.isSet(catcher_.controlFd()))
            collectExits();
        readOutputs(readable);
        if (input_ && writable.isSet(input_->get()))
            writeInput();
    }
    drainTail();
}

void PipeRunner::openInput() {
    if (flags_.inChannel.fd != Handled)
        return;
    FdOwner& end = launches_.front()->stdinEnd();
    if (!flags_.inChannel.handler) {
        end.close();  // nothing to feed: the child reads end of file
        return;
    }
    setNonBlocking(end.get(), "fcntl");
    ::fcntl(end.get(), F_SETPIPE_SZ, PipeBytes);  // see registerChannel
    input_ = &end;
    buffer_.clear();
    written_ = 0;
    more_ = true;
}

void PipeRunner::openOutputs() {
    if (flags_.outChannel.fd == Handled)
        registerChannel(launches_.back()->stdoutEnd(), flags_.outChannel.handler);
    for (size_t i = 0; i < processes_.size(); ++i) {
        if (processes_[i].errChannel.fd == Handled)
            registerChannel(launches_[i]->stderrEnd(), processes_[i].errChannel.handler);
    }
}

void PipeRunner::registerChannel(FdOwner& fd, const OutputConsumer& handler) {
    setNonBlocking(fd.get(), "fcntl");
    // A roomy pipe lets the child write on while this process is busy with
    // what came before, or is not scheduled; a refusal only costs speed.
    ::fcntl(fd.get(), F_SETPIPE_SZ, PipeBytes);
    outputs_.push_back(Output{&fd, &handler});
}

// A producer may hand over an empty buffer and promise more; it is asked
// again at once rather than waiting for a pipe that has nothing to take.
void PipeRunner::refillInput() {
    if (!input_ || written_ < buffer_.size())
        return;
    while (more_) {
        buffer_.clear();
        written_ = 0;
        more_ = flags_.inChannel.handler(buffer_);
        if (!buffer_.empty())
            return;
    }
    closeInput();
}

void PipeRunner::closeInput() {
    if (!input_)
        return;
    input_->close();
    input_ = nullptr;
}

void PipeRunner::waitReady(WideFdSet& readable, WideFdSet& writable) {
    int top = catcher_.controlFd();
    readable.set(top);
    for (const Output& o : outputs_) {
        if (!o.fd->empty()) {
            readable.set(o.fd->get());
            top = std::max(top, o.fd->get());
        }
    }
    WideFdSet* write = nullptr;
    if (input_ && written_ < buffer_.size()) {
        writable.set(input_->get());
        top = std::max(top, input_->get());
        write = &writable;
    }
    selectWide(top + 1, &readable, write, "select");
}

// The handler writes the statuses; SIGCHLD stays blocked while they are read.
void PipeRunner::collectExits() {
    catcher_.clear_control();
    SigchldBlock block;
    for (size_t i = 0; i < launches_.size(); ++i) {
        if (final_[i])
            continue;
        const ProcessStatus& s = catcher_.status(launches_[i]->pid());
        if (!s.finished)
            continue;
        statuses_[i] = s;
        if (!WIFEXITED(s.status) && !WIFSIGNALED(s.status))
            continue;
        final_[i] = true;
        ++ended_;
        if (processes_[i].onExit)
            processes_[i].onExit(static_cast<unsigned>(i), s.status);
        if (i == 0)
            closeInput();
    }
}

void PipeRunner::readOutputs(const WideFdSet& readable) {
    for (Output& o : outputs_) {
        if (o.fd->empty() || !readable.isSet(o.fd->get()))
            continue;
        if (!readChunk(o.fd->get(), readBuffer_, chunk_))
            continue;
        if (chunk_.empty())
            o.fd->close();
        else if (*o.handler)
            (*o.handler)(chunk_);
    }
}

// EAGAIN although select found room: the pipe takes less than offered, so
// the offer is halved until it fits.
void PipeRunner::writeInput() {
    size_t offered = buffer_.size() - written_;
    for (;;) {
        // SIGPIPE is ignored for the whole run (Pipe::run), so a reader
        // that has gone shows as EPIPE here.
        ssize_t n = ::write(input_->get(), buffer_.data() + written_, offered);
        if (n > 0) {
            written_ += n;
            return;
        }
        if (n == 0 || (n < 0 && errno == EPIPE)) {
            // The reader is gone; its wait status tells the caller why.
            closeInput();
            return;
        }
        if (errno == EINTR)
            continue;
        if (errno == EAGAIN && (offered /= 2) > 0)
            continue;
        throw SystemError("write", errno);
    }
}

// Output written just before an exit may still sit in the pipes.
void PipeRunner::drainTail() {
    for (Output& o : outputs_) {
        while (!o.fd->empty() && readChunk(o.fd->get(), readBuffer_, chunk_) &&
               !chunk_.empty()) {
            if (*o.handler)
                (*o.handler)(chunk_);
        }
        o.fd->close();
    }
    closeInput();
}

// The children are not killed: a postmap stopped in the middle of an
// in-place change can leave a broken table. With every pipe closed they
// read end of file or get SIGPIPE, and end on their own.
void PipeRunner::abandon() noexcept {
    input_ = nullptr;
    for (auto& launch : launches_) {
        if (!launch)
            continue;
        for (FdOwner* end : {&launch->stdinEnd(), &launch->stdoutEnd(), &launch->stderrEnd()})
            end->closeQuietly();
    }
    try {
        SigchldBlock block;
        for (size_t i = 0; i < launches_.size(); ++i) {
            if (launches_[i] && !final_[i] && !catcher_.hasEnded(launches_[i]->pid()))
                launches_[i]->waitExit();
        }
    } catch (...) {
        // Reaped elsewhere already, or the mask cannot be set: nothing to wait for.
    }
}

}  // namespace process
}  // namespace quarn
