#include "catalogue/prerendered.hpp"

namespace velmora::prerendered {

const std::span<const PrerenderedEntry> rows{};
const std::span<const std::uint64_t> name_index{};

}  // namespace velmora::prerendered
