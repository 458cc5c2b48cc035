// The few C++ runtime pieces tavorinex.scr needs, so the program links without the exception
// machinery (unwinder, terminate handler, demangler, thread library) that would otherwise come
// with them. Nothing in the program catches, so each failure ends the process as an uncaught
// exception would: through abort().
#include <cstddef>
#include <cstdlib>
#include <new>

void* operator new(std::size_t size) {
    // Every allocation must be a distinct object, an empty one too.
    void* memory = std::malloc(size != 0 ? size : 1);
    if (memory == nullptr) {
        std::abort();
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
// The standard library's containers report misuse through these instead of throwing when the
// program is built without exceptions.
namespace std {
void __throw_bad_alloc() {
    std::abort();
}
void __throw_bad_array_new_length() {
    std::abort();
}
void __throw_length_error(const char*) {
    std::abort();
}
void __throw_logic_error(const char*) {
    std::abort();
}
void __throw_out_of_range(const char*) {
    std::abort();
}
void __throw_out_of_range_fmt(const char*, ...) {
    std::abort();
}
} // namespace std
#endif
