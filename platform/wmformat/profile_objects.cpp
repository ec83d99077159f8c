// Profile manager, profile and stream configuration objects over the parsed profile text. Each
// stream configuration a profile hands out is a copy: changes reach the profile only through
// ReconfigStream or AddStream, as with the system's runtime.
#include "platform/wmformat/profile_objects.h"

#include "platform/dshow/com_ptr.h"

#include <dshow.h>
#include <mmreg.h>
#include <uuids.h>

#include <cstring>
#include <memory>
#include <new>
#include <vector>

namespace wmformat {

namespace {

using dshow::ComPtr;

// The caller's buffer is too small (the length needed is given back).
constexpr HRESULT kBufferTooSmall = static_cast<HRESULT>(0xC00D07D2);

GUID ToGuid(const Guid& g) {
    GUID out;
    out.Data1 = g.data1;
    out.Data2 = g.data2;
    out.Data3 = g.data3;
    memcpy(out.Data4, g.data4, 8);
    return out;
}
Guid FromGuid(const GUID& g) {
    Guid out;
    out.data1 = g.Data1;
    out.data2 = g.Data2;
    out.data3 = g.Data3;
    memcpy(out.data4, g.Data4, 8);
    return out;
}

// Copies a name into a caller's buffer of *length characters (with the null); with a null
// buffer only the length needed is given.
template <class Count> HRESULT GiveName(const std::string& utf8, WCHAR* buffer, Count* length) {
    if (!length)
        return E_POINTER;
    const std::u16string name = ToUtf16(utf8);
    const size_t needed = name.size() + 1;
    if (!buffer) {
        *length = static_cast<Count>(needed);
        return S_OK;
    }
    if (*length < needed) {
        *length = static_cast<Count>(needed);
        return kBufferTooSmall;
    }
    memcpy(buffer, name.c_str(), needed * sizeof(WCHAR));
    *length = static_cast<Count>(needed);
    return S_OK;
}

std::string TakeName(const WCHAR* text) {
    return text ? ToUtf8(reinterpret_cast<const char16_t*>(text)) : std::string();
}

// A name given to a setter that needs one.
HRESULT KeepName(const WCHAR* text, std::string* into) {
    if (!text)
        return E_POINTER;
    *into = TakeName(text);
    return S_OK;
}

// A value handed to a getter's out parameter.
template <class T, class V> HRESULT GiveValue(T* out, const V& value) {
    if (!out)
        return E_POINTER;
    *out = static_cast<T>(value);
    return S_OK;
}

// The COM plumbing of the runtime's objects: QueryInterface over the interfaces listed (the
// first one also answers for IUnknown), and a reference count that deletes the object with
// its last reference. Objects are created with one reference.
template <class Primary, class... Others> class ComObject : public Primary, public Others... {
public:
    STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
        if (!out)
            return E_POINTER;
        *out = nullptr;
        if (iid == IID_IUnknown || iid == __uuidof(Primary))
            *out = static_cast<Primary*>(this);
        ((!*out && iid == __uuidof(Others) ? (void)(*out = static_cast<Others*>(this)) : (void)0), ...);
        if (!*out)
            return E_NOINTERFACE;
        AddRef();
        return S_OK;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&m_refs)); }
    STDMETHODIMP_(ULONG) Release() override {
        const LONG n = InterlockedDecrement(&m_refs);
        if (n == 0)
            delete this;
        return static_cast<ULONG>(n);
    }

protected:
    virtual ~ComObject() = default;

private:
    volatile LONG m_refs = 1;
};

