#include "PictureDecode.h"
#include "PictureOrientation.h"
#include <wincodec.h>

// The frame of a decoder that can shrink a picture as it decodes it, which
// the compiler's headers leave out.
MIDL_INTERFACE("3b16811b-6a43-4ec9-b713-3d5a0c13b940")
IWICBitmapSourceTransform : public IUnknown
{
    virtual HRESULT STDMETHODCALLTYPE CopyPixels(const WICRect* prc, UINT uiWidth, UINT uiHeight,
                                                 WICPixelFormatGUID* pguidDstFormat,
                                                 WICBitmapTransformOptions dstTransform, UINT nStride,
                                                 UINT cbBufferSize, BYTE* pbBuffer) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetClosestSize(UINT* puiWidth, UINT* puiHeight) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetClosestPixelFormat(WICPixelFormatGUID* pguidDstFormat) = 0;
    virtual HRESULT STDMETHODCALLTYPE DoesSupportTransform(WICBitmapTransformOptions dstTransform,
                                                           BOOL* pfIsSupported) = 0;
};
__CRT_UUID_DECL(IWICBitmapSourceTransform, 0x3b16811b, 0x6a43, 0x4ec9, 0xb7, 0x13, 0x3d, 0x5a, 0x0c, 0x13, 0xb9, 0x40)

SIZE DecodedSize(SIZE original, int maxSide)
{
    LONG longer = original.cx > original.cy ? original.cx : original.cy;
    if (longer <= maxSide)
        return original;
    SIZE size = {(LONG)((LONGLONG)original.cx * maxSide / longer), (LONG)((LONGLONG)original.cy * maxSide / longer)};
    return {size.cx > 0 ? size.cx : 1, size.cy > 0 ? size.cy : 1};
}

bool WithinDecodeBound(SIZE original, UINT bitsPerPixel)
{
    ULONGLONG bytesPerPixel = bitsPerPixel > 32 ? (bitsPerPixel + 7) / 8 : 4;
    return original.cx > 0 && original.cy > 0
           && (ULONGLONG)original.cx * (ULONGLONG)original.cy * bytesPerPixel <= MAX_DECODED_BYTES;
}

namespace {

// Releases the interface it holds when it goes.
template <typename T>
struct Com
{
    T* p = nullptr;
    ~Com()
    {
        if (p)
            p->Release();
    }
    T* operator->() const { return p; }
};

// The formats a shrunk frame is taken in: none has a palette, which the copy
// would lose.
UINT BitsPerPixel(const WICPixelFormatGUID& format)
{
    const struct { const GUID* format; UINT bits; } FORMATS[] = {
        {&GUID_WICPixelFormat32bppBGR, 32}, {&GUID_WICPixelFormat32bppBGRA, 32},
        {&GUID_WICPixelFormat24bppBGR, 24}, {&GUID_WICPixelFormat8bppGray, 8},
    };
    for (const auto& f : FORMATS) {
        if (IsEqualGUID(*f.format, format))
            return f.bits;
    }
    return 0;
}

// The frame decoded at the size nearest the target that its decoder can
// shrink it to while decoding (Windows' JPEG decoder can, by halves; Wine's
// cannot); null where it cannot shrink it. Windows' scaler may do the same
// by itself; this does not depend on it.
IWICBitmapSource* ShrunkWhileDecoding(IWICImagingFactory* pFactory, IWICBitmapFrameDecode* pFrame, SIZE original,
                                      SIZE target)
{
    Com<IWICBitmapSourceTransform> transform;
    UINT cx = target.cx, cy = target.cy;
    WICPixelFormatGUID format = GUID_WICPixelFormat32bppBGR;
    if (FAILED(pFrame->QueryInterface(__uuidof(IWICBitmapSourceTransform), (void**)&transform.p))
        || FAILED(transform->GetClosestSize(&cx, &cy)) || cx >= (UINT)original.cx
        || !WithinDecodeBound({(LONG)cx, (LONG)cy}, 32)
        || FAILED(transform->GetClosestPixelFormat(&format)))
        return nullptr;
    UINT stride = (cx * BitsPerPixel(format) + 31) / 32 * 4;
    HeapArray<BYTE> pixels;
    IWICBitmap* pBitmap = nullptr;
    if (!stride || (ULONGLONG)stride * cy > 0x7FFFFFFF || !pixels.Allocate((int)(stride * cy))
        || FAILED(transform->CopyPixels(nullptr, cx, cy, &format, WICBitmapTransformRotate0, stride, stride * cy,
                                        pixels.Data()))
        || FAILED(pFactory->CreateBitmapFromMemory(cx, cy, format, stride, stride * cy, pixels.Data(), &pBitmap)))
        return nullptr;
    return pBitmap;
}

} // namespace

