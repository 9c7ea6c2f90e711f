// The exec-error report: a child that cannot run its program tells the
// parent why over the control pipe, and the parent raises the same error.
//
// Bytes on the pipe: "ET: " type NUL, "EM: " message NUL, and for a system
// error "EC: " decimal code NUL. A child that reached its program writes
// nothing: exec closes the pipe.
#ifndef QUARN_LIB_PROCESS_EXEC_REPORT_H
#define QUARN_LIB_PROCESS_EXEC_REPORT_H

#include <string>

namespace quarn {
namespace process {

/// Exit statuses of a child that failed before exec.
enum ExecFailureStatus {
    ExitUnknownError = 65,   ///< something that is no std::exception
    ExitStdException = 66,   ///< a std::exception or std::runtime_error
    ExitSystemError = 67,    ///< a SystemError
};

/// Writes one report; `code` is written only for a system error (non-null).
void writeException(int fd, const char* type, const std::string& message,
                    const int* code) noexcept;

/// Called inside a catch block in the child: reports the exception being
/// handled on `fd` and returns the exit status that goes with it.
int reportCurrentException(int fd) noexcept;

/// Parent side: returns when `report` holds no error type (the exec worked),
/// else throws the child's error. Unknown parts go to stderr as child output.
void raiseReportedException(const std::string& report);

}  // namespace process
}  // namespace quarn

#endif