// The format block of a stream's media type.
std::vector<BYTE> FormatBlock(const ProfileStream& s, GUID* formatType) {
    std::vector<BYTE> block;
    if (s.IsAudio()) {
        *formatType = FORMAT_WaveFormatEx;
        block.resize(sizeof(WAVEFORMATEX) + s.audio.codecData.size());
        auto* w = reinterpret_cast<WAVEFORMATEX*>(block.data());
        w->wFormatTag = s.audio.formatTag;
        w->nChannels = s.audio.channels;
        w->nSamplesPerSec = s.audio.samplesPerSec;
        w->nAvgBytesPerSec = s.audio.avgBytesPerSec;
        w->nBlockAlign = s.audio.blockAlign;
        w->wBitsPerSample = s.audio.bitsPerSample;
        w->cbSize = static_cast<WORD>(s.audio.codecData.size());
        if (!s.audio.codecData.empty())
            memcpy(block.data() + sizeof(WAVEFORMATEX), s.audio.codecData.data(), s.audio.codecData.size());
    } else {
        *formatType = FORMAT_VideoInfo;
        block.resize(sizeof(VIDEOINFOHEADER));
        auto* v = reinterpret_cast<VIDEOINFOHEADER*>(block.data());
        v->rcSource = RECT{0, 0, s.video.width, s.video.height};
        v->rcTarget = v->rcSource;
        v->dwBitRate = s.video.bitRate;
        v->AvgTimePerFrame = s.video.avgTimePerFrame;
        v->bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        v->bmiHeader.biWidth = s.video.width;
        v->bmiHeader.biHeight = s.video.height;
        v->bmiHeader.biPlanes = 1;
        v->bmiHeader.biBitCount = s.video.bitCount;
        v->bmiHeader.biCompression = s.video.compression;
    }
    return block;
}

class StreamConfig final : public ComObject<IWMStreamConfig, IWMMediaProps> {
public:
    explicit StreamConfig(const ProfileStream& s) : m_stream(s) {}
    const ProfileStream& Stream() const { return m_stream; }

    // IWMStreamConfig
    STDMETHODIMP GetStreamType(GUID* type) override { return GiveValue(type, ToGuid(m_stream.majorType)); }
    STDMETHODIMP GetStreamNumber(WORD* number) override { return GiveValue(number, m_stream.number); }
    STDMETHODIMP SetStreamNumber(WORD number) override {
        if (number < 1 || number > 63)
            return E_INVALIDARG;
        m_stream.number = number;
        return S_OK;
    }
    STDMETHODIMP GetStreamName(WCHAR* name, WORD* length) override {
        return GiveName(m_stream.name, name, length);
    }
    STDMETHODIMP SetStreamName(LPCWSTR_WMSDK_TYPE_SAFE name) override {
        m_stream.name = TakeName(name);
        return S_OK;
    }
    STDMETHODIMP GetConnectionName(WCHAR* name, WORD* length) override {
        return GiveName(m_stream.connection, name, length);
    }
    STDMETHODIMP SetConnectionName(LPCWSTR_WMSDK_TYPE_SAFE name) override {
        m_stream.connection = TakeName(name);
        return S_OK;
    }
    STDMETHODIMP GetBitrate(DWORD* bits) override { return GiveValue(bits, m_stream.bitRate); }
    STDMETHODIMP SetBitrate(DWORD bits) override {
        if (bits == 0)
            return E_INVALIDARG;
        m_stream.bitRate = bits;
        return S_OK;
    }
    STDMETHODIMP GetBufferWindow(DWORD* ms) override { return GiveValue(ms, m_stream.bufferWindow); }
    STDMETHODIMP SetBufferWindow(DWORD ms) override {
        m_stream.bufferWindow = ms;
        return S_OK;
    }

