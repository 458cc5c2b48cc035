// The few runtime pieces tavorinex.scr needs: its entry point in place of MinGW-w64's start-up
// code, and the C++ pieces, so the program links without the exception machinery (unwinder,
// terminate handler, demangler, thread library) that would otherwise come with them. Nothing in
// the program catches, so each failure ends the process as an uncaught exception would: through
// abort().
#include <windows.h>

#include <cstddef>
#include <cstdlib>
#include <new>

// Every way out of the program is ExitProcess, and the system reclaims what it holds, so the
// destructors that static objects register here are never run. Defined here, it also keeps out
// msvcrt.dll's atexit, a data import that only MinGW-w64's start-up code would fix up.
extern "C" int atexit(void (*)()) {
    return 0;
}

// The constructors of static objects, as the linker lays them out: -1, the constructors, 0.
extern "C" void (*__CTOR_LIST__[])();

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int);

// The entry point, instead of MinGW-w64's start-up code and its imports (about 10 KiB): of all
// it sets up (arguments, environment, locks, thread-local storage, exit handlers) the program
// needs only its static constructors. It reads its command line itself, and msvcrt.dll's heap
// is ready once the DLL is loaded. Windows may enter with the stack aligned to 4 bytes only;
// every function that needs more realigns its own frame (-mstackrealign).
extern "C" void WinMainCRTStartup() {
    void (**constructor)() = __CTOR_LIST__ + 1;
    while (*constructor != nullptr) {
        ++constructor;
    }
    // Last to first, as the start-up code they come from runs them.
    while (--constructor != __CTOR_LIST__) {
        (*constructor)();
    }
    // Start-up reads none of its arguments, and ends the process itself.
    ExitProcess(static_cast<UINT>(WinMain(nullptr, nullptr, nullptr, 0)));
}

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
