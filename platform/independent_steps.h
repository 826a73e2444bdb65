#pragma once
// The failure rule shared by the start-up and launch sequences: every step stands alone.
// A step that fails (a platform call reporting an error, which the adapters turn into an
// exception) is abandoned silently and the sequence goes on with the next step. Nothing is
// logged and nothing is shown.

#include <utility>

namespace quben {

// Runs one step; whatever it throws is dropped.
template <class Step> void RunStep(Step&& step) noexcept {
    try {
        std::forward<Step>(step)();
    } catch (...) {
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
