// Stand-ins for parts of the statically linked C++ runtime that cost far more than they give a
// windowed program. The linker takes a library member only for a symbol nothing else defines, so
// defining these here keeps the originals, and everything they drag in, out of the executable.

// The library's own declarations: each definition below must match one of them exactly.
#include <bits/functexcept.h>
#include <cstdlib>
#include <exception>
#include <new>
#include <typeinfo>

// The default terminate handler would pull in the C++ demangler (some 70 KB) to print a message
// nobody sees in a windowed program.
namespace __gnu_cxx {
void __verbose_terminate_handler() {
    std::abort();
}
} // namespace __gnu_cxx

namespace {

// What the library's checks throw here instead of std::length_error, std::out_of_range and their
// kin. Those carry a reference-counted string whose code, with the string instantiations it needs,
// is some 60 KB (85 KB on x86), for a case no caller tells apart: the failure rule drops or reports
// any exception alike. So nothing in the program may catch std::logic_error, std::runtime_error or
// their kin: the library's checks never throw them any more. tests/release/test_lean_runtime.py
// holds both rules: no such catch in the sources, and neither this member of the library nor its
// verbose terminate handler in the link map.
class LibraryCheckFailed final : public std::exception {
public:
    explicit LibraryCheckFailed(const char* what) noexcept : what_(what) {}
    [[nodiscard]] const char* what() const noexcept override { return what_; }

private:
    const char* what_; // the library passes string literals
};

[[noreturn]] void Fail(const char* what) {
    throw LibraryCheckFailed(what);
}

} // namespace

// Every function of the library's own member that defines them (functexcept.o): defining only
// some would bring it in for the others and clash with these.
namespace std {
void __throw_bad_exception() {
    throw std::bad_exception();
}
void __throw_bad_alloc() {
    throw std::bad_alloc();
}
void __throw_bad_array_new_length() {
    throw std::bad_array_new_length();
}
void __throw_bad_cast() {
    throw std::bad_cast();
}
void __throw_bad_typeid() {
    throw std::bad_typeid();
}
void __throw_logic_error(const char* what) {
    Fail(what);
}
void __throw_domain_error(const char* what) {
    Fail(what);
}
void __throw_invalid_argument(const char* what) {
    Fail(what);
}
void __throw_length_error(const char* what) {
    Fail(what);
}
void __throw_out_of_range(const char* what) {
    Fail(what);
}
void __throw_out_of_range_fmt(const char* format, ...) {
    Fail(format); // the format, not the figures: a message nobody reads
}
void __throw_runtime_error(const char* what) {
    Fail(what);
}
void __throw_range_error(const char* what) {
    Fail(what);
}
void __throw_overflow_error(const char* what) {
    Fail(what);
}
void __throw_underflow_error(const char* what) {
    Fail(what);
}
} // namespace std
