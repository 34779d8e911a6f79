// Names built to make a lookup work as hard as it can still get the right answer. Their
// cost is measured by the hostile-name benchmarks (make bench), not here: timings in a
// test depend on the machine's load.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "catalogue/catalogue.hpp"
#include "hostile_names.hpp"

namespace velmora {
namespace {

TEST(HostileLookups, PacksOfLookAlikeNamesFindEveryPatternAndNothingElse) {
    for (const auto& make : {hostile::shared_prefix_name, hostile::plain_name}) {
        const PatternLibrary library(hostile::pack_of(make));
        for (int index = 0; index < 1024; ++index) {
            const std::string name = make(index);
            ASSERT_EQ(hostile::plain_scan(library, name), &library.patterns()[static_cast<std::size_t>(index)]);
            EXPECT_EQ(library.sample(name, 3).x, 0.25) << name;
        }
        for (std::string near : {make(1024), make(0) + "x", make(0).substr(1)}) {
            EXPECT_THROW(library.sample(near, 0), UnknownPatternName) << near;
        }
        EXPECT_EQ(library.sample("circle", 16).x, velmora::sample("circle", 16).x);
    }
}

TEST(HostileLookups, LongAndZeroFilledUnknownNamesAreRefusedWithTheWholeName) {
    const std::string builtin(catalogue().back().name);
    for (const std::string& name : {builtin + "_", builtin.substr(0, builtin.size() - 1), std::string(32, 'z'),
                                    std::string(builtin.size(), '\0'), std::string(4096, 'a'),
                                    "sway" + std::string(4092, ' ')}) {
        try {
            velmora::sample(name, 0);
            ADD_FAILURE() << name.size() << "-byte name accepted";
        } catch (const UnknownPatternName& error) {
            EXPECT_EQ(error.message(), "Unknown velmora: " + name);
        }
    }
}

}  // namespace
}  // namespace velmora
