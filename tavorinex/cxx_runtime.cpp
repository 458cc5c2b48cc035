// The `tavorinex` command is built without exceptions: memory that cannot be had, and the
// standard library's other failures, end it here with one line and exit code 1, after its
// temporary files are removed, instead of an uncaught exception's abort.
#include <unistd.h>

#include <cstddef>
#include <cstdlib>
#include <new>

#include "tavorinex/output_file.h"

namespace {

template <size_t Size> [[noreturn]] void Die(const char (&message)[Size]) {
    // Nothing here may allocate.
    RemovePendingOutputs();
    if (write(STDERR_FILENO, message, Size - 1) < 0) {
        // Nowhere left to say it.
    }
    _exit(1);
}

[[noreturn]] void OutOfMemory() {
    Die("tavorinex: out of memory\n");
}

} // namespace

void* operator new(std::size_t size) {
    // Every allocation must be a distinct object, an empty one too.
    void* memory = std::malloc(size != 0 ? size : 1);
    if (memory == nullptr) {
        OutOfMemory();
    }
    return memory;
}

void* operator new[](std::size_t size) {
    return operator new(size);
}
void operator delete(void* memory) noexcept {
    std::free(memory);
}
void operator delete[](void* memory) noexcept {
    std::free(memory);
}
void operator delete(void* memory, std::size_t) noexcept {
    std::free(memory);
}
void operator delete[](void* memory, std::size_t) noexcept {
    std::free(memory);
}

#if defined(__GLIBCXX__)
// The standard library's containers report sizes beyond what can be allocated through these.
namespace std {
void __throw_bad_alloc() {
    OutOfMemory();
}
void __throw_bad_array_new_length() {
    OutOfMemory();
}
void __throw_length_error(const char*) {
    OutOfMemory();
}
// A position or argument out of range is a fault of the program, reported as such.
void __throw_logic_error(const char*) {
    Die("tavorinex: internal error\n");
}
void __throw_out_of_range(const char*) {
    Die("tavorinex: internal error\n");
}
void __throw_out_of_range_fmt(const char*, ...) {
    Die("tavorinex: internal error\n");
}
} // namespace std
#endif
