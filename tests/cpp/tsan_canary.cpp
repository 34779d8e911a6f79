// Races on purpose. The ThreadSanitizer build runs it and expects the race report, which
// proves that the concurrency tests really run under the race detector.
#include <cstdio>
#include <thread>

namespace {
int counter = 0;
}

int main() {
    std::thread other([] { ++counter; });
    ++counter;
    other.join();
    std::printf("counter %d\n", counter);
    return 0;
}
