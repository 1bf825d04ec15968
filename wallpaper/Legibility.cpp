#include "Legibility.h"

static const COLORREF WHITE = RGB(255, 255, 255);
static const COLORREF BLACK = RGB(0, 0, 0);

namespace {

// x to the power 2.4 as x squared times the fifth root of x squared, the root
// found by Newton's method from above: the program carries no library maths.
constexpr double Power2_4(double x)
{
    double square = x * x, root = 1;
    for (int i = 0; i < 40; ++i)
        root -= (root * root * root * root * root - square) / (5 * root * root * root * root);
    return square * root;
}

// sRGB's transfer curve undone for each channel value: the light it stands
// for, worked out as the program is compiled, in 65536ths (within 0.00001).
struct LinearTable
{
    WORD value[256];
    constexpr LinearTable() : value()
    {
        for (int channel = 0; channel < 256; ++channel) {
            double c = channel / 255.0;
            value[channel] = (WORD)((c <= 0.04045 ? c / 12.92 : Power2_4((c + 0.055) / 1.055)) * 65535 + 0.5);
        }
    }
};

constexpr LinearTable LINEAR;

double Linear(BYTE channel)
{
    return LINEAR.value[channel] / 65535.0;
}

} // namespace

double RelativeLuminance(COLORREF color)
{
    return 0.2126 * Linear(GetRValue(color)) + 0.7152 * Linear(GetGValue(color))
           + 0.0722 * Linear(GetBValue(color));
}

double ContrastRatio(double luminance1, double luminance2)
{
    double lighter = luminance1 > luminance2 ? luminance1 : luminance2;
    double darker = luminance1 > luminance2 ? luminance2 : luminance1;
    return (lighter + 0.05) / (darker + 0.05);
}

void LuminanceHistogram::Add(double luminance)
{
    int bin = (int)(luminance * BINS);
    m_count[bin < 0 ? 0 : bin >= BINS ? BINS - 1 : bin]++;
    m_total++;
}

double LuminanceHistogram::Percentile(double fraction) const
{
    // the rank of the wanted value among all, counted from 1
    // (rounded up; x87's extra precision leaves a tenth of 100 a hair over 10)
    double exact = fraction * m_total;
    DWORD rank = (DWORD)exact;
    if (exact - rank > 1e-6)
        ++rank;
    if (rank < 1)
        rank = 1;
    DWORD below = 0;
    for (int bin = 0; bin < BINS; ++bin) {
        below += m_count[bin];
        if (below >= rank)
            return (bin + 0.5) / BINS;
    }
    return 0;
}

COLORREF ChooseTextColor(double darkEnd, double lightEnd)
{
    double white = ContrastRatio(1.0, lightEnd);
    double black = ContrastRatio(0.0, darkEnd);
    return white >= black ? WHITE : BLACK;
}
