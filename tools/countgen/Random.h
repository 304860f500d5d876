// The generator's own random numbers: splitmix64 for seeding, xoshiro256** for streams, and
// samplers built only from +, -, *, / and sqrt, so a seed gives the same data with any
// compiler or standard library.
#pragma once

#include <cmath>
#include <cstdint>

namespace zl {

inline uint64_t SplitMix64(uint64_t& state) {
    uint64_t z = (state += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

class Rng {
  public:
    // A stream for (seed, a, b, c): different keys give independent streams.
    Rng(uint64_t seed, uint64_t a = 0, uint64_t b = 0, uint64_t c = 0) {
        uint64_t mix = seed;
        mix = SplitMix64(mix) ^ (a * 0xD1B54A32D192ED03ull);
        mix = SplitMix64(mix) ^ (b * 0xABC98388FB8FAC03ull);
        mix = SplitMix64(mix) ^ (c * 0x8CB92BA72F3D8DD7ull);
        for (auto& word : s_) word = SplitMix64(mix);
    }

    uint64_t Next() {
        const uint64_t result = Rotl(s_[1] * 5, 7) * 9;
        const uint64_t t = s_[1] << 17;
        s_[2] ^= s_[0];
        s_[3] ^= s_[1];
        s_[1] ^= s_[2];
        s_[0] ^= s_[3];
        s_[2] ^= t;
        s_[3] = Rotl(s_[3], 45);
        return result;
    }

    // Uniform in [0, 1).
    double Uniform() { return static_cast<double>(Next() >> 11) * 0x1.0p-53; }
    // Uniform integer in [0, n).
    int Below(int n) { return static_cast<int>(Uniform() * n); }
    // Approximately standard normal: the sum of four uniforms, rescaled.
    double Normal() {
        const double sum = Uniform() + Uniform() + Uniform() + Uniform();
        return (sum - 2.0) * 1.7320508075688772;  // sd of the sum is 1/sqrt(3)
    }
    double Normal(double mean, double sd) { return mean + sd * Normal(); }

    // Poisson-distributed count with mean lambda (Knuth's product method for small means,
    // a rounded normal for large ones).
    int Poisson(double lambda) {
        if (!(lambda > 0.0)) return 0;
        if (lambda < 20.0) {
            const double limit = ExpNeg(lambda);
            int k = 0;
            double p = Uniform();
            while (p > limit) {
                ++k;
                p *= Uniform();
            }
            return k;
        }
        const double x = lambda + std::sqrt(lambda) * Normal() + 0.5;
        return x < 0.0 ? 0 : static_cast<int>(x);
    }

  private:
    static uint64_t Rotl(uint64_t x, int k) { return (x << k) | (x >> (64 - k)); }
    // exp(-x) for 0 <= x < 20 from a short series and repeated squaring.
    static double ExpNeg(double x) {
        const double r = -x / 1024.0;
        double term = 1.0, sum = 1.0;
        for (int i = 1; i <= 8; ++i) {
            term *= r / i;
            sum += term;
        }
        for (int i = 0; i < 10; ++i) sum *= sum;
        return sum;
    }

    uint64_t s_[4];
};

}  // namespace zl
