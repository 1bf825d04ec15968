#include "Legibility.h"
#include <math.h>

static const COLORREF WHITE = RGB(255, 255, 255);
static const COLORREF BLACK = RGB(0, 0, 0);

// sRGB's transfer curve undone: the light a channel value stands for.
static double Linear(BYTE channel)
{
    double c = channel / 255.0;
    return c <= 0.04045 ? c / 12.92 : pow((c + 0.055) / 1.055, 2.4);
}

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
    DWORD rank = (DWORD)ceil(fraction * m_total);
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
