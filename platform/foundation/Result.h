#pragma once
// The outcome of an operation on outside input (bytes, files, replies, command lines): the
// value it produced, or the Error that says why it could not. Bad input is an expected
// outcome, so it travels as a value the caller must look at, never as an exception;
// TAVRO_TRY passes an error up to the caller in one line.
//
// Reading the side that is not there (value() of an error, error() of a value) is a
// programming error that no build can carry on from: it stops the program. A plain value
// type; not synchronised.

#include <type_traits>
#include <utility>
#include <variant>

#include "platform/foundation/Error.h"

namespace platform::foundation {

namespace detail {
[[noreturn]] void resultMisread(const char* side);
}  // namespace detail

template <class T>
class [[nodiscard]] Result {
    static_assert(!std::is_same_v<T, Error>, "an error is not a value");
    static_assert(!std::is_reference_v<T>, "a result holds its value");

  public:
    using value_type = T;

    template <class U = T>
    requires(std::is_convertible_v<U&&, T> && !std::is_same_v<std::remove_cvref_t<U>, Error> &&
             !std::is_same_v<std::remove_cvref_t<U>, Result>) Result(U&& value)
        : storage_(std::in_place_index<0>, std::forward<U>(value)) {}
    Result(Error error) : storage_(std::in_place_index<1>, std::move(error)) {}

    bool has_value() const { return storage_.index() == 0; }
    explicit operator bool() const { return has_value(); }

    T& value() & { return *valuePointer(); }
    const T& value() const& { return *valuePointer(); }
    T&& value() && { return std::move(*valuePointer()); }
    T* operator->() { return valuePointer(); }
    const T* operator->() const { return valuePointer(); }
    T& operator*() & { return *valuePointer(); }
    const T& operator*() const& { return *valuePointer(); }

    // The value, or `fallback` when there is an error.
    template <class U>
    T value_or(U&& fallback) const& {
        return has_value() ? *valuePointer() : static_cast<T>(std::forward<U>(fallback));
    }

    const Error& error() const& { return *errorPointer(); }
    Error&& error() && { return std::move(*errorPointer()); }

  private:
    T* valuePointer() {
        if (!has_value()) detail::resultMisread("value");
        return std::get_if<0>(&storage_);
    }
    const T* valuePointer() const {
        if (!has_value()) detail::resultMisread("value");
        return std::get_if<0>(&storage_);
    }
    Error* errorPointer() {
        if (has_value()) detail::resultMisread("error");
        return std::get_if<1>(&storage_);
    }
    const Error* errorPointer() const {
        if (has_value()) detail::resultMisread("error");
        return std::get_if<1>(&storage_);
    }

    std::variant<T, Error> storage_;
};

}  // namespace platform::foundation

// Declares `name` from the value of `expression` (a Result), or returns its error from the
// enclosing function, whose return type must be constructible from an Error.
#define TAVRO_TRY(name, expression)                                                    \
    auto name##TavroResult_ = (expression);                                            \
    if (!name##TavroResult_.has_value()) return std::move(name##TavroResult_).error(); \
    auto name = std::move(name##TavroResult_).value()
