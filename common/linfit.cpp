#include "linfit.h"

namespace varandel {

// Every operation here is single precision and in index order; the build forbids contraction
// into FMA and reassociation, so the result is reproducible bit for bit.
void linfit(const float* x, const float* y, std::int32_t n, float& ssq) {
    if (n <= 0) {
        ssq = 0.0f;
        return;
    }
    const float fn = static_cast<float>(n);
    float sx = 0.0f;
    for (std::int32_t i = 0; i < n; ++i) sx += x[i];
    const float xmean = sx / fn;
    float sy = 0.0f;
    for (std::int32_t i = 0; i < n; ++i) sy += y[i];
    const float ymean = sy / fn;
    float sxy = 0.0f;
    for (std::int32_t i = 0; i < n; ++i) sxy += (x[i] - xmean) * (y[i] - ymean);
    float sxx = 0.0f;
    for (std::int32_t i = 0; i < n; ++i) {
        const float d = x[i] - xmean;
        sxx += d * d;
    }
    const float b = sxy / sxx;
    const float a = ymean - xmean * b;
    float s = 0.0f;
    for (std::int32_t i = 0; i < n; ++i) {
        const float r = (y[i] - a) - b * x[i];
        s += r * r;
    }
    ssq = s;
}

} // namespace varandel