    // IWMMediaProps
    STDMETHODIMP GetType(GUID* type) override { return GetStreamType(type); }
    STDMETHODIMP GetMediaType(WM_MEDIA_TYPE* type, DWORD* size) override {
        if (!size)
            return E_POINTER;
        GUID formatType;
        const std::vector<BYTE> block = FormatBlock(m_stream, &formatType);
        const DWORD needed = static_cast<DWORD>(sizeof(WM_MEDIA_TYPE) + block.size());
        if (!type) {
            *size = needed;
            return S_OK;
        }
        if (*size < needed) {
            *size = needed;
            return kBufferTooSmall;
        }
        // The format block follows the structure in the caller's buffer.
        type->majortype = ToGuid(m_stream.majorType);
        type->subtype = ToGuid(m_stream.subtype);
        type->bFixedSizeSamples = m_stream.fixedSizeSamples;
        type->bTemporalCompression = m_stream.temporalCompression;
        type->lSampleSize = m_stream.sampleSize;
        type->formattype = formatType;
        type->pUnk = nullptr;
        type->cbFormat = static_cast<ULONG>(block.size());
        type->pbFormat = reinterpret_cast<BYTE*>(type + 1);
        memcpy(type->pbFormat, block.data(), block.size());
        *size = needed;
        return S_OK;
    }
    STDMETHODIMP SetMediaType(WM_MEDIA_TYPE* type) override {
        if (!type || !type->pbFormat)
            return E_POINTER;
        if (FromGuid(type->majortype) != m_stream.majorType)
            return NS_E_INVALID_STREAM; // a stream keeps its kind
        ProfileStream s = m_stream;
        if (s.IsAudio()) {
            if (type->formattype != FORMAT_WaveFormatEx || type->cbFormat < sizeof(WAVEFORMATEX))
                return E_INVALIDARG;
            const auto* w = reinterpret_cast<const WAVEFORMATEX*>(type->pbFormat);
            if (w->nChannels == 0 || w->nSamplesPerSec == 0 || w->nAvgBytesPerSec == 0 ||
                w->nBlockAlign == 0 || sizeof(WAVEFORMATEX) + w->cbSize > type->cbFormat)
                return E_INVALIDARG;
            s.audio.formatTag = w->wFormatTag;
            s.audio.channels = w->nChannels;
            s.audio.samplesPerSec = w->nSamplesPerSec;
            s.audio.avgBytesPerSec = w->nAvgBytesPerSec;
            s.audio.blockAlign = w->nBlockAlign;
            s.audio.bitsPerSample = w->wBitsPerSample;
            s.audio.codecData.assign(type->pbFormat + sizeof(WAVEFORMATEX),
                                     type->pbFormat + sizeof(WAVEFORMATEX) + w->cbSize);
        } else {
            if (type->formattype != FORMAT_VideoInfo || type->cbFormat < sizeof(VIDEOINFOHEADER))
                return E_INVALIDARG;
            const auto* v = reinterpret_cast<const VIDEOINFOHEADER*>(type->pbFormat);
            const LONG height = v->bmiHeader.biHeight < 0 ? -v->bmiHeader.biHeight : v->bmiHeader.biHeight;
            if (v->bmiHeader.biWidth < 16 || height < 16 || v->bmiHeader.biWidth % 2 || height % 2)
                return E_INVALIDARG;
            s.video.width = v->bmiHeader.biWidth;
            s.video.height = height;
            s.video.bitRate = v->dwBitRate;
            s.video.avgTimePerFrame = v->AvgTimePerFrame;
            s.video.bitCount = v->bmiHeader.biBitCount;
            s.video.compression = v->bmiHeader.biCompression;
        }
        s.subtype = FromGuid(type->subtype);
        s.fixedSizeSamples = type->bFixedSizeSamples != FALSE;
        s.temporalCompression = type->bTemporalCompression != FALSE;
        s.sampleSize = type->lSampleSize;
        m_stream = s;
        return S_OK;
    }

private:
    ~StreamConfig() override = default;
    ProfileStream m_stream;
};

