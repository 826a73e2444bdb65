#pragma once
// A callable borrowed for the length of a call: its address and a function that calls it. What a
// std::function parameter would cost, copying the callable, its manager and its type information,
// the program does not need for a callable it only calls while the call lasts.

#include <memory>
#include <type_traits>
#include <utility>

namespace quben {

template <class Signature> class FunctionRef;

template <class Result, class... Args> class FunctionRef<Result(Args...)> {
public:
    // Implicit, as std::function's; the condition leaves copies to the copy constructor.
    template <class Callable,
              class = std::enable_if_t<!std::is_same_v<std::remove_cvref_t<Callable>, FunctionRef> &&
                                       std::is_invocable_r_v<Result, Callable&, Args...>>>
    // NOLINTNEXTLINE(bugprone-forwarding-reference-overload)
    FunctionRef(Callable&& callable) noexcept
        : callable_(const_cast<void*>(static_cast<const void*>(std::addressof(callable)))),
          call_([](void* target, Args... args) -> Result {
              return (*static_cast<std::remove_reference_t<Callable>*>(target))(std::forward<Args>(args)...);
          }) {}

    Result operator()(Args... args) const { return call_(callable_, std::forward<Args>(args)...); }

private:
    void* callable_;
    Result (*call_)(void* target, Args... args);
};

} // namespace quben
