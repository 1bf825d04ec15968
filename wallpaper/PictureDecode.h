// A picture file read small: decoded straight to at most 1024 pixels along
// its longer side, so that a 24-megapixel photograph costs little time and
// memory, through the Windows Imaging Component.
#pragma once
#include "../framework/HeapArray.h"
#include <windows.h>
#include <objidl.h>
#include <wincodec.h>

enum { MAX_DECODED_SIDE = 1024 };

// The most a picture may take decoded whole, for where its decoder cannot
// shrink it while decoding and the scaler may pull all of it through, at 4
// bytes a pixel or its own format's more: a 24-megapixel photograph still
// fits, and a 32-bit process keeps the rest of its address space.
enum { MAX_DECODED_BYTES = 128 * 1024 * 1024 };

// Rows from the top, each pixel a DWORD as a 32-bit DIB holds it (0x00RRGGBB).
struct Picture
{
    SIZE original;              // the picture's own size
    SIZE size;                  // as decoded
    HeapArray<DWORD> pixels;    // size.cx * size.cy
};

// The colour of a pixel so held.
inline COLORREF ColorOfPixel(DWORD pixel)
{
    return RGB(pixel >> 16 & 0xFF, pixel >> 8 & 0xFF, pixel & 0xFF);
}

// The size a picture is decoded at: the longer side at most maxSide, the
// shape kept, never enlarged.
SIZE DecodedSize(SIZE original, int maxSide);

// Whether a picture of this size, in a format of that many bits a pixel, may
// be decoded whole.
bool WithinDecodeBound(SIZE original, UINT bitsPerPixel);

// The most of a picture's file read into memory to be decoded: a photograph
// of 50 megapixels as a JPEG, a 4K screen's bitmap, a 36-megapixel TIFF.
enum { MAX_PICTURE_FILE_BYTES = 128 * 1024 * 1024 };

// The file read whole into memory as a stream, the file closed again; none
// where it cannot be read, or is larger than that.
IStream* OpenPictureFile(const WCHAR* path);

// The source's pixels (source.cx by source.cy, blue, green and red first in
// each of bytesPerPixel, 3 or 4), averaged into size's, read a row at a time;
// false where the source cannot be read.
bool ScaleDown(IWICBitmapSource* pSource, SIZE source, UINT bytesPerPixel, SIZE size, DWORD* pixels);

// False for a file that is missing, not a picture, in a format this Windows
// cannot decode, or too large to decode whole where it cannot be shrunk
// while decoded. The calling thread has initialised COM.
bool DecodePicture(const WCHAR* path, Picture& picture);
