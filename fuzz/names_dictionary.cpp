// Prints every built-in name as a libFuzzer dictionary entry, so the name fuzzer starts
// from the names the catalogue holds however many there are.

#include <cstdio>

#include "catalogue/catalogue.hpp"

int main() {
    for (const velmora::CatalogueEntry& entry : velmora::catalogue()) {
        std::printf("\"%.*s\"\n", static_cast<int>(entry.name.size()), entry.name.data());
    }
    return 0;
}