// Each pixel of size the average of the source's pixels it covers, at least
// one: a decoder whose closest size is smaller than asked leaves a source
// that is enlarged here, each of its pixels repeated. Where each column
// begins is worked out once, not for every pixel of every row.
bool ScaleDown(IWICBitmapSource* pSource, SIZE source, UINT bytesPerPixel, SIZE size, DWORD* pixels)
{
    HeapArray<BYTE> row;
    HeapArray<DWORD> sums;        // per column: blue, green, red, count
    HeapArray<LONG> columns;      // each column's first source byte, and the end
    UINT stride = source.cx * bytesPerPixel;
    if (source.cx <= 0 || source.cy <= 0 || !row.Allocate(stride) || !sums.Allocate(size.cx * 4)
        || !columns.Allocate(size.cx + 1))
        return false;
    for (LONG x = 0; x <= size.cx; ++x)
        columns[x] = (LONG)((LONGLONG)x * source.cx / size.cx) * bytesPerPixel;
    for (LONG y = 0; y < size.cy; ++y) {
        ZeroMemory(sums.Data(), size.cx * 4 * sizeof(DWORD));
        LONG sy = (LONG)((LONGLONG)y * source.cy / size.cy), end = (LONG)((LONGLONG)(y + 1) * source.cy / size.cy);
        for (end = end > sy ? end : sy + 1; sy < end; ++sy) {
            WICRect rect = {0, (INT)sy, (INT)source.cx, 1};
            if (FAILED(pSource->CopyPixels(&rect, stride, stride, row.Data())))
                return false;
            for (LONG x = 0; x < size.cx; ++x) {
                DWORD* sum = &sums[x * 4];
                LONG start = columns[x], stop = columns[x + 1] > start ? columns[x + 1] : start + (LONG)bytesPerPixel;
                for (const BYTE* pixel = &row[start]; pixel < &row[0] + stop; pixel += bytesPerPixel) {
                    sum[0] += pixel[0];
                    sum[1] += pixel[1];
                    sum[2] += pixel[2];
                    ++sum[3];
                }
            }
        }
        for (LONG x = 0; x < size.cx; ++x) {
            const DWORD* sum = &sums[x * 4];
            pixels[y * size.cx + x] = sum[2] / sum[3] << 16 | sum[1] / sum[3] << 8 | sum[0] / sum[3];
        }
    }
    return true;
}

