#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <stdexcept>
#include <string>

#include "catalogue/catalogue.hpp"
#include "catalogue/prerendered.hpp"
#include <velmora/patterns.hpp>
#include "core/offset3.hpp"

namespace {

using namespace std::string_literals;

bool same_bits(const velmora::Offset3& a, const velmora::Offset3& b) {
    return std::bit_cast<std::uint64_t>(a.x) == std::bit_cast<std::uint64_t>(b.x) &&
           std::bit_cast<std::uint64_t>(a.y) == std::bit_cast<std::uint64_t>(b.y) &&
           std::bit_cast<std::uint64_t>(a.z) == std::bit_cast<std::uint64_t>(b.z);
}

TEST(Catalogue, CoreEntriesComeFirstAndTheVectorIsBuiltOnce) {
    const auto& entries = velmora::catalogue();
    ASSERT_GE(entries.size(), 15U);
    EXPECT_EQ(entries[0].name, "bounce");
    EXPECT_EQ(entries[0].period_pips, 64);
    EXPECT_EQ(entries[0].dimensions, 1);
    EXPECT_EQ(entries[6].name, "helix");
    EXPECT_EQ(entries[6].dimensions, 3);
    EXPECT_EQ(entries[14].name, "five_stroke_roll");
    EXPECT_EQ(entries[14].description, "Two diddles resolving to an accented fifth motion");
    EXPECT_EQ(&velmora::catalogue(), &entries);
}

TEST(Catalogue, CoreNamesEvaluateTheCoreFunctions) {
    for (std::int32_t pip : {INT32_MIN, -129, -1, 0, 5, 300, INT32_MAX}) {
        EXPECT_TRUE(same_bits(velmora::sample("sway", pip), velmora::sway(pip)));
        EXPECT_TRUE(same_bits(velmora::sample("flam", pip), velmora::flam(pip)));
        EXPECT_TRUE(same_bits(velmora::sample("drag", pip), velmora::drag(pip)));
        EXPECT_TRUE(same_bits(velmora::sample("double_stroke_roll", pip), velmora::double_stroke_roll(pip)));
        EXPECT_TRUE(same_bits(velmora::sample("clay_background", pip), velmora::clay_background(pip)));
    }
}

TEST(Catalogue, EveryEntryCanBeSampledByName) {
    for (const velmora::CatalogueEntry& entry : velmora::catalogue()) {
        EXPECT_NO_THROW(velmora::sample(entry.name, 0)) << entry.name;
    }
}

void expect_unknown(const std::string& name) {
    try {
        velmora::sample(name, 0);
        ADD_FAILURE() << "accepted " << name;
    } catch (const velmora::UnknownPatternName& error) {
        EXPECT_EQ(error.message(), "Unknown velmora: "s + name);
        EXPECT_EQ(std::string(error.what()), ("Unknown velmora: "s + name).c_str());
        const std::invalid_argument& as_standard = error;
        EXPECT_NE(as_standard.what(), nullptr);
    }
}

TEST(Catalogue, UnknownNamesKeepTheNameExactlyAsPassed) {
    for (const std::string& name : {""s, "Sway"s, "sway "s, "swa"s, "lfo_breath"s, "lfo_breathe "s, "a"s, "zzz"s,
                                    "sw\0ay"s, "lfo_breathe\0"s, "\xff\xfe"s, std::string(100000, 'x')}) {
        expect_unknown(name);
    }
}

TEST(Catalogue, NamePrefixesFollowTheIndexAndAscend) {
    const auto& index = velmora::prerendered::name_index;
    const auto& prefixes = velmora::prerendered::name_prefixes;
    ASSERT_EQ(prefixes.size(), index.size());
    for (std::size_t i = 0; i < index.size(); ++i) {
        EXPECT_EQ(prefixes[i], velmora::prerendered::name_prefix(velmora::prerendered::rows[index[i]].name)) << i;
        if (i > 0) {
            EXPECT_LE(prefixes[i - 1], prefixes[i]) << i;
        }
    }
    EXPECT_EQ(velmora::prerendered::name_prefix("ab"), 0x6162000000000000U);
    EXPECT_EQ(velmora::prerendered::name_prefix("abcdefghij"), 0x6162636465666768U);
}

TEST(Catalogue, NamesThatShareAPrefixWithARowAreStillTold) {
    // Zero bytes pad short prefixes, so names holding zero bytes or ending early must fall
    // through to the whole-name comparison rather than match on the prefix.
    for (const velmora::CatalogueEntry& entry : velmora::catalogue()) {
        const std::string name(entry.name);
        for (const std::string& near : {name + '\0', name.substr(0, 8), name.substr(0, 8) + std::string(1, '\0'),
                                        name.substr(0, name.size() - 1), name + "_"}) {
            if (near.size() >= 4 && near != name) {
                bool known = false;
                for (const velmora::CatalogueEntry& other : velmora::catalogue()) {
                    known = known || other.name == near;
                }
                if (!known) {
                    EXPECT_THROW(velmora::sample(near, 0), velmora::UnknownPatternName) << near;
                }
            }
        }
    }
}

}  // namespace
