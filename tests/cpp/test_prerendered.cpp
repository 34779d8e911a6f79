// The pre-rendered store as linked into the module, and the generator's refusals.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <set>
#include <string>

#include "catalogue/prerendered.hpp"
#include "catalogue/prerendered_samplers.hpp"
#include "framework/pattern_row.hpp"
#include "framework/primitives.hpp"
#include "framework/drawing.hpp"
#include "framework/family_rows.hpp"
#include "framework/sha256.hpp"
#include "framework/store.hpp"

namespace {

using velmora::Offset3;
namespace gen = velmora::generator;

constexpr std::int32_t INT_MIN32 = std::numeric_limits<std::int32_t>::min();
constexpr std::int32_t INT_MAX32 = std::numeric_limits<std::int32_t>::max();

bool same(const Offset3& a, const Offset3& b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

bool has_at_most_12_decimals(double v) {
    char text[64];
    std::snprintf(text, sizeof text, "%.12f", v);
    return std::strtod(text, nullptr) == v;
}

// ---- the linked store ---------------------------------------------------------------

TEST(PrerenderedStore, EveryTableKeepsTheStoredSampleInvariants) {
    ASSERT_FALSE(velmora::prerendered::rows.empty());
    for (const velmora::PrerenderedEntry& row : velmora::prerendered::rows) {
        SCOPED_TRACE(std::string(row.name));
        const std::int32_t period = row.period_pips;
        ASSERT_GE(period, 32);
        bool any_y = false;
        bool any_z = false;
        for (std::int32_t pip = 0; pip < period; ++pip) {
            const Offset3 s = row.sampler(pip);
            for (const double v : {s.x, s.y, s.z}) {
                ASSERT_TRUE(std::isfinite(v) && v >= -1.0 && v <= 1.0) << "pip " << pip;
                ASSERT_TRUE(has_at_most_12_decimals(v)) << "pip " << pip << " value " << v;
                ASSERT_FALSE(v == 0.0 && std::signbit(v)) << "negative zero at pip " << pip;
            }
            any_y = any_y || s.y != 0.0;
            any_z = any_z || s.z != 0.0;
        }
        EXPECT_EQ(row.dimensions, any_z ? 3 : any_y ? 2 : 1);
    }
}

TEST(PrerenderedStore, SamplersWrapEveryPipLikeTheEuclideanRemainder) {
    for (const velmora::PrerenderedEntry& row : velmora::prerendered::rows) {
        SCOPED_TRACE(std::string(row.name));
        const std::int32_t period = row.period_pips;
        for (const std::int32_t pip : {INT_MIN32, INT_MIN32 + 1, -period - 1, -period, -1, period, 2 * period + 5,
                                       INT_MAX32 - period, INT_MAX32}) {
            ASSERT_TRUE(same(row.sampler(pip), row.sampler(velmora::wrap_pip(pip, period)))) << "pip " << pip;
        }
        EXPECT_TRUE(same(row.sampler(-1), row.sampler(period - 1)));
    }
    // A period that is not a power of two takes the remainder path.
    EXPECT_TRUE(same(velmora_atlas::sample_euclid_2_5(INT_MIN32), velmora_atlas::sample_euclid_2_5(32)));
    EXPECT_TRUE(same(velmora_atlas::sample_euclid_2_5(INT_MAX32), velmora_atlas::sample_euclid_2_5(127)));
    EXPECT_TRUE(same(velmora_atlas::sample_euclid_2_5(-161), velmora_atlas::sample_euclid_2_5(159)));
    EXPECT_TRUE(same(velmora_atlas::sample_euclid_2_5(0), Offset3{0.75, -0.32, 0.0}));
}

TEST(PrerenderedStore, NameIndexIsAPermutationInBytewiseOrder) {
    const auto& rows = velmora::prerendered::rows;
    const auto& index = velmora::prerendered::name_index;
    ASSERT_EQ(index.size(), rows.size());
    std::set<std::uint64_t> seen(index.begin(), index.end());
    EXPECT_EQ(seen.size(), rows.size());
    EXPECT_LT(*seen.rbegin(), rows.size());
    for (std::size_t i = 1; i < index.size(); ++i) {
        EXPECT_LT(rows[index[i - 1]].name, rows[index[i]].name);  // string_view compares bytes as unsigned
    }
}

TEST(PrerenderedStore, SamplerPointersMatchTheirRows) {
    const auto& rows = velmora::prerendered::rows;
    ASSERT_EQ(rows.front().name, "lfo_breathe");
    EXPECT_EQ(rows.front().sampler, &velmora_initial::sample_lfo_breathe);
    EXPECT_EQ(rows.front().period_pips, 256);
    EXPECT_EQ(rows.front().dimensions, 1);
}

// ---- the generator's checks ---------------------------------------------------------

std::vector<Offset3> constant_table(const gen::RenderRequest& request) {
    return std::vector<Offset3>(request.period, Offset3{0.25, 0.0, 0.0});
}

gen::PatternRow row_named(std::string name, std::uint16_t period, std::uint8_t dimensions,
                          gen::Drawing drawing = gen::Drawing(constant_table)) {
    return {gen::Collection::atlas, std::move(name), period, dimensions, "A test pattern.", std::move(drawing), "test_"};
}

std::string refusal(const gen::PatternRow& row, std::vector<Offset3> samples) {
    try {
        gen::finish_table(row, std::move(samples));
    } catch (const gen::GenerationError& error) {
        return error.what();
    }
    return "accepted";
}

TEST(GeneratorChecks, RefusesTablesThatBreakAnInvariantAndNamesThePattern) {
    const gen::PatternRow row = row_named("test_wave", 64, 1);
    const std::vector<Offset3> good(64, Offset3{0.5, 0.0, 0.0});
    EXPECT_EQ(refusal(row, good), "accepted");

    EXPECT_EQ(refusal(row, std::vector<Offset3>(63, Offset3{0.5, 0.0, 0.0})),
              "pattern test_wave: rendered 63 samples but the declared period is 64");

    std::vector<Offset3> bad = good;
    bad[7].x = std::numeric_limits<double>::quiet_NaN();
    EXPECT_NE(refusal(row, bad).find("pattern test_wave: component not finite at pip 7, x"), std::string::npos);
    bad = good;
    bad[9].x = std::numeric_limits<double>::infinity();
    EXPECT_NE(refusal(row, bad).find("not finite at pip 9"), std::string::npos);
    bad = good;
    bad[3].x = -1.0000001;
    EXPECT_NE(refusal(row, bad).find("pattern test_wave: component outside [-1, 1] at pip 3, x"), std::string::npos);

    bad = good;
    bad[5].y = 0.25;
    EXPECT_EQ(refusal(row, bad), "pattern test_wave: samples use 2 dimensions but 1 are declared");
    EXPECT_EQ(refusal(row_named("test_depth", 64, 3), good),
              "pattern test_depth: samples use 1 dimensions but 3 are declared");
}

TEST(GeneratorChecks, RoundsToTwelveDecimalsAndStoresZeroAsPositive) {
    const gen::PatternRow row = row_named("test_round", 32, 2);
    std::vector<Offset3> raw(32, Offset3{0.0, 0.0, 0.0});
    raw[0] = {0.1234567890124, -0.4e-12, -0.0};  // y rounds to -0.000000000000
    raw[1] = {1.0000000000004, 0.0, 0.0};        // within rounding of the edge: stored as 1
    raw[2] = {0.0, 2.0 / 3.0, 0.0};
    const std::vector<Offset3> table = gen::finish_table(row, raw);
    EXPECT_EQ(table[0].x, 0.123456789012);
    EXPECT_EQ(table[0].y, 0.0);
    EXPECT_FALSE(std::signbit(table[0].y));
    EXPECT_FALSE(std::signbit(table[0].z));
    EXPECT_EQ(table[1].x, 1.0);
    EXPECT_EQ(table[2].y, 0.666666666667);
}

TEST(GeneratorChecks, RendersRowsInTableOrderAndRefusesAnEmptyDrawing) {
    const gen::PatternTable table({row_named("zeta_one", 64, 1), row_named("alpha_two", 96, 1), row_named("mid_three", 64, 1)});
    const gen::RenderedStore store = gen::render_store(table);
    ASSERT_EQ(store.patterns.size(), 3u);
    EXPECT_EQ(store.catalogue_rows, 3u);
    EXPECT_EQ(store.patterns[0].row->name, "zeta_one");
    EXPECT_EQ(store.patterns[2].row->name, "mid_three");
    EXPECT_EQ(store.patterns[2].first_sample, 160u);
    EXPECT_EQ(gen::name_order(store.patterns), (std::vector<std::uint64_t>{1, 2, 0}));
    try {
        gen::render_store(gen::PatternTable({row_named("empty_one", 64, 1, gen::Drawing(gen::Renderer()))}));
        FAIL() << "an empty drawing was accepted";
    } catch (const gen::GenerationError& error) {
        EXPECT_STREQ(error.what(), "pattern empty_one: no drawing");
    }
}

TEST(GeneratorChecks, FamilyMembersAreDrawnFromTheirSuffixes) {
    std::vector<std::string> asked;
    const gen::Renderer record = [&asked](const gen::RenderRequest& request) {
        asked.emplace_back(request.suffix);
        return constant_table(request);
    };
    std::vector<gen::PatternRow> rows;
    gen::add_family(rows, {gen::Collection::atlas, "test_", "one two", gen::fixed_period(64), 1,
                           gen::shared_description("A test family.")}, record);
    gen::add_family_members(rows, {gen::Collection::atlas, "other_", "", gen::fixed_period(64), 1,
                                   gen::shared_description("Drawn one by one.")},
                            {{"plain", gen::Drawing(constant_table)}, {"with_3", gen::Drawing(record, "3")}});
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_EQ(rows[3].name, "other_with_3");
    gen::render_store(gen::PatternTable(std::move(rows)));
    EXPECT_EQ(asked, (std::vector<std::string>{"one", "two", "3"}));
    std::vector<gen::PatternRow> twice;
    EXPECT_THROW(gen::add_family_members(twice, {gen::Collection::atlas, "twice_", "one", gen::fixed_period(64), 1,
                                                 gen::shared_description("")}, {{"one", gen::Drawing(constant_table)}}),
                 std::invalid_argument);
}

TEST(GeneratorChecks, DrawingExceptionsAreReportedWithThePatternName) {
    const gen::Drawing failing([](const gen::RenderRequest& request) {
        gen::parse_numbers(request.suffix);
        return std::vector<Offset3>{};
    }, "x_3");
    try {
        gen::render_store(gen::PatternTable({row_named("weave_x_3", 64, 1, failing)}));
        FAIL() << "bad suffix accepted";
    } catch (const gen::GenerationError& error) {
        EXPECT_EQ(std::string(error.what()).rfind("pattern weave_x_3: ", 0), 0u) << error.what();
    }
}

TEST(GeneratorChecks, MetadataIsValidatedOnConstruction) {
    using Rows = std::vector<gen::PatternRow>;
    EXPECT_THROW(gen::PatternTable(Rows{row_named("same_name", 64, 1), row_named("same_name", 64, 1)}), std::invalid_argument);
    EXPECT_THROW(gen::PatternTable(Rows{row_named("abc", 64, 1)}), std::invalid_argument);
    EXPECT_THROW(gen::PatternTable(Rows{row_named("Upper_case", 64, 1)}), std::invalid_argument);
    EXPECT_THROW(gen::PatternTable(Rows{row_named("bad_period", 100, 1)}), std::invalid_argument);
    EXPECT_THROW(gen::PatternTable(Rows{row_named("bad_dimensions", 64, 4)}), std::invalid_argument);
    Rows out_of_order{row_named("late_row", 64, 1), row_named("early_row", 64, 1)};
    out_of_order[0].collection = gen::Collection::continuum;
    EXPECT_THROW(gen::PatternTable{out_of_order}, std::invalid_argument);
}

// ---- primitives ---------------------------------------------------------------------

// The standard's vectors, and lengths at the padding's block limits (55, 56, 64 bytes).
TEST(GeneratorPrimitives, Sha256MatchesTheStandardsVectors) {
    const auto hex = [](std::string_view bytes) {
        std::string text;
        for (const std::uint8_t byte : gen::sha256(bytes)) {
            char pair[3];
            std::snprintf(pair, sizeof pair, "%02x", byte);
            text += pair;
        }
        return text;
    };
    EXPECT_EQ(hex(""), "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
    EXPECT_EQ(hex("abc"), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
    EXPECT_EQ(hex("abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq"),
              "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1");
    EXPECT_EQ(hex(std::string(1000000, 'a')), "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0");
    EXPECT_EQ(hex(std::string(55, 'a')), "9f4390f8d30c2dd92ec9f095b65e2b9ae9b0a925a5258e241c9f1e910f734318");
    EXPECT_EQ(hex(std::string(56, 'a')), "b35439a4ac6f0948b6d6f9e3c6af0f5f590ce20f1bde7090ef7970686ec6738a");
    EXPECT_EQ(hex(std::string(64, 'a')), "ffe054fe7ae0cb6dc65c3af9b61d5209f439851db43d0ba5997337df154668eb");
}

TEST(GeneratorPrimitives, CyclicBumpsReachAcrossTheLoopEnd) {
    EXPECT_EQ(gen::cyclic_distance(159, 0, 160), -1.0);
    EXPECT_EQ(gen::cyclic_distance(1, 159.5, 160), 1.5);
    EXPECT_EQ(gen::cyclic_distance(80, 0, 160), 80.0);
    EXPECT_EQ(gen::raised_cosine(0.0, 24.0), 1.0);
    EXPECT_EQ(gen::raised_cosine(24.0, 24.0), 0.0);
    EXPECT_EQ(gen::raised_cosine(-30.0, 24.0), 0.0);
    const std::vector<Offset3> table = gen::render_bumps(64, {{0.0, 8.0, Offset3{1.0, 0.0, 0.0}}});
    EXPECT_EQ(table[0].x, 1.0);
    EXPECT_EQ(table[60].x, table[4].x);
    EXPECT_EQ(table[32].x, 0.0);
}

TEST(GeneratorPrimitives, KeyframeCurvesRestAtKeyframesAndHoldEqualValues) {
    const gen::KeyframeCurve curve = gen::KeyframeCurve::parse("0:0 64:-0.8 192:-0.8 256:0");
    EXPECT_EQ(curve.period(), 256.0);
    EXPECT_EQ(curve.at(0), 0.0);
    EXPECT_EQ(curve.at(64), -0.8);
    EXPECT_EQ(curve.at(100), -0.8);
    EXPECT_EQ(curve.at(32), -0.4);  // smootherstep is symmetric about the middle of a segment
    EXPECT_THROW(curve.at(256), std::out_of_range);
    EXPECT_THROW(gen::KeyframeCurve::parse("0:0 64:1 256:0.5"), std::invalid_argument);  // does not close
    EXPECT_THROW(gen::KeyframeCurve::parse("0:0 64:1 64:0 256:0"), std::invalid_argument);
    EXPECT_THROW(gen::KeyframeCurve::parse("8:0 256:0"), std::invalid_argument);
    EXPECT_THROW(gen::KeyframeCurve::parse("0:0 64 256:0"), std::invalid_argument);
}

TEST(GeneratorPrimitives, NormalisationScalesTheLargestComponentTo082) {
    const std::vector<Offset3> table = gen::normalised({{2.0, -4.0, 1.0}, {0.5, 0.0, 0.0}});
    EXPECT_EQ(table[0].y, -0.82);
    EXPECT_EQ(table[0].x, 0.41);
    EXPECT_THROW(gen::normalised({{0.0, 0.0, 0.0}}), std::domain_error);
    EXPECT_EQ(gen::parse_numbers("2_3_10"), (std::vector<int>{2, 3, 10}));
    EXPECT_THROW(gen::parse_numbers("2__3"), std::invalid_argument);
    EXPECT_THROW(gen::parse_numbers("2_"), std::invalid_argument);
}

}  // namespace
