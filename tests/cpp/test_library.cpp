#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "catalogue/catalogue.hpp"
#include <velmora/patterns.hpp>
#include "core/offset3.hpp"
#include <velmora/pattern_library.hpp>
#include <velmora/sampled_pattern.hpp>
#include "test_support.hpp"

namespace velmora {
namespace {

using test_support::message_of;
using test_support::numbered;

std::vector<Offset3> flat(std::size_t count, Offset3 value = {0.25, 0.0, 0.0}) {
    return std::vector<Offset3>(count, value);
}

SampledPattern pattern(std::string name, std::size_t count = 4) {
    return SampledPattern(std::move(name), "user", flat(count));
}

bool same(Offset3 a, Offset3 b) {
    return a.x == b.x && a.y == b.y && a.z == b.z;
}

// An exact copy of a built-in entry, sampled through the built-in lookup.
SampledPattern repeat_of(const CatalogueEntry& entry) {
    std::vector<Offset3> samples;
    for (std::int32_t pip = 0; pip < entry.period_pips; ++pip) {
        samples.push_back(velmora::sample(entry.name, pip));
    }
    return SampledPattern(std::string(entry.name), std::string(entry.description), std::move(samples));
}

const CatalogueEntry& builtin(std::string_view name) {
    for (const CatalogueEntry& entry : catalogue()) {
        if (entry.name == name) {
            return entry;
        }
    }
    throw std::logic_error("missing built-in");
}

TEST(SampledPattern, NameRule) {
    for (const std::string& good : {std::string("a"), std::string("a0_z9"), std::string(128, 'q')}) {
        EXPECT_NO_THROW(pattern(good)) << good;
    }
    for (const std::string& bad : {std::string(), std::string(129, 'q'), std::string("Abc"), std::string("0ab"),
                                  std::string("_ab"), std::string("aBc"), std::string("a-b"), std::string("a.b"),
                                  std::string("a b"), std::string("a\xc3\xa9"), std::string("a\0b", 3)}) {
        EXPECT_EQ(message_of([&] { pattern(bad); }), "Invalid pattern name") << bad;
    }
}

TEST(SampledPattern, CountAndValueRulesInOrder) {
    const std::string count_message = "A pattern requires 1..65535 samples (one per pip)";
    const std::string value_message = "Pattern samples must be finite and within [-1, 1]";
    EXPECT_EQ(SampledPattern("big", "", flat(65535)).info().period_pips, 65535);
    EXPECT_EQ(message_of([] { SampledPattern("big", "", flat(65536)); }), count_message);
    EXPECT_EQ(message_of([] { SampledPattern("none", "", {}); }), count_message);

    EXPECT_NO_THROW(SampledPattern("edge", "", {{1.0, -1.0, 1.0}, {-1.0, 1.0, -1.0}}));
    const double above_one = std::nextafter(1.0, 2.0);
    for (const double bad : {above_one, -above_one, std::numeric_limits<double>::quiet_NaN(),
                             std::numeric_limits<double>::infinity(), -std::numeric_limits<double>::infinity()}) {
        for (int axis = 0; axis < 3; ++axis) {
            Offset3 s{0.0, 0.0, 0.0};
            (axis == 0 ? s.x : axis == 1 ? s.y : s.z) = bad;
            EXPECT_EQ(message_of([&] { SampledPattern("v", "", {{0.5, 0.5, 0.5}, s}); }), value_message);
        }
    }
    // The name is checked first, then the count.
    EXPECT_EQ(message_of([] { SampledPattern("Bad", "", {{2.0, 0.0, 0.0}}); }), "Invalid pattern name");
    EXPECT_EQ(message_of([] { SampledPattern("Bad", "", {}); }), "Invalid pattern name");
}

TEST(SampledPattern, Dimensions) {
    EXPECT_EQ(SampledPattern("p", "", flat(3, {0.0, 0.0, 0.0})).dimensions(), 1);
    EXPECT_EQ(SampledPattern("p", "", flat(3, {0.9, 0.0, 0.0})).dimensions(), 1);
    EXPECT_EQ(SampledPattern("p", "", {{0, 0, 0}, {0, 0.1, 0}, {0, 0, 0}}).dimensions(), 2);
    EXPECT_EQ(SampledPattern("p", "", {{0, 0, 0.1}, {0, 0.5, 0}, {0, 0, 0}}).dimensions(), 3);
    EXPECT_EQ(SampledPattern("p", "", {{0, -0.0, -0.0}}).dimensions(), 1);
}

TEST(SampledPattern, SamplingWrapsEveryPip) {
    const SampledPattern p("three", "", {{0.1, 0, 0}, {0.2, 0, 0}, {0.3, 0, 0}});
    EXPECT_EQ(p.sample(0).x, 0.1);
    EXPECT_EQ(p.sample(4).x, 0.2);
    EXPECT_EQ(p.sample(-1).x, 0.3);
    EXPECT_EQ(p.sample(-3).x, 0.1);
    EXPECT_EQ(p.sample(std::numeric_limits<std::int32_t>::min()).x, 0.2);  // -2^31 = -715827883 * 3 + 1
    EXPECT_EQ(p.sample(std::numeric_limits<std::int32_t>::max()).x, 0.2);  // 2^31 - 1 = 715827882 * 3 + 1
    const SampledPattern copy = p;
    for (std::int32_t pip = -5; pip < 5; ++pip) {
        EXPECT_TRUE(same(copy.sample(pip), p.sample(pip)));
    }
}

TEST(SampledPattern, MovedFromState) {
    SampledPattern source("lift", "up", {{0, 0, 0.5}, {0, 0, 0}});
    const SampledPattern target = std::move(source);
    EXPECT_EQ(target.name(), "lift");
    EXPECT_EQ(target.info().period_pips, 2);
    EXPECT_TRUE(source.name().empty());
    EXPECT_TRUE(source.description().empty());
    EXPECT_EQ(source.info().period_pips, 0);
    EXPECT_EQ(source.info().dimensions, 3);
    try {
        source.sample(0);
        ADD_FAILURE() << "sampled a moved-from pattern";
    } catch (const std::invalid_argument&) {
        ADD_FAILURE() << "wrong exception type";
    } catch (const std::logic_error& e) {
        EXPECT_STREQ(e.what(), "Cannot sample a moved-from pattern");
    }
    std::vector<SampledPattern> input;
    input.push_back(std::move(source));
    EXPECT_EQ(message_of([&] { PatternLibrary{std::move(input)}; }), "Empty/moved-from pattern");
}

TEST(PatternLibrary, EmptyLibraryIsTheBuiltInCatalogue) {
    const PatternLibrary library;
    const std::vector<CatalogueEntry> entries = library.catalogue();
    ASSERT_EQ(entries.size(), catalogue().size());
    for (std::size_t i = 0; i < entries.size(); ++i) {
        EXPECT_EQ(entries[i].name, catalogue()[i].name);
        EXPECT_EQ(entries[i].description.data(), catalogue()[i].description.data());
        EXPECT_TRUE(same(library.sample(entries[i].name, 77), velmora::sample(entries[i].name, 77)));
    }
    EXPECT_EQ(message_of([&] { library.sample("nope", 0); }), "Unknown velmora: nope");
}

TEST(PatternLibrary, LookupAndListingFollowInputOrder) {
    std::vector<SampledPattern> input;
    input.push_back(SampledPattern("b", "second", {{0.5, 0, 0}, {-0.5, 0, 0}}));
    input.push_back(SampledPattern("a", "first", {{0, 0, 0.75}}));
    const PatternLibrary library(std::move(input));
    const std::vector<CatalogueEntry> entries = library.catalogue();
    ASSERT_EQ(entries.size(), catalogue().size() + 2);
    EXPECT_EQ(entries[entries.size() - 2].name, "b");
    EXPECT_EQ(entries[entries.size() - 2].period_pips, 2);
    EXPECT_EQ(entries[entries.size() - 2].dimensions, 1);
    EXPECT_EQ(entries.back().name, "a");
    EXPECT_EQ(entries.back().description, "first");
    EXPECT_EQ(entries.back().dimensions, 3);
    EXPECT_EQ(library.sample("b", -1).x, -0.5);
    EXPECT_EQ(library.sample("a", 123).z, 0.75);
    EXPECT_TRUE(same(library.sample("bounce", 5), bounce(5)));
    // Byte-exact names only: anything else goes on to the built-in lookup.
    EXPECT_EQ(message_of([&] { library.sample("B", 0); }), "Unknown velmora: B");
    EXPECT_EQ(message_of([&] { library.sample("b ", 0); }), "Unknown velmora: b ");
    EXPECT_EQ(message_of([&] { library.sample("bb", 0); }), "Unknown velmora: bb");
}

TEST(PatternLibrary, LookupFindsEveryNameAmongManyWithSharedTails) {
    // Names that agree in length and in their last bytes exercise the full comparison.
    std::vector<SampledPattern> input;
    for (int i = 0; i < 1024; ++i) {
        const double x = (i % 200) / 200.0;
        input.push_back(SampledPattern(numbered("p", 1000 + i, "_same_tail"), "", {{x, 0, 0}}));
    }
    const PatternLibrary library(std::move(input));
    for (int i = 0; i < 1024; ++i) {
        EXPECT_EQ(library.sample(numbered("p", 1000 + i, "_same_tail"), i).x, (i % 200) / 200.0);
    }
    EXPECT_EQ(message_of([&] { library.sample("p9999_same_tail", 0); }), "Unknown velmora: p9999_same_tail");
}

TEST(PatternLibrary, LookupFindsEveryNameWhateverTheLibrarySize) {
    // The keys are scanned in blocks: sizes below, at and past a block boundary, with
    // names that share their key scattered among names that do not.
    for (int size = 1; size <= 97; ++size) {
        std::vector<std::string> names;
        std::vector<SampledPattern> input;
        for (int i = 0; i < size; ++i) {
            names.push_back(i % 3 == 0 ? numbered("k", 100 + i, "_tail") : numbered("u", i, ""));
            input.push_back(SampledPattern(names.back(), "", {{i / 128.0, 0, 0}}));
        }
        const PatternLibrary library(std::move(input));
        for (int i = 0; i < size; ++i) {
            ASSERT_EQ(library.sample(names[static_cast<std::size_t>(i)], 7).x, i / 128.0) << size << " " << i;
        }
        EXPECT_THROW(library.sample("k999_tail", 0), UnknownPatternName) << size;
        EXPECT_THROW(library.sample("", 0), UnknownPatternName) << size;
        EXPECT_EQ(library.sample("bounce", 5).y, velmora::sample("bounce", 5).y);
    }
}

TEST(PatternLibrary, LimitsAndTheirOrder) {
    std::vector<SampledPattern> too_many;
    for (int i = 0; i < 1025; ++i) {
        too_many.push_back(pattern("same", 1024));  // duplicates, and 1,049,600 samples in all
    }
    SampledPattern moved = pattern("moved");
    SampledPattern sink = std::move(moved);
    too_many[0] = std::move(moved);
    EXPECT_EQ(message_of([&] { PatternLibrary{std::move(too_many)}; }), "Too many patterns");

    std::vector<SampledPattern> full;
    for (int i = 0; i < 1024; ++i) {
        full.push_back(pattern(numbered("p", i), 1024));
    }
    EXPECT_EQ(PatternLibrary(std::move(full)).patterns().size(), 1024u);

    auto sixteen_big_plus = [](std::size_t last) {
        std::vector<SampledPattern> input;
        for (int i = 0; i < 16; ++i) {
            input.push_back(pattern(numbered("big", i), 65535));
        }
        input.push_back(pattern("last", last));
        return input;
    };
    EXPECT_NO_THROW(PatternLibrary{sixteen_big_plus(16)});
    EXPECT_EQ(message_of([&] { PatternLibrary{sixteen_big_plus(17)}; }), "Pattern pack is too large");

    std::vector<SampledPattern> duplicate;
    duplicate.push_back(pattern("twin"));
    duplicate.push_back(pattern("other"));
    duplicate.push_back(pattern("twin"));
    EXPECT_EQ(message_of([&] { PatternLibrary{std::move(duplicate)}; }), "Duplicate pattern name: twin");
}

TEST(PatternLibrary, ExactRepetitionOfABuiltInIsDroppedButCounted) {
    const CatalogueEntry& sway_entry = builtin("sway");
    std::vector<SampledPattern> input;
    input.push_back(repeat_of(sway_entry));
    input.push_back(pattern("mine"));
    const PatternLibrary library(std::move(input));
    ASSERT_EQ(library.patterns().size(), 1u);
    EXPECT_EQ(library.patterns()[0].name(), "mine");
    const std::vector<CatalogueEntry> entries = library.catalogue();
    EXPECT_EQ(entries.size(), catalogue().size() + 1);
    EXPECT_TRUE(same(library.sample("sway", -7), sway(-7)));

    // Its name stays taken ...
    std::vector<SampledPattern> twice;
    twice.push_back(repeat_of(sway_entry));
    twice.push_back(repeat_of(sway_entry));
    EXPECT_EQ(message_of([&] { PatternLibrary{std::move(twice)}; }), "Duplicate pattern name: sway");

    // ... and its samples count towards the pack limit (16 * 65535 + 128 > 2^20).
    std::vector<SampledPattern> heavy;
    for (int i = 0; i < 16; ++i) {
        heavy.push_back(pattern(numbered("big", i), 65535));
    }
    heavy.push_back(repeat_of(sway_entry));
    EXPECT_EQ(message_of([&] { PatternLibrary{std::move(heavy)}; }), "Pattern pack is too large");
}

TEST(PatternLibrary, AnyDifferenceFromABuiltInIsRefused) {
    const CatalogueEntry& bounce_entry = builtin("bounce");
    const SampledPattern exact = repeat_of(bounce_entry);
    const std::string refused = "Cannot override default pattern: bounce";
    auto refuse = [&](SampledPattern changed) {
        std::vector<SampledPattern> input;
        input.push_back(std::move(changed));
        return message_of([&] { PatternLibrary{std::move(input)}; });
    };
    EXPECT_EQ(refuse(SampledPattern("bounce", std::string(bounce_entry.description) + " ", exact.samples())), refused);
    std::vector<Offset3> twice = exact.samples();
    twice.insert(twice.end(), exact.samples().begin(), exact.samples().end());
    EXPECT_EQ(refuse(SampledPattern("bounce", std::string(bounce_entry.description), twice)), refused);
    for (int axis = 0; axis < 3; ++axis) {
        std::vector<Offset3> changed = exact.samples();
        double& c = axis == 0 ? changed[63].x : axis == 1 ? changed[63].y : changed[63].z;
        c = std::nextafter(c, c < 0.5 ? 1.0 : -1.0);
        EXPECT_EQ(refuse(SampledPattern("bounce", std::string(bounce_entry.description), changed)), refused);
    }
    // A pre-rendered name, when the catalogue has any, follows the same rules.
    if (catalogue().size() > 15) {
        const CatalogueEntry& entry = catalogue()[15];
        std::vector<SampledPattern> input;
        input.push_back(repeat_of(entry));
        EXPECT_TRUE(PatternLibrary(std::move(input)).patterns().empty());
        EXPECT_EQ(refuse(SampledPattern(std::string(entry.name), "other", repeat_of(entry).samples())),
                  "Cannot override default pattern: " + std::string(entry.name));
    }
}

}  // namespace
}  // namespace velmora
