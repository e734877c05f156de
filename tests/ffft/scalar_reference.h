// Copyright (C) 2026 Tarnwell
// SPDX-License-Identifier: GPL-3.0-or-later
// Plain scalar statement of the transform, kept only to check the optimised
// one bit for bit: every twiddle comes from the table, from an oscillator run
// literally block by block (level 13) or from its exact value (longer levels),
// and every operation is written out in order.
#pragma once

#include <cmath>
#include <cstdint>
#include <utility>
#include <vector>

namespace reference {

class ScalarFft
{
public:
    explicit ScalarFft(int length) : n(length), bits(0), work(std::size_t(length))
    {
        while ((1 << bits) < n) ++bits;
        reversal.resize(std::size_t(n));
        for (int i = 0; i < n; ++i) {
            int r = 0;
            for (int b = 0; b < bits; ++b) {
                if (i & (1 << b)) r |= 1 << (bits - 1 - b);
            }
            reversal[std::size_t(i)] = r;
        }
        for (int level = 3; level < bits; ++level) {
            std::vector<float> cosines;
            const double step = 3.1415926535897932384626433832795 / std::pow(2.0, level);
            for (int i = 0; i < (1 << (level - 1)); ++i) cosines.push_back(float(std::cos(i * step)));
            table.push_back(cosines);
        }
    }

    void forward(float* f, const float* x)
    {
        if (n == 1) {
            f[0] = x[0];
            return;
        }
        if (n == 2) {
            f[0] = x[0] + x[1];
            f[1] = x[0] - x[1];
            return;
        }
        if (n == 4) {
            f[1] = x[0] - x[2];
            f[3] = x[1] - x[3];
            float a = x[1] + x[3];
            float b = x[0] + x[2];
            f[0] = b + a;
            f[2] = b - a;
            return;
        }
        float* src = (bits % 2 == 1) ? work.data() : f;
        float* dst = (src == f) ? work.data() : f;
        for (int j = 0; j < n; j += 4) {
            const int* r = &reversal[std::size_t(j)];
            src[j + 1] = x[r[0]] - x[r[1]];
            src[j + 3] = x[r[2]] - x[r[3]];
            float s0 = x[r[0]] + x[r[1]];
            float s2 = x[r[2]] + x[r[3]];
            src[j] = s0 + s2;
            src[j + 2] = s0 - s2;
        }
        for (int j = 0; j < n; j += 8) {
            const float* s = src + j;
            float* d = dst + j;
            d[0] = s[0] + s[4];
            d[4] = s[0] - s[4];
            d[2] = s[2];
            d[6] = s[6];
            float v = (s[5] - s[7]) * 0.70710677f;
            d[1] = s[1] + v;
            d[3] = s[1] - v;
            float w = (s[5] + s[7]) * 0.70710677f;
            d[5] = w + s[3];
            d[7] = w - s[3];
        }
        // dst holds the latest result from here on; src is free to be written.
        for (int level = 3; level < bits; ++level) {
            const int m = 1 << level;
            const int h = m / 2;
            Oscillator osc(level);
            for (int c = 0; c < n; c += 2 * m) {
                const float* s1 = dst + c;
                const float* s2 = dst + c + m;
                float* d1 = src + c;
                float* d2 = src + c + m;
                d1[0] = s1[0] + s2[0];
                d2[0] = s1[0] - s2[0];
                d1[h] = s1[h];
                d2[h] = s2[h];
                osc.clear();
                for (int i = 1; i < h; ++i) {
                    float ci, si;
                    twiddle(level, i, osc, ci, si);
                    float v = s2[i] * ci - s2[h + i] * si;
                    d1[i] = s1[i] + v;
                    d1[m - i] = s1[i] - v;
                    float w = s2[i] * si + s2[h + i] * ci;
                    d2[i] = w + s1[h + i];
                    d2[m - i] = w - s1[h + i];
                }
            }
            std::swap(src, dst);
        }
    }