// The stream description of a configuration: ours directly, another runtime's through its
// interfaces (so a profile takes streams from either).
bool Describe(IWMStreamConfig* config, ProfileStream* s) {
    ComPtr<IWMMediaProps> props;
    GUID major;
    WORD number = 0;
    DWORD bits = 0, window = 0, size = 0;
    if (FAILED(config->GetStreamType(&major)) || FAILED(config->GetStreamNumber(&number)) ||
        FAILED(config->GetBitrate(&bits)) || FAILED(config->GetBufferWindow(&window)) ||
        FAILED(config->QueryInterface(__uuidof(IWMMediaProps), reinterpret_cast<void**>(props.Put()))) ||
        FAILED(props->GetMediaType(nullptr, &size)) || size < sizeof(WM_MEDIA_TYPE))
        return false;
    std::vector<BYTE> buffer(size);
    auto* type = reinterpret_cast<WM_MEDIA_TYPE*>(buffer.data());
    if (FAILED(props->GetMediaType(type, &size)))
        return false;
    ProfileStream d;
    d.majorType = FromGuid(major);
    if (!d.IsAudio() && !d.IsVideo())
        return false;
    d.number = number;
    d.bitRate = bits;
    d.bufferWindow = window;
    auto name = [&](HRESULT (STDMETHODCALLTYPE IWMStreamConfig::*get)(WCHAR*, WORD*), std::string* out) {
        WORD length = 0;
        if (FAILED((config->*get)(nullptr, &length)) || length == 0)
            return;
        std::vector<WCHAR> text(length + 1u, 0);
        if (SUCCEEDED((config->*get)(text.data(), &length)))
            *out = TakeName(text.data());
    };
    name(&IWMStreamConfig::GetStreamName, &d.name);
    name(&IWMStreamConfig::GetConnectionName, &d.connection);
    auto* ours = new (std::nothrow) StreamConfig(d);
    if (!ours)
        return false;
    const bool ok = SUCCEEDED(ours->SetMediaType(type));
    if (ok)
        *s = ours->Stream();
    ours->Release();
    return ok;
}

class Profile final : public ComObject<IWMProfile> {
public:
    Profile(WMT_VERSION version, ProfileText text) : m_version(version), m_text(std::move(text)) {}

    STDMETHODIMP GetVersion(WMT_VERSION* version) override { return GiveValue(version, m_version); }
    STDMETHODIMP GetName(WCHAR* name, DWORD* length) override { return GiveName(m_text.name, name, length); }
    STDMETHODIMP SetName(const WCHAR* name) override { return KeepName(name, &m_text.name); }
    STDMETHODIMP GetDescription(WCHAR* text, DWORD* length) override {
        return GiveName(m_text.description, text, length);
    }
    STDMETHODIMP SetDescription(const WCHAR* text) override { return KeepName(text, &m_text.description); }
    STDMETHODIMP GetStreamCount(DWORD* count) override { return GiveValue(count, m_text.streams.size()); }
    STDMETHODIMP GetStream(DWORD index, IWMStreamConfig** config) override {
        if (!config)
            return E_POINTER;
        *config = nullptr;
        if (index >= m_text.streams.size())
            return E_INVALIDARG;
        return Give(m_text.streams[index], config);
    }
    STDMETHODIMP GetStreamByNumber(WORD number, IWMStreamConfig** config) override {
        if (!config)
            return E_POINTER;
        *config = nullptr;
        const int i = Find(number);
        return i < 0 ? NS_E_INVALID_STREAM : Give(m_text.streams[static_cast<size_t>(i)], config);
    }
    STDMETHODIMP RemoveStream(IWMStreamConfig* config) override {
        WORD number = 0;
        if (!config)
            return E_POINTER;
        if (FAILED(config->GetStreamNumber(&number)))
            return E_INVALIDARG;
        return RemoveStreamByNumber(number);
    }
    STDMETHODIMP RemoveStreamByNumber(WORD number) override {
        const int i = Find(number);
        if (i < 0)
            return NS_E_INVALID_STREAM;
        m_text.streams.erase(m_text.streams.begin() + i);
        return S_OK;
    }
    STDMETHODIMP AddStream(IWMStreamConfig* config) override {
        ProfileStream s;
        if (!config)
            return E_POINTER;
        if (!Describe(config, &s))
            return E_INVALIDARG;
        if (Find(s.number) >= 0)
            return NS_E_INVALID_STREAM;
        m_text.streams.push_back(s);
        return S_OK;
    }
    STDMETHODIMP ReconfigStream(IWMStreamConfig* config) override {
        ProfileStream s;
        if (!config)
            return E_POINTER;
        if (!Describe(config, &s))
            return E_INVALIDARG;
        const int i = Find(s.number);
        if (i < 0)
            return NS_E_INVALID_STREAM;
        m_text.streams[static_cast<size_t>(i)] = s;
        return S_OK;
    }
    STDMETHODIMP CreateNewStream(REFGUID type, IWMStreamConfig** config) override {
        if (!config)
            return E_POINTER;
        *config = nullptr;
        ProfileStream s;
        s.majorType = FromGuid(type);
        if (!s.IsAudio() && !s.IsVideo())
            return NS_E_INVALID_STREAM;
        // The lowest free stream number.
        for (s.number = 1; Find(s.number) >= 0; ++s.number) {
        }
        return Give(s, config);
    }
    // Mutual exclusion (alternative bit rates of one stream) is not part of what this runtime
    // records; profiles with it are not offered.
    STDMETHODIMP GetMutualExclusionCount(DWORD* count) override { return GiveValue(count, 0); }
    STDMETHODIMP GetMutualExclusion(DWORD, IWMMutualExclusion** me) override {
        if (me)
            *me = nullptr;
        return E_INVALIDARG;
    }
    STDMETHODIMP RemoveMutualExclusion(IWMMutualExclusion*) override { return E_INVALIDARG; }
    STDMETHODIMP AddMutualExclusion(IWMMutualExclusion*) override { return E_NOTIMPL; }
    STDMETHODIMP CreateNewMutualExclusion(IWMMutualExclusion** me) override {
        if (me)
            *me = nullptr;
        return E_NOTIMPL;
    }

private:
    ~Profile() override = default;
    int Find(WORD number) const {
        for (size_t i = 0; i < m_text.streams.size(); ++i)
            if (m_text.streams[i].number == number)
                return static_cast<int>(i);
        return -1;
    }
    static HRESULT Give(const ProfileStream& s, IWMStreamConfig** config) {
        auto* c = new (std::nothrow) StreamConfig(s);
        if (!c)
            return E_OUTOFMEMORY;
        *config = c;
        return S_OK;
    }

