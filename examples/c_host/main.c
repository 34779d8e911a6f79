/* Prints where a pattern is on every frame of a few beats at a tempo, through the C API.
 *   c_host [pattern] [bpm] [beats] [fps]      (defaults: helix 120 2 8) */

#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>

#include <velmora/velmora.h>

int main(int argc, char** argv) {
    const char* pattern = argc > 1 ? argv[1] : "helix";
    const double bpm = argc > 2 ? atof(argv[2]) : 120.0;
    const double beats = argc > 3 ? atof(argv[3]) : 2.0;
    const double fps = argc > 4 ? atof(argv[4]) : 8.0;
    if (!(bpm > 0.0) || !(beats >= 0.0) || !(fps > 0.0)) {
        fprintf(stderr, "c_host: bpm and fps must be positive and beats not negative\n");
        return 2;
    }
    const double seconds = beats * 60.0 / bpm;
    const double pips_per_second = bpm / 60.0 * VELMORA_PIPS_PER_BEAT;
    for (int frame = 0; frame / fps <= seconds; ++frame) {
        const double time = frame / fps;
        /* The pip whose span holds this moment (time is never negative here, so the
         * conversion's truncation is the floor). */
        const int32_t pip = (int32_t)(time * pips_per_second);
        double at[3];
        if (velmora_sample(pattern, pip, at) != VELMORA_OK) {
            fprintf(stderr, "c_host: %s\n", velmora_last_error(NULL));
            return 1;
        }
        printf("%7.3f s  pip %5d  x %+.6f  y %+.6f  z %+.6f\n", time, (int)pip, at[0], at[1], at[2]);
    }
    return 0;
}
