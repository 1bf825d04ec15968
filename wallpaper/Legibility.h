// How well black or white text reads on a background: WCAG 2's contrast
// ratio on sRGB relative luminance, judged on the worse of the dark and the
// light ends of what lies behind the labels.
#pragma once
#include <windows.h>

// 0 for black to 1 for white; the top byte of the colour is ignored.
double RelativeLuminance(COLORREF color);
// From 1 (no contrast) to 21 (black on white), in either order.
double ContrastRatio(double luminance1, double luminance2);

// The dark and light ends of a picture behind the labels: the 10th and 90th
// luminance percentiles, so that a few stray pixels do not decide.
const double DARK_END_FRACTION = 0.10;
const double LIGHT_END_FRACTION = 0.90;

// Luminances counted in fixed bins, without allocation. A bin is 1/1024 wide:
// near black, where the ratio is most sensitive, that is within 2% of it.
class LuminanceHistogram
{
public:
    enum { BINS = 1024 };

    void Add(double luminance);
    void Add(COLORREF color) { Add(RelativeLuminance(color)); }
    DWORD Total() const { return m_total; }
    // The luminance that at least this fraction of what was added lies at or
    // below (the middle of its bin); 0 when nothing was added.
    double Percentile(double fraction) const;

private:
    DWORD m_count[BINS] = {};
    DWORD m_total = 0;
};

// Black or white: white text's worst contrast is against the light end, black
// text's against the dark end; the better of the two worst cases wins.
COLORREF ChooseTextColor(double darkEnd, double lightEnd);
