#pragma once
// The failure rule shared by the start-up and launch sequences: every step stands alone.
// A step that fails (a platform call reporting an error, which the adapters turn into an
// exception) is abandoned silently and the sequence goes on with the next step. Nothing is
// logged and nothing is shown. The few steps whose failure the user must hear about are made
// with Attempt, which hands the failure back instead.

#include "platform/platform_error.h"

#include <optional>
#include <utility>

namespace quben {

inline constexpr std::int32_t kStatusUnexpected = static_cast<std::int32_t>(0x8000FFFF); // E_UNEXPECTED

// Runs one step; whatever it throws is dropped.
template <class Step> void RunStep(Step&& step) noexcept {
    try {
        std::forward<Step>(step)();
    } catch (...) {
    }
}

// Runs one step and answers why it failed, or nothing when it went through.
template <class Step> std::optional<PlatformError> Attempt(Step&& step) noexcept {
    try {
        std::forward<Step>(step)();
        return std::nullopt;
    } catch (const PlatformError& error) {
        return error;
    } catch (...) {
        return PlatformError{kStatusUnexpected, {}};
    }
}

// Evaluates the test of a conditional step. When the test itself fails, the sequence goes on
// with the branch named by `onFailure`.
template <class Test> bool TestOr(bool onFailure, Test&& test) noexcept {
    try {
        return static_cast<bool>(std::forward<Test>(test)());
    } catch (...) {
        return onFailure;
    }
}

} // namespace quben