    void inverse(const float* f, float* x)
    {
        if (n == 1) {
            x[0] = f[0];
            return;
        }
        if (n == 2) {
            x[0] = f[0] + f[1];
            x[1] = f[0] - f[1];
            return;
        }
        if (n == 4) {
            float b0 = f[0] + f[2];
            float b2 = f[0] - f[2];
            x[0] = b0 + 2 * f[1];
            x[2] = b0 - 2 * f[1];
            x[1] = b2 + 2 * f[3];
            x[3] = b2 - 2 * f[3];
            return;
        }
        // Each step reads `in` and writes `out`; the last one writes x.
        const float* in = f;
        float* out = (bits % 2 == 1) ? work.data() : x;
        float* spare = (out == x) ? work.data() : x;
        for (int level = bits - 1; level >= 3; --level) {
            const int m = 1 << level;
            const int h = m / 2;
            Oscillator osc(level);
            for (int c = 0; c < n; c += 2 * m) {
                const float* u1 = in + c;
                const float* u2 = in + c + m;
                float* d1 = out + c;
                float* d2 = out + c + m;
                d1[0] = u1[0] + u2[0];
                d2[0] = u1[0] - u2[0];
                d1[h] = 2 * u1[h];
                d2[h] = 2 * u2[h];
                osc.clear();
                for (int i = 1; i < h; ++i) {
                    float ci, si;
                    twiddle(level, i, osc, ci, si);
                    d1[i] = u1[i] + u1[m - i];
                    d1[h + i] = u2[i] - u2[m - i];
                    float vr = u1[i] - u1[m - i];
                    float vi = u2[i] + u2[m - i];
                    d2[i] = vr * ci + vi * si;
                    d2[h + i] = vi * ci - vr * si;
                }
            }
            float* written = out;
            out = spare;
            spare = written;
            in = written;
        }
        for (int j = 0; j < n; j += 8) {
            const float* s = in + j;
            float* d = out + j;
            d[0] = s[0] + s[4];
            d[4] = s[0] - s[4];
            d[2] = 2 * s[2];
            d[6] = 2 * s[6];
            d[1] = s[1] + s[3];
            d[3] = s[5] - s[7];
            float vr = s[1] - s[3];
            float vi = s[5] + s[7];
            d[5] = (vr + vi) * 0.70710677f;
            d[7] = (vi - vr) * 0.70710677f;
        }
        for (int j = 0; j < n; j += 4) {
            const float* s = out + j;
            const int* r = &reversal[std::size_t(j)];
            float b0 = s[0] + s[2];
            float b2 = s[0] - s[2];
            float b1 = 2 * s[1];
            float b3 = 2 * s[3];
            x[r[0]] = b0 + b1;
            x[r[1]] = b0 - b1;
            x[r[2]] = b2 + b3;
            x[r[3]] = b2 - b3;
        }
    }

private:
    struct Oscillator
    {
        explicit Oscillator(int level)
        {
            const double angle = 3.1415926535897932384626433832795 / std::pow(2.0, level);
            step_c = float(std::cos(angle));
            step_s = float(std::sin(angle));
        }
        void clear()
        {
            c = 1;
            s = 0;
        }
        void step()
        {
            float nc = c * step_c - s * step_s;
            float ns = c * step_s + s * step_c;
            c = nc;
            s = ns;
        }
        float c = 1, s = 0, step_c, step_s;
    };

    void twiddle(int level, int i, Oscillator& osc, float& c, float& s) const
    {
        if (level <= 12) {
            const std::vector<float>& cosines = table[std::size_t(level - 3)];
            c = cosines[std::size_t(i)];
            s = cosines[std::size_t((1 << (level - 1)) - i)];
        } else if (level == 13) {
            osc.step();
            c = osc.c;
            s = osc.s;
        } else {
            const double step = 3.1415926535897932384626433832795 / std::pow(2.0, level);
            c = float(std::cos(i * step));
            s = float(std::sin(i * step));
        }
    }

    int n;
    int bits;
    std::vector<float> work;
    std::vector<int> reversal;
    std::vector<std::vector<float>> table;
};

} // namespace reference
