// What went wrong, as a value: the kind of failure and its particulars, so
// that each front end can say it in the user's language.
#pragma once

#include <cstdint>
#include <exception>
#include <memory>
#include <stdexcept>
#include <string>

#include "support/ui_texts.h"

namespace brelvik {

enum class FailureKind {
  kOther,              // detail: the library's own wording
  kCancelled,          // the work was given up on request
  kHostNotFound,       // where: host:port
  kConnectionRefused,  // where: host:port
  kConnectFailed,      // where: host:port; detail: the library's wording
  kConnectTimeout,     // where: host:port; amount: the limit in ms
  kStallTimeout,       // where: the address; amount: the limit in ms
  kDeadline,           // where: the address; amount: the limit in ms
  kTooLarge,           // where: the address; amount: the limit in bytes
  kHttpStatus,         // where: the address; detail: the status line
  kNotHttp,            // where: the address
  kConflictingLength,  // where: the address; the answer gave two different Content-Lengths
  kHeaderTooLong,      // where: the address
  kBadAddress,         // where: the address
  kMalformedXml,       // detail: the parser's wording; amount: the byte offset
  kFileWrite,          // where: the path; error_number: errno
  kNotRegularFile,     // where: the path; detail: "fifo", "socket" or "device"
  kCreateFolder,       // where: the folder; error_number: errno
  kNoCacheFolder,      // the user's cache folder is unknown
  kTraceNotWritten,    // cause: why the tricolor trace file was not written
  kOutputWrite,        // standard output failed; error_number: errno
};

struct Failure {
  Failure() = default;
  explicit Failure(FailureKind kind, std::string where = {}, std::string detail = {},
                   std::uint64_t amount = 0, int error_number = 0)
      : kind(kind),
        where(std::move(where)),
        detail(std::move(detail)),
        amount(amount),
        error_number(error_number) {}

  FailureKind kind = FailureKind::kOther;
  std::string where;
  std::string detail;
  std::uint64_t amount = 0;
  int error_number = 0;
  std::shared_ptr<const Failure> cause;

  static Failure Other(std::string text) {
    return Failure(FailureKind::kOther, {}, std::move(text));
  }
};

// The failure as the user reads it, e.g. "HTTP/1.1 404 Not Found:
// http://host/channels.html" or "Не удалось записать /x: на диске нет места".
std::string FailureText(const Failure& failure, Language language);

// The system's reason for errno `error`; the usual ones of file writing are
// translated, the others keep the C library's English wording.
std::string SystemReason(int error, Language language);

// An exception that carries a Failure; what() is its English text.
class FailureError : public std::runtime_error {
 public:
  explicit FailureError(Failure failure)
      : std::runtime_error(FailureText(failure, Language::kEn)), failure_(std::move(failure)) {}
  const Failure& GetFailure() const { return failure_; }

 private:
  Failure failure_;
};

// The failure an exception carries, or its what() as the library's wording.
Failure FailureOf(const std::exception& error);

}  // namespace brelvik
