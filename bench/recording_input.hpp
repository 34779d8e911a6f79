#pragma once
// The input of a recording at its size limit, shared by the constructor's timing and
// allocation benchmarks.

#include <cstddef>
#include <string>
#include <vector>

#include <velmora/sampled_recording.hpp>

namespace velmora::bench {

struct RecordingInput {
    std::vector<std::string> axis_names;
    std::vector<std::vector<double>> rows;
};

// As many rows of `axes` values as the limit allows, axes named a0, a1, ...
inline RecordingInput recording_at_limit(std::size_t axes) {
    RecordingInput input;
    for (std::size_t a = 0; a < axes; ++a) {
        std::string name = "a";
        name += std::to_string(a);
        input.axis_names.push_back(std::move(name));
    }
    input.rows.assign(SampledRecording::MAX_VALUES / axes, std::vector<double>(axes, 0.5));
    return input;
}

}  // namespace velmora::bench
