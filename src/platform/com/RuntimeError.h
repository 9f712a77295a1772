#pragma once
// The run-time error every layer raises: a 32-bit error number, a description and a source.
// Business failures carry 9000; database failures carry the record-set library's numbers
// (read as negative 32-bit values).

#include <cstdint>
#include <stdexcept>
#include <string>

namespace corvane {

namespace errnum {
constexpr std::int32_t kBusiness = 9000;
constexpr std::int32_t kInvalidArgument = 5;
constexpr std::int32_t kOverflow = 6;
constexpr std::int32_t kTypeMismatch = 13;
constexpr std::int32_t kObjectMissing = 91;
constexpr std::int32_t kClassNotRegistered = 429;
// Database errors, as the record-set library numbered them.
constexpr std::int32_t kDbStatement = static_cast<std::int32_t>(0x80040E14);         // syntax or other statement error
constexpr std::int32_t kDbConstraint = static_cast<std::int32_t>(0x80040E2F);        // integrity violation
constexpr std::int32_t kDbConversion = static_cast<std::int32_t>(0x80040E07);        // conversion failed
constexpr std::int32_t kDbTimeout = static_cast<std::int32_t>(0x80040E31);           // busy or timed out
constexpr std::int32_t kDbPermissionDenied = static_cast<std::int32_t>(0x80040E09);  // permission denied
constexpr std::int32_t kDbOverflow = static_cast<std::int32_t>(0x80040E57);          // arithmetic overflow
constexpr std::int32_t kDbNotFound = static_cast<std::int32_t>(0x80040E37);          // no such table or object
constexpr std::int32_t kDbUnspecified = static_cast<std::int32_t>(0x80004005);       // unspecified failure
constexpr std::int32_t kDbNoCurrentRecord = static_cast<std::int32_t>(0x800A0BCD);   // BOF or EOF is true
constexpr std::int32_t kDbItemNotFound = static_cast<std::int32_t>(0x800A0CC1);      // no field of that name
}  // namespace errnum

class RuntimeError : public std::runtime_error {
 public:
  RuntimeError(std::int32_t number, std::string description, std::string source = {})
      : std::runtime_error(description),
        number_(number),
        description_(std::move(description)),
        source_(std::move(source)) {}

  std::int32_t number() const noexcept { return number_; }
  const std::string& description() const noexcept { return description_; }
  const std::string& source() const noexcept { return source_; }

 private:
  std::int32_t number_;
  std::string description_;
  std::string source_;
};

// A business failure: error 9000 with a (localized) message text as description.
[[noreturn]] inline void raiseBusiness(std::string text) { throw RuntimeError(errnum::kBusiness, std::move(text)); }

// Error 91: an object, node or value the work needs is missing. The description is the run
// time's own unless the caller names what is missing.
[[noreturn]] inline void raiseObjectMissing(
    std::string description = "Object variable or With block variable not set") {
  throw RuntimeError(errnum::kObjectMissing, std::move(description));
}

// Error 13: a value is not of the kind the work needs (a number, a date).
[[noreturn]] inline void raiseTypeMismatch() { throw RuntimeError(errnum::kTypeMismatch, "Type mismatch"); }

// Error 6: a number beyond the range of the kind it is kept in.
[[noreturn]] inline void raiseOverflow() { throw RuntimeError(errnum::kOverflow, "Overflow"); }

}  // namespace corvane