    WMT_VERSION m_version;
    ProfileText m_text;
};

class ProfileManager final : public ComObject<IWMProfileManager> {
public:
    STDMETHODIMP CreateEmptyProfile(WMT_VERSION version, IWMProfile** profile) override {
        if (!profile)
            return E_POINTER;
        *profile = new (std::nothrow) Profile(version, ProfileText{});
        return *profile ? S_OK : E_OUTOFMEMORY;
    }
    // Profiles come from files only; there is no built-in list.
    STDMETHODIMP LoadProfileByID(REFGUID, IWMProfile** profile) override {
        if (!profile)
            return E_POINTER;
        *profile = nullptr;
        return E_INVALIDARG;
    }
    STDMETHODIMP LoadProfileByData(const WCHAR* text, IWMProfile** profile) override {
        if (!text || !profile)
            return E_POINTER;
        *profile = nullptr;
        ProfileText parsed;
        std::string why;
        if (!ParseProfile(reinterpret_cast<const char16_t*>(text), &parsed, &why)) {
            OutputDebugStringA(("profile refused: " + why + "\n").c_str());
            return kInvalidProfile;
        }
        const WMT_VERSION version = parsed.version ? static_cast<WMT_VERSION>(parsed.version) : WMT_VER_9_0;
        *profile = new (std::nothrow) Profile(version, std::move(parsed));
        return *profile ? S_OK : E_OUTOFMEMORY;
    }
    STDMETHODIMP SaveProfile(IWMProfile*, WCHAR*, DWORD*) override { return E_NOTIMPL; }
    STDMETHODIMP GetSystemProfileCount(DWORD* count) override { return GiveValue(count, 0); }
    STDMETHODIMP LoadSystemProfile(DWORD, IWMProfile** profile) override {
        if (!profile)
            return E_POINTER;
        *profile = nullptr;
        return E_INVALIDARG;
    }

private:
    ~ProfileManager() override = default;
};

} // namespace

HRESULT CreateProfileManager(IWMProfileManager** out) {
    if (!out)
        return E_POINTER;
    *out = new (std::nothrow) ProfileManager();
    return *out ? S_OK : E_OUTOFMEMORY;
}

} // namespace wmformat
