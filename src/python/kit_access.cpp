// The record of kit_access.hpp: the catalogue's facts as C texts, built once, and a table
// filler that calls each entry's sampler directly (no name lookup per pip).
#include "python/kit_access.hpp"

#include <string>
#include <string_view>
#include <vector>

#include "catalogue/catalogue.hpp"
#include "catalogue/prerendered.hpp"

namespace {

// The generated facts are string_views into literals that end in a NUL; texts of their
// own keep the core rows' facts alive for as long as the module.
struct FactTexts {
    std::vector<std::string> owned;
    std::vector<velmora_kit_row_facts> rows;
};

const char* c_text(std::string_view view, std::vector<std::string>& owned) {
    owned.emplace_back(view);
    return owned.back().c_str();
}

FactTexts build_facts() {
    FactTexts texts;
    const std::size_t core = velmora::core_pattern_count();
    const std::size_t count = core + velmora::prerendered::facts.size();
    texts.owned.reserve(5 * count + 2);  // never reallocated: the c_str() pointers stay valid
    texts.rows.reserve(count);
    const char* empty = c_text("", texts.owned);
    const char* core_name = c_text("core", texts.owned);
    for (std::size_t i = 0; i < core; ++i) {
        texts.rows.push_back({core_name, core_name, empty, empty, empty});
    }
    for (const velmora::prerendered::RowFacts& facts : velmora::prerendered::facts) {
        texts.rows.push_back({c_text(facts.collection, texts.owned), c_text(facts.family, texts.owned),
                              c_text(facts.groove, texts.owned), c_text(facts.groove_title, texts.owned),
                              c_text(facts.motion, texts.owned)});
    }
    return texts;
}

int fill_table(std::size_t index, std::int64_t rows, double* out) {
    const velmora::Sampler sampler = velmora::sampler_at(index);
    if (sampler == nullptr) {
        return -1;
    }
    for (std::int64_t pip = 0; pip < rows; ++pip) {
        const velmora::Offset3 at = sampler(static_cast<std::int32_t>(pip));
        out[3 * pip] = at.x;
        out[3 * pip + 1] = at.y;
        out[3 * pip + 2] = at.z;
    }
    return 0;
}

}  // namespace

extern "C" __attribute__((visibility("default"))) const velmora_kit_access_record* velmora_kit_access() {
    static const FactTexts texts = build_facts();
    static const velmora_kit_access_record record{VELMORA_KIT_ACCESS_VERSION, texts.rows.size(), texts.rows.data(),
                                                  &fill_table};
    return &record;
}
