#pragma once
// The runtime's errors: a failing step throws vb::Error; a routine that goes on past
// failures runs its steps through an ErrorRecord, which notes the last one.

#include "vb/String.h"

#include <cstdint>
#include <exception>
#include <string>
#include <utility>

namespace vb {

// Runtime error numbers the system meets.
namespace err {
inline constexpr std::int32_t InvalidCall = 5;
inline constexpr std::int32_t Overflow = 6;
inline constexpr std::int32_t OutOfMemory = 7;
inline constexpr std::int32_t SubscriptOutOfRange = 9;
inline constexpr std::int32_t TypeMismatch = 13;
inline constexpr std::int32_t BadFileNameOrNumber = 52;
inline constexpr std::int32_t FileNotFound = 53;
inline constexpr std::int32_t FileAlreadyOpen = 55;
inline constexpr std::int32_t DeviceIo = 57;
inline constexpr std::int32_t DiskFull = 61;
inline constexpr std::int32_t PermissionDenied = 70;
inline constexpr std::int32_t PathFileAccess = 75;
inline constexpr std::int32_t PathNotFound = 76;
inline constexpr std::int32_t ObjectNotSet = 91;
inline constexpr std::int32_t InvalidUseOfNull = 94;
inline constexpr std::int32_t ControlArrayElementMissing = 340;
inline constexpr std::int32_t ObjectAlreadyLoaded = 360;
inline constexpr std::int32_t InvalidPropertyValue = 380;
inline constexpr std::int32_t ObjectDoesNotSupport = 438;
} // namespace err

class Error : public std::exception {
public:
    Error(std::int32_t number, String description, String source = {})
        : number_(number), description_(std::move(description)), source_(std::move(source)) {}

    std::int32_t number() const noexcept { return number_; }
    const String& description() const noexcept { return description_; }
    const String& source() const noexcept { return source_; }
    const char* what() const noexcept override;

private:
    std::int32_t number_;
    String description_;
    String source_;
    mutable std::string what_;
};

// The runtime's own description of an error number ("Dépassement de capacité"...).
String DescriptionOf(std::int32_t number);

[[noreturn]] void Raise(std::int32_t number, String source = {});

// An error from a failed system call's errno. `missing` is the number a missing entry
// gives in this context (53 for a file, 76 for a path).
Error FromErrno(int errnoValue, std::int32_t missing = err::FileNotFound);

// The per-routine error record of a routine that goes on past failures.
class ErrorRecord {
public:
    std::int32_t Number = 0;
    String Description;

    void Clear() {
        Number = 0;
        Description.clear();
    }
    bool Pending() const { return Number != 0; }

    // Runs one step; a vb::Error it raises is noted and the routine carries on.
    // Returns whether the step completed.
    template <typename Step> bool Run(Step&& step) {
        try {
            std::forward<Step>(step)();
            return true;
        } catch (const Error& e) {
            Number = e.number();
            Description = e.description();
            return false;
        }
    }
};

} // namespace vb