namespace {

// The bits of a pixel in the frame's own format, which a decoder that cannot
// shrink it holds whole; 0 where it does not say.
UINT FrameBits(IWICImagingFactory* pFactory, IWICBitmapFrameDecode* pFrame)
{
    WICPixelFormatGUID format;
    Com<IWICComponentInfo> info;
    Com<IWICPixelFormatInfo> pixels;
    UINT bits = 0;
    if (FAILED(pFrame->GetPixelFormat(&format)) || FAILED(pFactory->CreateComponentInfo(format, &info.p))
        || FAILED(info->QueryInterface(__uuidof(IWICPixelFormatInfo), (void**)&pixels.p))
        || FAILED(pixels->GetBitsPerPixel(&bits)))
        return 0;
    return bits;
}

bool Decode(IWICImagingFactory* pFactory, const WCHAR* path, Picture& picture)
{
    Com<IStream> file;
    Com<IWICBitmapDecoder> decoder;
    Com<IWICBitmapFrameDecode> frame;
    UINT cx, cy;
    if (!(file.p = OpenPictureFile(path))
        || FAILED(pFactory->CreateDecoderFromStream(file.p, nullptr, WICDecodeMetadataCacheOnDemand, &decoder.p))
        || FAILED(decoder->GetFrame(0, &frame.p)) || FAILED(frame->GetSize(&cx, &cy)) || !cx || !cy
        || cx > 0x7FFFFFFF || cy > 0x7FFFFFFF)
        return false;
    picture.original = {(LONG)cx, (LONG)cy};
    picture.size = DecodedSize(picture.original, MAX_DECODED_SIDE);

    Com<IWICBitmapSource> shrunk;
    shrunk.p = ShrunkWhileDecoding(pFactory, frame.p, picture.original, picture.size);
    if (!shrunk.p && !WithinDecodeBound(picture.original, FrameBits(pFactory, frame.p)))
        return false;
    // Scaled here a row at a time: a scaler may ask its source for the whole
    // picture at once, which would hold it twice. Read as the decoder gives
    // it where that is blue, green and red bytes (a photograph, most
    // bitmaps); converted first from any other format (indexed, 16 bits,
    // CMYK), at the cost of a conversion of every pixel.
    Com<IWICFormatConverter> converter;
    IWICBitmapSource* pSource = shrunk.p ? shrunk.p : frame.p;
    WICPixelFormatGUID format;
    SIZE source;
    UINT bytes = SUCCEEDED(pSource->GetPixelFormat(&format)) ? BitsPerPixel(format) / 8 : 0;
    if (bytes != 3 && bytes != 4
        && (FAILED(pFactory->CreateFormatConverter(&converter.p))
            || FAILED(converter->Initialize(pSource, GUID_WICPixelFormat32bppBGR, WICBitmapDitherTypeNone, nullptr,
                                            0.0, WICBitmapPaletteTypeCustom))))
        return false;
    if (converter.p)
        pSource = converter.p, bytes = 4;
    if (FAILED(pSource->GetSize((UINT*)&source.cx, (UINT*)&source.cy))
        || !picture.pixels.Allocate(picture.size.cx * picture.size.cy)
        || !ScaleDown(pSource, source, bytes, picture.size, picture.pixels.Data()))
        return false;
    // Turned once it is small, as Windows shows it: a decoder hands a
    // photograph over as the camera stored it. A frame without metadata
    // (a bitmap) is shown as stored.
    Com<IWICMetadataQueryReader> metadata;
    if (FAILED(frame->GetMetadataQueryReader(&metadata.p)))
        metadata.p = nullptr;
    return TurnAsShown(picture, ReadOrientation(metadata.p));
}

} // namespace

// Read whole and let go before it is decoded, through a handle that shares
// reading, writing and deletion: the shell rewrites its copy in place, and a
// user saves over a picture, replaces it by a rename or deletes it, at any
// moment. A file rewritten during the read reads torn and fails to decode,
// and the change's own notice brings a new evaluation.
IStream* OpenPictureFile(const WCHAR* path)
{
    HANDLE hFile = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                               OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (hFile == INVALID_HANDLE_VALUE)
        return nullptr;
    LARGE_INTEGER size;
    HGLOBAL hMemory = nullptr;
    IStream* pStream = nullptr;
    DWORD read = 0;
    if (GetFileSizeEx(hFile, &size) && size.QuadPart > 0 && size.QuadPart <= MAX_PICTURE_FILE_BYTES
        && (hMemory = GlobalAlloc(GMEM_MOVEABLE, (SIZE_T)size.QuadPart))) {
        void* bytes = GlobalLock(hMemory);
        bool whole = bytes && ReadFile(hFile, bytes, size.LowPart, &read, nullptr) && read == size.LowPart;
        GlobalUnlock(hMemory);
        if (!whole || FAILED(CreateStreamOnHGlobal(hMemory, TRUE, &pStream)))
            GlobalFree(hMemory), pStream = nullptr;
    }
    CloseHandle(hFile);
    return pStream;
}

bool DecodePicture(const WCHAR* path, Picture& picture)
{
    picture.pixels.Free();
    // The Windows 7 class of the factory, which later Windows have as well.
    Com<IWICImagingFactory> factory;
    if (!path || !*path
        || FAILED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                                   __uuidof(IWICImagingFactory), (void**)&factory.p))
        || !Decode(factory.p, path, picture)) {
        picture.pixels.Free();
        return false;
    }
    return true;
}
