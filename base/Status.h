// Success, or a failure: its kind, its reason as the user reads it, and the system's error number
// when a system call failed. The engine's interfaces between folders report failure in this one
// shape, so that a caller shows, logs or passes on any failure alike.
#pragma once

#include <cstdint>
#include <string>
#include <utility>

enum class FailureKind {
    System,  // a system call failed; Code() is its error number
    Damaged,  // what was read is not what this program wrote (a journal cut or changed by hand)
    InUse,  // another process holds it (a run or an undo still going)
    DoneAlready,  // there is nothing left to do (a run undone already)
};

class [[nodiscard]] Status {
public:
    // Success.
    Status() = default;

    static Status Failure(FailureKind kind, std::string reason, std::uint32_t code = 0)
    {
        Status status;
        status.failed_ = true;
        status.kind_ = kind;
        status.reason_ = std::move(reason);
        status.code_ = code;
        return status;
    }

    bool Ok() const { return !failed_; }
    explicit operator bool() const { return !failed_; }
    // Of a failure only.
    FailureKind Kind() const { return kind_; }
    const std::string& Reason() const { return reason_; }
    std::uint32_t Code() const { return code_; }

private:
    bool failed_ = false;
    FailureKind kind_ = FailureKind::System;
    std::string reason_;
    std::uint32_t code_ = 0;
};
