#pragma once
// The failure rule shared by the start-up and launch sequences: every step stands alone.
// A step that fails (a platform call reporting an error, which the adapters turn into an
// exception) is abandoned silently and the sequence goes on with the next step. Nothing is
// logged and nothing is shown; a debug-output viewer alone sees each dropped failure, through the
// sink the platform sets. The few steps whose failure the user must hear about are made with
// Attempt, which hands the failure back instead.

#include "platform/platform_error.h"

#include <optional>
#include <source_location>
#include <utility>

namespace quben {

inline constexpr std::int32_t kStatusUnexpected = static_cast<std::int32_t>(0x8000FFFF); // E_UNEXPECTED

// Where a step is made: std::source_location. Clang before 15, which checks the code, has none in
// libstdc++; it gets the same from its builtins.
#if defined(__cpp_lib_source_location)
using StepPlace = std::source_location;
#else
struct StepPlace {
    static constexpr StepPlace current(const char* function = __builtin_FUNCTION(),
                                       std::uint_least32_t line = __builtin_LINE()) noexcept {
        return {function, line};
    }
    constexpr const char* function_name() const noexcept { return function; }
    constexpr std::uint_least32_t line() const noexcept { return number; }
    const char* function;
    std::uint_least32_t number;
};
#endif

// Told of every failure the rule drops, with the place of the step; none by default (the unit
// tests, a platform without a debug output). Set once, before any step runs.
using DroppedStepSink = void (*)(const StepPlace& where, std::int32_t status) noexcept;
inline DroppedStepSink droppedStepSink = nullptr;

// The failure being handled, told to the sink; only from inside a catch block. Out of line: it is
// called from every step of the program.
void TellDropped(const StepPlace& where) noexcept;

// Runs one step; whatever it throws is dropped.
template <class Step> void RunStep(Step&& step, const StepPlace where = StepPlace::current()) noexcept {
    try {
        std::forward<Step>(step)();
    } catch (...) {
        TellDropped(where);
    }
}

// Runs one step and answers why it failed, or nothing when it went through.
template <class Step>
std::optional<PlatformError> Attempt(Step&& step, const StepPlace where = StepPlace::current()) noexcept {
    try {
        std::forward<Step>(step)();
        return std::nullopt;
    } catch (const PlatformError& error) {
        TellDropped(where);
        return error;
    } catch (...) {
        TellDropped(where);
        return PlatformError{kStatusUnexpected};
    }
}

// Evaluates the test of a conditional step. When the test itself fails, the sequence goes on
// with the branch named by `onFailure`.
template <class Test>
bool TestOr(bool onFailure, Test&& test, const StepPlace where = StepPlace::current()) noexcept {
    try {
        return static_cast<bool>(std::forward<Test>(test)());
    } catch (...) {
        TellDropped(where);
        return onFailure;
    }
}

} // namespace quben
