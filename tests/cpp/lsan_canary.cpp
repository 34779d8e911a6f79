// Leaks on purpose. The sanitizer build runs it and expects LeakSanitizer's report, which
// proves that leak checking is really active for the rest of the suite.
#include <cstdio>

namespace {
// Written through a volatile pointer, so the allocation cannot be optimised away.
char* volatile leaked = nullptr;
}

int main() {
    leaked = new char[64];
    std::printf("leaking 64 bytes at %p\n", static_cast<void*>(leaked));
    leaked = nullptr;
    return 0;
}
