#include "PictureOrientation.h"
#include <utility>

namespace {

// How each orientation is undone: whether the stored rows become the shown
// columns (a quarter turn, or a mirror along a diagonal), then whether the
// stored columns, and the stored rows, are counted from their far end.
struct Turn
{
    bool swapAxes, columnsFromRight, rowsFromBottom;
};
const Turn TURNS[9] = {
    {false, false, false}, {false, false, false}, // none, and as stored
    {false, true, false},  {false, true, true},   // 2 mirrored left to right, 3 upside down
    {false, false, true},  {true, false, false},  // 4 mirrored top to bottom, 5 mirrored along the diagonal
    {true, false, true},   {true, true, true},    // 6 turned a quarter clockwise to show, 7 along the other diagonal
    {true, true, false},                          // 8 turned a quarter anticlockwise to show
};

} // namespace

// Tag 274 of the Exif directory: in a JPEG, in its APP1 segment; in a TIFF,
// in the picture's own directory. Other formats are left as stored.
int ReadOrientation(IWICMetadataQueryReader* pReader)
{
    GUID container;
    if (!pReader || FAILED(pReader->GetContainerFormat(&container)))
        return 1;
    const WCHAR* query = IsEqualGUID(container, GUID_ContainerFormatJpeg)   ? L"/app1/ifd/{ushort=274}"
                         : IsEqualGUID(container, GUID_ContainerFormatTiff) ? L"/ifd/{ushort=274}"
                                                                            : nullptr;
    PROPVARIANT value;
    PropVariantInit(&value);
    int orientation = 1;
    // the tag is a SHORT; a writer that got it wrong gets the picture as stored
    if (query && SUCCEEDED(pReader->GetMetadataByName(query, &value)) && value.vt == VT_UI2 && value.uiVal >= 1
        && value.uiVal <= 8)
        orientation = value.uiVal;
    PropVariantClear(&value);
    return orientation;
}

// Each pixel as shown read from where it is stored, into a new array: the
// picture is small by now, and turning a quarter in place would need cycles.
bool TurnAsShown(Picture& picture, int orientation)
{
    if (orientation < 2 || orientation > 8)
        return true;
    const Turn& turn = TURNS[orientation];
    SIZE stored = picture.size, shown = turn.swapAxes ? SIZE{stored.cy, stored.cx} : stored;
    HeapArray<DWORD> pixels;
    if (picture.pixels.Count() != stored.cx * stored.cy || !pixels.Allocate(shown.cx * shown.cy))
        return false;
    for (LONG y = 0; y < shown.cy; ++y)
        for (LONG x = 0; x < shown.cx; ++x) {
            LONG column = turn.swapAxes ? y : x, row = turn.swapAxes ? x : y;
            if (turn.columnsFromRight)
                column = stored.cx - 1 - column;
            if (turn.rowsFromBottom)
                row = stored.cy - 1 - row;
            pixels[y * shown.cx + x] = picture.pixels[row * stored.cx + column];
        }
    picture.pixels = std::move(pixels);
    picture.size = shown;
    if (turn.swapAxes)
        picture.original = {picture.original.cy, picture.original.cx};
    return true;
}
