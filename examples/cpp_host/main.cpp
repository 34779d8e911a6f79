// Prints where a pattern is on every frame of a few beats at a tempo.
//   cpp_host [pattern] [bpm] [beats] [fps]      (defaults: helix 120 2 8)

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>

#include <velmora/velmora.hpp>

int main(int argc, char** argv) {
    const std::string pattern = argc > 1 ? argv[1] : "helix";
    const double bpm = argc > 2 ? std::atof(argv[2]) : 120.0;
    const double beats = argc > 3 ? std::atof(argv[3]) : 2.0;
    const double fps = argc > 4 ? std::atof(argv[4]) : 8.0;
    if (!(bpm > 0.0) || !(beats >= 0.0) || !(fps > 0.0)) {
        std::fprintf(stderr, "cpp_host: bpm and fps must be positive and beats not negative\n");
        return 2;
    }
    const double seconds = beats * 60.0 / bpm;
    const double pips_per_second = bpm / 60.0 * velmora::PIPS_PER_BEAT;
    try {
        for (int frame = 0; frame / fps <= seconds; ++frame) {
            const double time = frame / fps;
            // The pip whose span holds this moment.
            const auto pip = static_cast<std::int32_t>(std::floor(time * pips_per_second));
            const velmora::Offset3 at = velmora::sample(pattern, pip);
            std::printf("%7.3f s  pip %5d  x %+.6f  y %+.6f  z %+.6f\n", time, pip, at.x, at.y, at.z);
        }
    } catch (const std::exception& error) {
        std::fprintf(stderr, "cpp_host: %s\n", error.what());
        return 1;
    }
    return 0;
}
