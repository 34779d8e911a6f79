// The groove grid's drawings: every motion of grooves/ over every groove score.
#include <string>
#include <string_view>
#include <utility>

#include "framework/registry.hpp"
#include "grooves/groove_motions.hpp"

namespace velmora::generator {

void add_groove_renderers(RendererRegistry& registry) {
    // Only grooves that already have a score get renderers; the others stay pending.
    for (const GrooveScore& score : groove_scores()) {
        for (const std::string_view motion : GROOVE_MOTIONS) {
            std::string name = "beat_" + score.key + "_" + std::string(motion);
            registry.add(std::move(name), [&score, motion](const RenderRequest&) {
                return render_groove_motion(score, motion);
            });
        }
    }
}

}  // namespace velmora::generator
