#pragma once

#include <memory>

namespace sonaris::platform::ui {

// A heap-held value with value semantics, for recursive value types.
template <class T>
class Indirect {
public:
    Indirect(T value) : value_(std::make_unique<T>(std::move(value))) {}
    Indirect(const Indirect& other) : value_(std::make_unique<T>(*other.value_)) {}
    Indirect(Indirect&&) noexcept = default;
    Indirect& operator=(const Indirect& other) {
        if (this != &other) value_ = std::make_unique<T>(*other.value_);
        return *this;
    }
    Indirect& operator=(Indirect&&) noexcept = default;

    const T& operator*() const { return *value_; }
    const T* operator->() const { return value_.get(); }

private:
    std::unique_ptr<T> value_;
};

}  // namespace sonaris::platform::ui
