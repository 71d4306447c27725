// Success, or a failure: its kind, its reason as the user reads it, and the system's error number
// when a system call failed. The engine's interfaces between folders report failure in this one
// shape, so that a caller shows, logs or passes on any failure alike.
#pragma once

#include <cstdint>
#include <optional>
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

// A value, or the failure that left none: what an interface gives back when it has something to
// give. An answer that may be "there is none" without anything failing is a Result of an optional.
template <class T> class [[nodiscard]] Result {
public:
    Result(T value) : value_(std::move(value)) { }
    // A failure; a success without a value is no Result.
    Result(Status failure) : status_(std::move(failure))
    {
        if (status_)
            status_ = Status::Failure(FailureKind::System, "no value was given");
    }

    bool Ok() const { return status_.Ok(); }
    explicit operator bool() const { return status_.Ok(); }
    // Success, or the failure with its kind, reason and error number.
    const Status& GetStatus() const { return status_; }
    // Of a success only.
    T& Value() { return *value_; }
    const T& Value() const { return *value_; }
    T& operator*() { return *value_; }
    const T& operator*() const { return *value_; }
    T* operator->() { return &*value_; }
    const T* operator->() const { return &*value_; }

private:
    std::optional<T> value_;
    Status status_;
};
