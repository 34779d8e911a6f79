#include "framework/primitives.hpp"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>
#include <string>

namespace velmora::generator {

double round_to_12_decimals(double value) {
    // glibc prints the correctly rounded decimal and strtod returns the nearest double.
    char text[64];
    std::snprintf(text, sizeof text, "%.12f", value);
    const double rounded = std::strtod(text, nullptr);
    return rounded == 0.0 ? 0.0 : rounded;
}

double phase_angle(double pip, double period) noexcept {
    return TWO_PI * (pip / period);
}

std::vector<Offset3> trace(std::uint32_t period, const Curve& curve) {
    std::vector<Offset3> samples;
    samples.reserve(period);
    for (std::uint32_t pip = 0; pip < period; ++pip) {
        samples.push_back(curve(phase_angle(pip, period)));
    }
    return samples;
}

double peak_magnitude(const std::vector<Offset3>& samples) noexcept {
    double peak = 0.0;
    for (const Offset3& s : samples) {
        peak = std::fmax(peak, std::fmax(std::fabs(s.x), std::fmax(std::fabs(s.y), std::fabs(s.z))));
    }
    return peak;
}

void scale_to_peak(std::vector<Offset3>& samples, double raw_peak) {
    if (!(raw_peak > 0.0) || !std::isfinite(raw_peak)) {
        throw std::domain_error("cannot normalise a shape whose peak is " + std::to_string(raw_peak));
    }
    const double scale = NORMALISED_PEAK / raw_peak;
    for (Offset3& s : samples) {
        s = {s.x * scale, s.y * scale, s.z * scale};
    }
}

std::vector<Offset3> normalised(std::vector<Offset3> samples) {
    scale_to_peak(samples, peak_magnitude(samples));
    return samples;
}

std::vector<Offset3> normalised_over_fine_grid(std::uint32_t period, const Curve& curve, std::uint32_t fine_points) {
    std::vector<Offset3> samples = trace(period, curve);
    scale_to_peak(samples, peak_magnitude(trace(fine_points, curve)));
    return samples;
}

double cyclic_distance(double pip, double onset, double period) noexcept {
    double distance = std::fmod(pip - onset, period);
    if (distance > period / 2) {
        distance -= period;
    } else if (distance <= -period / 2) {
        distance += period;
    }
    return distance;
}

double raised_cosine(double distance, double half_width) noexcept {
    if (!(std::fabs(distance) < half_width)) {
        return 0.0;
    }
    return (1.0 + std::cos(PI * distance / half_width)) / 2.0;
}

std::vector<Offset3> render_bumps(std::uint32_t period, const std::vector<Bump>& bumps) {
    std::vector<Offset3> samples(period, Offset3{0.0, 0.0, 0.0});
    for (std::uint32_t pip = 0; pip < period; ++pip) {
        Offset3& s = samples[pip];
        for (const Bump& bump : bumps) {
            const double weight = raised_cosine(cyclic_distance(pip, bump.onset, period), bump.half_width);
            if (weight != 0.0) {
                s.x += bump.amplitude.x * weight;
                s.y += bump.amplitude.y * weight;
                s.z += bump.amplitude.z * weight;
            }
        }
    }
    return samples;
}

double smootherstep(double t) noexcept {
    return t * t * t * (6.0 * t * t - 15.0 * t + 10.0);
}

KeyframeCurve::KeyframeCurve(std::vector<Keyframe> keyframes) : keyframes_(std::move(keyframes)) {
    if (keyframes_.size() < 2) {
        throw std::invalid_argument("a keyframe curve needs at least two keyframes");
    }
    if (keyframes_.front().pip != 0.0) {
        throw std::invalid_argument("a keyframe curve starts at pip 0");
    }
    for (std::size_t i = 1; i < keyframes_.size(); ++i) {
        if (!(keyframes_[i].pip > keyframes_[i - 1].pip)) {
            throw std::invalid_argument("keyframe pips must increase strictly");
        }
    }
    if (keyframes_.back().value != keyframes_.front().value) {
        throw std::invalid_argument("a keyframe curve must end on its first value to close the loop");
    }
}

KeyframeCurve KeyframeCurve::parse(std::string_view text) {
    std::vector<Keyframe> keyframes;
    std::size_t position = 0;
    while (position < text.size()) {
        if (text[position] == ' ') {
            ++position;
            continue;
        }
        const std::size_t end = std::min(text.find(' ', position), text.size());
        const std::string item(text.substr(position, end - position));
        const std::size_t colon = item.find(':');
        if (colon == std::string::npos) {
            throw std::invalid_argument("keyframe without a colon: " + item);
        }
        char* pip_end = nullptr;
        char* value_end = nullptr;
        const double pip = std::strtod(item.c_str(), &pip_end);
        const double value = std::strtod(item.c_str() + colon + 1, &value_end);
        if (pip_end != item.c_str() + colon || value_end != item.c_str() + item.size()) {
            throw std::invalid_argument("malformed keyframe: " + item);
        }
        keyframes.push_back({pip, value});
        position = end;
    }
    return KeyframeCurve(std::move(keyframes));
}

double KeyframeCurve::at(double pip) const {
    if (!(pip >= 0.0 && pip < period())) {
        throw std::out_of_range("keyframe curve evaluated outside its loop at pip " + std::to_string(pip));
    }
    std::size_t next = 1;
    while (keyframes_[next].pip <= pip) {
        ++next;
    }
    const Keyframe& from = keyframes_[next - 1];
    const Keyframe& to = keyframes_[next];
    return from.value + (to.value - from.value) * smootherstep((pip - from.pip) / (to.pip - from.pip));
}

std::vector<int> parse_numbers(std::string_view suffix) {
    std::vector<int> numbers;
    std::size_t position = 0;
    while (true) {
        const std::size_t end = std::min(suffix.find('_', position), suffix.size());
        int value = 0;
        const auto [stop, error] = std::from_chars(suffix.data() + position, suffix.data() + end, value);
        if (end == position || error != std::errc() || stop != suffix.data() + end) {
            throw std::invalid_argument("expected numbers separated by underscores, got " + std::string(suffix));
        }
        numbers.push_back(value);
        if (end == suffix.size()) {
            return numbers;
        }
        position = end + 1;
    }
}

}  // namespace velmora::generator
