#include "SharedFileStream.h"
#include <new>

namespace {

// Read-only: the decoders read, seek and ask the size; the rest is refused.
class CSharedFileStream : public IStream
{
public:
    explicit CSharedFileStream(HANDLE hFile) : m_hFile(hFile) {}

    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override
    {
        *ppv = riid == IID_IUnknown || riid == IID_ISequentialStream || riid == IID_IStream ? this : nullptr;
        if (!*ppv)
            return E_NOINTERFACE;
        AddRef();
        return S_OK;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return InterlockedIncrement(&m_refs); }
    STDMETHODIMP_(ULONG) Release() override
    {
        LONG refs = InterlockedDecrement(&m_refs);
        if (!refs) {
            CloseHandle(m_hFile);
            this->~CSharedFileStream();
            HeapFree(GetProcessHeap(), 0, this);
        }
        return refs;
    }

    STDMETHODIMP Read(void* pv, ULONG cb, ULONG* pcbRead) override
    {
        DWORD read = 0;
        BOOL ok = ReadFile(m_hFile, pv, cb, &read, nullptr);
        if (pcbRead)
            *pcbRead = read;
        return !ok ? STG_E_READFAULT : read < cb ? S_FALSE : S_OK;
    }
    STDMETHODIMP Write(const void*, ULONG, ULONG*) override { return STG_E_ACCESSDENIED; }
    // STREAM_SEEK_SET, _CUR and _END are FILE_BEGIN, _CURRENT and _END
    STDMETHODIMP Seek(LARGE_INTEGER move, DWORD origin, ULARGE_INTEGER* pNew) override
    {
        LARGE_INTEGER position;
        if (origin > STREAM_SEEK_END || !SetFilePointerEx(m_hFile, move, &position, origin))
            return STG_E_INVALIDFUNCTION;
        if (pNew)
            pNew->QuadPart = position.QuadPart;
        return S_OK;
    }
    STDMETHODIMP SetSize(ULARGE_INTEGER) override { return STG_E_ACCESSDENIED; }
    STDMETHODIMP CopyTo(IStream*, ULARGE_INTEGER, ULARGE_INTEGER*, ULARGE_INTEGER*) override { return E_NOTIMPL; }
    STDMETHODIMP Commit(DWORD) override { return S_OK; }
    STDMETHODIMP Revert() override { return S_OK; }
    STDMETHODIMP LockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override { return STG_E_INVALIDFUNCTION; }
    STDMETHODIMP UnlockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override { return STG_E_INVALIDFUNCTION; }
    // no name: a caller that asks for one frees what it gets, and none is
    // freed as well
    STDMETHODIMP Stat(STATSTG* pStat, DWORD) override
    {
        ZeroMemory(pStat, sizeof *pStat);
        pStat->type = STGTY_STREAM;
        pStat->grfMode = STGM_READ | STGM_SHARE_DENY_NONE;
        LARGE_INTEGER size;
        if (!GetFileSizeEx(m_hFile, &size))
            return STG_E_ACCESSDENIED;
        pStat->cbSize.QuadPart = size.QuadPart;
        GetFileTime(m_hFile, &pStat->ctime, &pStat->atime, &pStat->mtime);
        return S_OK;
    }
    STDMETHODIMP Clone(IStream**) override { return E_NOTIMPL; }

private:
    LONG m_refs = 1;
    HANDLE m_hFile;
};

} // namespace

IStream* OpenSharedFileStream(const WCHAR* path)
{
    HANDLE hFile = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                               OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (hFile == INVALID_HANDLE_VALUE)
        return nullptr;
    // the program's heap, as everything else here: no C++ run-time allocator
    void* memory = HeapAlloc(GetProcessHeap(), 0, sizeof(CSharedFileStream));
    if (!memory) {
        CloseHandle(hFile);
        return nullptr;
    }
    return new (memory) CSharedFileStream(hFile);
}
