// PatternLibrary from packs built out of fuzzer bytes: new names, repeated names, built-in
// names with exact and near repeats of the built-in pattern, moved-from patterns, packs
// near the count and sample limits. The outcome is checked against the rules written out
// here, and a built library must answer every lookup as its patterns and the catalogue say.

#include <cstdint>
#include <optional>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "catalogue/catalogue.hpp"
#include "fuzz_support.hpp"
#include <velmora/pattern_library.hpp>
#include <velmora/sampled_pattern.hpp>

namespace {

using namespace velmora;
using namespace velmora::fuzz;

struct Candidate {
    std::string name;
    std::string description;
    std::vector<Offset3> samples;  // empty: a moved-from pattern
};

std::vector<Offset3> builtin_samples(const CatalogueEntry& entry) {
    std::vector<Offset3> samples;
    for (std::int32_t pip = 0; pip < entry.period_pips; ++pip) {
        samples.push_back(sample(entry.name, pip));
    }
    return samples;
}

std::string identifier(FuzzedDataProvider& in) {
    std::string name = pick_name(in);
    return reference_identifier(name) ? name : "p" + std::to_string(in.ConsumeIntegral<std::uint16_t>());
}

Candidate pick_candidate(FuzzedDataProvider& in, const std::vector<Candidate>& so_far) {
    const std::vector<CatalogueEntry>& builtins = catalogue();
    Candidate c;
    switch (in.ConsumeIntegral<std::uint8_t>() % 10) {
        case 0:
        case 1: {  // a built-in name: an exact repeat, or one thing changed
            const CatalogueEntry& entry = builtins[in.ConsumeIntegralInRange<std::size_t>(0, builtins.size() - 1)];
            c.name = std::string(entry.name);
            c.description = std::string(entry.description);
            c.samples = builtin_samples(entry);
            switch (in.ConsumeIntegral<std::uint8_t>() % 5) {
                case 0: c.description += ' '; break;
                case 1: c.samples.push_back(c.samples.front()); break;
                case 2: {
                    Offset3& s = c.samples[in.ConsumeIntegralInRange<std::size_t>(0, c.samples.size() - 1)];
                    s.x = s.x == 0.0 ? 0.5 : -s.x;
                    break;
                }
                default: break;  // exact repeat
            }
            return c;
        }
        case 2:  // a name already in the pack
            if (!so_far.empty()) {
                c.name = so_far[in.ConsumeIntegralInRange<std::size_t>(0, so_far.size() - 1)].name;
            } else {
                c.name = identifier(in);
            }
            break;
        case 3:  // moved-from
            c.name = identifier(in);
            return c;
        default:
            c.name = identifier(in);
            break;
    }
    c.description = in.ConsumeRandomLengthString(16);
    const bool large = in.ConsumeIntegral<std::uint8_t>() >= 248;
    const std::size_t count = large ? in.ConsumeIntegralInRange<std::size_t>(60000, 65535)
                                    : in.ConsumeIntegralInRange<std::size_t>(1, 32);
    const double level = static_cast<double>(in.ConsumeIntegralInRange<int>(-8, 8)) / 8.0;
    c.samples.assign(count, Offset3{level, 0.0, 0.0});
    c.samples[count - 1] = Offset3{0.0, level, in.ConsumeBool() ? level : 0.0};
    return c;
}

// The first broken rule, in input order, or nothing for an accepted pack.
std::optional<std::string> expected_outcome(const std::vector<Candidate>& pack, std::vector<std::size_t>& stored) {
    if (pack.size() > 1024) {
        return "Too many patterns";
    }
    std::set<std::string> seen;
    std::uint64_t total = 0;
    for (std::size_t i = 0; i < pack.size(); ++i) {
        const Candidate& c = pack[i];
        if (c.samples.empty()) {
            return "Empty/moved-from pattern";
        }
        if (!seen.insert(c.name).second) {
            return "Duplicate pattern name: " + c.name;
        }
        total += c.samples.size();
        if (total > (1u << 20)) {
            return "Pattern pack is too large";
        }
        const CatalogueEntry* builtin = nullptr;
        for (const CatalogueEntry& entry : catalogue()) {
            if (entry.name == c.name) {
                builtin = &entry;
            }
        }
        if (builtin != nullptr) {
            bool repeat = c.description == builtin->description && c.samples.size() == builtin->period_pips;
            for (std::size_t pip = 0; repeat && pip < c.samples.size(); ++pip) {
                const Offset3 b = sample(builtin->name, static_cast<std::int32_t>(pip));
                const Offset3 u = c.samples[pip];
                repeat = u.x == b.x && u.y == b.y && u.z == b.z;
            }
            if (!repeat) {
                return "Cannot override default pattern: " + c.name;
            }
            continue;
        }
        stored.push_back(i);
    }
    return std::nullopt;
}

void check_library(const PatternLibrary& library, const std::vector<Candidate>& pack,
                   const std::vector<std::size_t>& stored, FuzzedDataProvider& in) {
    const std::vector<CatalogueEntry>& builtins = catalogue();
    const std::vector<CatalogueEntry> entries = library.catalogue();
    require(entries.size() == builtins.size() + stored.size(), "catalogue is built-ins plus stored patterns");
    for (std::size_t i = 0; i < stored.size(); ++i) {
        const Candidate& c = pack[stored[i]];
        const CatalogueEntry& entry = entries[builtins.size() + i];
        require(entry.name == c.name && entry.description == c.description, "stored order and strings", c.name);
        require(entry.period_pips == c.samples.size(), "stored period", c.name);
        const std::int32_t pip = interesting_pip(in);
        const Offset3 expected = c.samples[static_cast<std::size_t>(wrap_pip(pip, entry.period_pips))];
        require(same_bits(library.sample(c.name, pip), expected), "user lookup at the wrapped pip", c.name);
    }
    const CatalogueEntry& builtin = builtins[in.ConsumeIntegralInRange<std::size_t>(0, builtins.size() - 1)];
    const std::int32_t pip = interesting_pip(in);
    require(same_bits(library.sample(builtin.name, pip), sample(builtin.name, pip)), "built-in lookup", builtin.name);
    const std::string stranger = in.ConsumeRandomLengthString(140);
    bool known = false;
    for (const CatalogueEntry& entry : entries) {
        known = known || entry.name == stranger;
    }
    if (!known) {
        try {
            library.sample(stranger, pip);
            fail("an unknown name is refused", stranger);
        } catch (const UnknownPatternName& error) {
            require(error.message() == "Unknown velmora: " + stranger, "unknown-name message", stranger);
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider in(data, size);
    const std::uint8_t shape = in.ConsumeIntegral<std::uint8_t>();
    const std::size_t count = shape >= 248 ? in.ConsumeIntegralInRange<std::size_t>(1020, 1030)
                                        : in.ConsumeIntegralInRange<std::size_t>(0, 24);
    std::vector<Candidate> pack;
    pack.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        pack.push_back(pick_candidate(in, pack));
    }
    std::vector<std::size_t> stored;
    const std::optional<std::string> expected = expected_outcome(pack, stored);

    std::vector<SampledPattern> input;
    input.reserve(pack.size());
    for (const Candidate& c : pack) {
        if (c.samples.empty()) {
            SampledPattern donor(c.name, c.description, {Offset3{0.0, 0.0, 0.0}});
            SampledPattern taken = std::move(donor);
            input.push_back(donor);  // the moved-from shell, copied as it is
        } else {
            input.emplace_back(c.name, c.description, c.samples);
        }
    }
    try {
        const PatternLibrary library(std::move(input));
        require(!expected.has_value(), "accepted only when every rule holds", expected.value_or(""));
        check_library(library, pack, stored, in);
    } catch (const std::invalid_argument& error) {
        require(expected.has_value(), "refused only when a rule is broken", error.what());
        require(error.what() == *expected, "message of the first broken rule", error.what());
    }
    return 0;
}
