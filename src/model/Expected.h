#pragma once

#include "model/DecodeError.h"

#include <cassert>
#include <utility>
#include <variant>

// Either a value or the error that prevented it.
template <typename T, typename E>
class Expected {
public:
    Expected(T value) : state_(std::in_place_index<0>, std::move(value)) {}
    Expected(E error) : state_(std::in_place_index<1>, std::move(error)) {}

    bool has_value() const { return state_.index() == 0; }
    explicit operator bool() const { return has_value(); }

    T& value() &
    {
        assert(has_value());
        return std::get<0>(state_);
    }
    const T& value() const&
    {
        assert(has_value());
        return std::get<0>(state_);
    }
    T&& value() &&
    {
        assert(has_value());
        return std::get<0>(std::move(state_));
    }
    const E& error() const
    {
        assert(!has_value());
        return std::get<1>(state_);
    }

    T& operator*() & { return value(); }
    const T& operator*() const& { return value(); }
    T* operator->() { return &value(); }
    const T* operator->() const { return &value(); }

private:
    std::variant<T, E> state_;
};

template <typename T>
using DecodeResult = Expected<T, DecodeError>;
