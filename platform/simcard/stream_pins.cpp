// The simulated card's streaming pins: video formats and their negotiation, frame rendering
// from the card's current signal, raw VBI lines and PCM sound in matching time.
#include "platform/simcard/stream_pins.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstring>

#include "platform/include/ks_tuner.h"

namespace simcard {

namespace {

const FrameSize kSizes[] = {{720, 576}, {720, 480}, {640, 576}, {640, 480}, {480, 576}, {480, 480},
                            {360, 576}, {352, 288}, {352, 240}, {320, 240}, {720, 288}};
const DWORD kRates[] = {48000, 44100, 32000};

bool KnownSize(LONG w, LONG h) {
    for (const FrameSize& s : kSizes)
        if (s.width == w && s.height == h)
            return true;
    return false;
}

// Reads size and frame time from a VideoInfo block, or from the VIDEOINFOHEADER that starts
// an MPEG video block (callers that retag the format keep the driver's header in place).
bool ReadVideoFormat(const AM_MEDIA_TYPE* mt, LONG* w, LONG* h, REFERENCE_TIME* period) {
    if (!mt || mt->majortype != MEDIATYPE_Video || mt->subtype != MEDIASUBTYPE_YUY2 || !mt->pbFormat)
        return false;
    const size_t needed = offsetof(VIDEOINFOHEADER, bmiHeader) + offsetof(BITMAPINFOHEADER, biBitCount) + 2;
    if (mt->formattype == FORMAT_VideoInfo) {
        if (mt->cbFormat < sizeof(VIDEOINFOHEADER))
            return false;
    } else if (mt->formattype == FORMAT_MPEGVideo) {
        if (mt->cbFormat < needed)
            return false;
    } else {
        return false;
    }
    VIDEOINFOHEADER vih{};
    memcpy(&vih, mt->pbFormat, std::min<size_t>(mt->cbFormat, sizeof vih));
    if (vih.bmiHeader.biBitCount != 16)
        return false;
    *w = vih.bmiHeader.biWidth;
    *h = vih.bmiHeader.biHeight;
    *period = vih.AvgTimePerFrame;
    return KnownSize(*w, *h);
}

// KS_VBIINFOHEADER, with the platform's field names.
// NOLINTBEGIN(readability-identifier-naming)
struct VbiInfoHeader {
    ULONG StartLine, EndLine, SamplingFrequency, MinLineStartTime, MaxLineStartTime, ActualLineStartTime,
        ActualLineEndTime, VideoStandard, SamplesPerLine, StrideInBytes, BufferSize;
};
// NOLINTEND(readability-identifier-naming)
constexpr ULONG kVbiLines = 12, kVbiSamples = 1600;

} // namespace

const FrameSize* VideoSizes(int* count) {
    *count = static_cast<int>(sizeof kSizes / sizeof kSizes[0]);
    return kSizes;
}

// ---- video ------------------------------------------------------------------------------------

VideoPin::VideoPin(dshow::BaseFilter* filter, const wchar_t* name, REFGUID category, bool camera)
    : PushPin(filter, name), m_camera(camera) {
    SetCategory(category);
    if (m_camera) {
        m_width = 640;
        m_height = 480;
    }
}

HRESULT VideoPin::QueryOtherInterface(REFIID iid, void** out) {
    if (iid == IID_IAMStreamConfig)
        *out = static_cast<IAMStreamConfig*>(this);
    else if (iid == IID_IAMDroppedFrames)
        *out = static_cast<IAMDroppedFrames*>(this);
    else if (iid == IID_IAMStreamControl)
        *out = static_cast<IAMStreamControl*>(this);
    else
        return PushPin::QueryOtherInterface(iid, out);
    AddRef();
    return S_OK;
}

dshow::MediaType VideoPin::CurrentFormat() {
    long standard = m_camera ? 32 : Card::Get().Standard();
    REFERENCE_TIME minPeriod = FramePeriodFor(standard);
    LONG w = m_width, h = m_height;
    if (!m_formatSet && !m_camera)
        h = Is525Lines(standard) ? 480 : 576;
    REFERENCE_TIME period = m_requestedPeriod > minPeriod ? m_requestedPeriod : minPeriod;
    return dshow::MakeYuy2Type(w, h, period);
}

HRESULT VideoPin::GetMediaType(int pos, dshow::MediaType* mt) {
    if (pos == 0) {
        *mt = CurrentFormat();
        return S_OK;
    }
    if (m_camera)
        return VFW_S_NO_MORE_ITEMS;
    int n = 0;
    const FrameSize* sizes = VideoSizes(&n);
    if (pos > n)
        return VFW_S_NO_MORE_ITEMS;
    dshow::MediaType cur = CurrentFormat();
    *mt = dshow::MakeYuy2Type(sizes[pos - 1].width, sizes[pos - 1].height, cur.VideoInfo()->AvgTimePerFrame);
    return S_OK;
}

HRESULT VideoPin::CheckMediaType(const AM_MEDIA_TYPE* mt) {
    LONG w = 0, h = 0;
    REFERENCE_TIME period = 0;
    if (!mt || mt->formattype != FORMAT_VideoInfo || !ReadVideoFormat(mt, &w, &h, &period))
        return VFW_E_TYPE_NOT_ACCEPTED;
    if (m_camera && (w != 640 || h != 480))
        return VFW_E_TYPE_NOT_ACCEPTED;
    return S_OK;
}

HRESULT VideoPin::DecideBufferSize(IMemAllocator* alloc, ALLOCATOR_PROPERTIES* request) {
    const VIDEOINFOHEADER* vih = CurrentMediaType().VideoInfo();
    if (!vih)
        return E_UNEXPECTED;
    ALLOCATOR_PROPERTIES want = *request, got{};
    if (want.cBuffers < 4)
        want.cBuffers = 4;
    want.cbBuffer = static_cast<LONG>(vih->bmiHeader.biWidth * vih->bmiHeader.biHeight * 2);
    if (want.cbAlign < 1)
        want.cbAlign = 1;
    HRESULT hr = alloc->SetProperties(&want, &got);
    if (FAILED(hr))
        return hr;
    return got.cbBuffer >= want.cbBuffer ? S_OK : E_FAIL;
}

REFERENCE_TIME VideoPin::SamplePeriod() {
    const VIDEOINFOHEADER* vih = CurrentMediaType().VideoInfo();
    long standard = m_camera ? 32 : Card::Get().Standard();
    REFERENCE_TIME minPeriod = FramePeriodFor(standard);
    m_period = vih && vih->AvgTimePerFrame > minPeriod ? vih->AvgTimePerFrame : minPeriod;
    return m_period;
}

HRESULT VideoPin::FillBuffer(IMediaSample* sample, REFERENCE_TIME start, REFERENCE_TIME) {
    const VIDEOINFOHEADER* vih = CurrentMediaType().VideoInfo();
    BYTE* data = nullptr;
    if (!vih || FAILED(sample->GetPointer(&data)))
        return E_UNEXPECTED;
    const LONG w = vih->bmiHeader.biWidth, h = vih->bmiHeader.biHeight;
    if (sample->GetSize() < w * h * 2)
        return E_UNEXPECTED;
    Signal sig = Card::Get().CurrentSignal();
    FrameSpec spec = sig.frame;
    if (m_camera) {
        spec = FrameSpec();
        spec.source = Source::Camera;
        sig.amp = DefaultProcAmp();
    }
    spec.width = w;
    spec.height = h;
    spec.frameNumber = static_cast<uint32_t>(start / m_period);
    spec.syncMark = !m_camera && Card::Get().SyncMarks() && InSyncMark(start, m_period);
    RenderFrame(spec, sig.amp, data, w * 2);
    return sample->SetActualDataLength(w * h * 2);
}

void VideoPin::OnDelivered(IMediaSample*) {
    if (m_countsFrames)
        Card::Get().FramesDelivered(1);
}

STDMETHODIMP VideoPin::SetFormat(AM_MEDIA_TYPE* mt) {
    if (!mt)
        return E_POINTER;
    LONG w = 0, h = 0;
    REFERENCE_TIME period = 0;
    if (!ReadVideoFormat(mt, &w, &h, &period))
        return VFW_E_INVALIDMEDIATYPE;
    if (m_camera && (w != 640 || h != 480))
        return VFW_E_INVALIDMEDIATYPE;
    dshow::AutoLock lock(m_filter->FilterLock());
    if (m_filter->State() != State_Stopped)
        return VFW_E_NOT_STOPPED;
    const LONG oldW = m_width, oldH = m_height;
    const REFERENCE_TIME oldPeriod = m_requestedPeriod;
    const bool oldSet = m_formatSet;
    m_width = w;
    m_height = h;
    m_requestedPeriod = period > 0 ? period : 0;
    m_formatSet = true;
    if (IsConnected()) {
        // Connected: the new format is used only if the peer takes it; the graph reconnects.
        dshow::MediaType next = CurrentFormat();
        HRESULT hr = m_connected->QueryAccept(&next) == S_OK && m_filter->Graph()
                         ? m_filter->Graph()->Reconnect(this)
                         : VFW_E_TYPE_NOT_ACCEPTED;
        if (FAILED(hr)) {
            m_width = oldW;
            m_height = oldH;
            m_requestedPeriod = oldPeriod;
            m_formatSet = oldSet;
            return hr;
        }
    }
    return S_OK;
}

STDMETHODIMP VideoPin::GetFormat(AM_MEDIA_TYPE** mt) {
    if (!mt)
        return E_POINTER;
    dshow::MediaType cur = IsConnected() ? CurrentMediaType() : CurrentFormat();
    *mt = dshow::CreateMediaType(&cur);
    return *mt ? S_OK : E_OUTOFMEMORY;
}

STDMETHODIMP VideoPin::GetNumberOfCapabilities(int* count, int* size) {
    if (!count || !size)
        return E_POINTER;
    int n = 0;
    VideoSizes(&n);
    *count = m_camera ? 1 : n;
    *size = sizeof(VIDEO_STREAM_CONFIG_CAPS);
    return S_OK;
}

STDMETHODIMP VideoPin::GetStreamCaps(int index, AM_MEDIA_TYPE** mt, BYTE* capsOut) {
    if (!mt || !capsOut)
        return E_POINTER;
    int n = 0;
    const FrameSize* sizes = VideoSizes(&n);
    if (m_camera)
        n = 1;
    if (index < 0)
        return E_INVALIDARG;
    if (index >= n)
        return S_FALSE;
    FrameSize s = m_camera ? FrameSize{640, 480} : sizes[index];
    long standard = m_camera ? 32 : Card::Get().Standard();
    REFERENCE_TIME minPeriod = FramePeriodFor(standard);
    dshow::MediaType t = dshow::MakeYuy2Type(s.width, s.height, minPeriod);
    *mt = dshow::CreateMediaType(&t);
    if (!*mt)
        return E_OUTOFMEMORY;
    VIDEO_STREAM_CONFIG_CAPS caps{};
    caps.guid = FORMAT_VideoInfo;
    caps.VideoStandard = m_camera ? 0 : static_cast<ULONG>(DefaultStandardMask());
    caps.InputSize = {m_camera ? 640 : 720, m_camera ? 480 : (Is525Lines(standard) ? 480 : 576)};
    caps.MinCroppingSize = caps.MaxCroppingSize = caps.InputSize;
    caps.CropGranularityX = caps.CropGranularityY = 1;
    caps.CropAlignX = caps.CropAlignY = 1;
    caps.MinOutputSize = caps.MaxOutputSize = {s.width, s.height};
    caps.OutputGranularityX = caps.OutputGranularityY = 0;
    caps.MinFrameInterval = minPeriod;
    caps.MaxFrameInterval = 10000000;
    caps.MinBitsPerSecond = s.width * s.height * 16;
    caps.MaxBitsPerSecond = static_cast<LONG>(s.width * s.height * 16 * (10000000 / minPeriod));
    memcpy(capsOut, &caps, sizeof caps);
    return S_OK;
}

STDMETHODIMP VideoPin::GetNumDropped(LONG* n) {
    if (!n)
        return E_POINTER;
    *n = Dropped();
    return S_OK;
}

STDMETHODIMP VideoPin::GetNumNotDropped(LONG* n) {
    if (!n)
        return E_POINTER;
    *n = Delivered();
    return S_OK;
}

STDMETHODIMP VideoPin::GetDroppedInfo(LONG size, LONG* frames, LONG* copied) {
    if (!frames || !copied)
        return E_POINTER;
    if (size <= 0)
        return E_INVALIDARG;
    *copied = 0; // individual dropped frame numbers are not kept
    return S_OK;
}

STDMETHODIMP VideoPin::GetAverageFrameSize(LONG* size) {
    if (!size)
        return E_POINTER;
    LONG n = Delivered();
    *size = n > 0 ? static_cast<LONG>(BytesDelivered() / n) : 0;
    return S_OK;
}

// ---- VBI --------------------------------------------------------------------------------------

VbiPin::VbiPin(dshow::BaseFilter* filter, const wchar_t* name) : PushPin(filter, name) {
    SetCategory(PIN_CATEGORY_VBI);
}

HRESULT VbiPin::GetMediaType(int pos, dshow::MediaType* mt) {
    if (pos != 0)
        return VFW_S_NO_MORE_ITEMS;
    dshow::MediaType t;
    t.majortype = MEDIATYPE_VBI;
    t.subtype = tunaro::kSubtypeRaw8;
    t.formattype = tunaro::kFormatVbi;
    t.bFixedSizeSamples = TRUE;
    auto* h = reinterpret_cast<VbiInfoHeader*>(t.AllocFormat(sizeof(VbiInfoHeader)));
    if (!h)
        return E_OUTOFMEMORY;
    long standard = Card::Get().Standard();
    h->StartLine = 10;
    h->EndLine = 10 + kVbiLines - 1;
    h->SamplingFrequency = 28636360;
    h->MinLineStartTime = h->MaxLineStartTime = h->ActualLineStartTime = 780;
    h->ActualLineEndTime = 5902;
    h->VideoStandard = static_cast<ULONG>(standard);
    h->SamplesPerLine = kVbiSamples;
    h->StrideInBytes = kVbiSamples;
    h->BufferSize = kVbiSamples * kVbiLines * 2;
    t.lSampleSize = h->BufferSize;
    *mt = t;
    return S_OK;
}

HRESULT VbiPin::CheckMediaType(const AM_MEDIA_TYPE* mt) {
    return mt && mt->majortype == MEDIATYPE_VBI && mt->subtype == tunaro::kSubtypeRaw8 &&
                   mt->formattype == tunaro::kFormatVbi && mt->cbFormat >= sizeof(VbiInfoHeader)
               ? S_OK
               : VFW_E_TYPE_NOT_ACCEPTED;
}

HRESULT VbiPin::DecideBufferSize(IMemAllocator* alloc, ALLOCATOR_PROPERTIES* request) {
    ALLOCATOR_PROPERTIES want = *request, got{};
    want.cBuffers = want.cBuffers < 4 ? 4 : want.cBuffers;
    want.cbBuffer = static_cast<LONG>(kVbiSamples * kVbiLines * 2);
    if (want.cbAlign < 1)
        want.cbAlign = 1;
    HRESULT hr = alloc->SetProperties(&want, &got);
    return FAILED(hr) ? hr : (got.cbBuffer >= want.cbBuffer ? S_OK : E_FAIL);
}

REFERENCE_TIME VbiPin::SamplePeriod() {
    return FramePeriodFor(Card::Get().Standard());
}

HRESULT VbiPin::FillBuffer(IMediaSample* sample, REFERENCE_TIME, REFERENCE_TIME) {
    BYTE* data = nullptr;
    LONG size = static_cast<LONG>(kVbiSamples * kVbiLines * 2);
    if (FAILED(sample->GetPointer(&data)) || sample->GetSize() < size)
        return E_UNEXPECTED;
    // The broadcast carries no teletext or captions: the lines sit at black level.
    memset(data, 0x10, static_cast<size_t>(size));
    return sample->SetActualDataLength(size);
}

// ---- audio ------------------------------------------------------------------------------------

AudioPin::AudioPin(dshow::BaseFilter* filter, const wchar_t* name) : PushPin(filter, name) {
    SetCategory(PIN_CATEGORY_CAPTURE);
}

HRESULT AudioPin::QueryOtherInterface(REFIID iid, void** out) {
    if (iid == IID_IAMStreamConfig)
        *out = static_cast<IAMStreamConfig*>(this);
    else if (iid == IID_IAMStreamControl)
        *out = static_cast<IAMStreamControl*>(this);
    else
        return PushPin::QueryOtherInterface(iid, out);
    AddRef();
    return S_OK;
}

HRESULT AudioPin::GetMediaType(int pos, dshow::MediaType* mt) {
    if (pos == 0) {
        *mt = dshow::MakePcmType(m_rate, 2);
        return S_OK;
    }
    const int n = static_cast<int>(sizeof kRates / sizeof kRates[0]);
    if (pos > n)
        return VFW_S_NO_MORE_ITEMS;
    *mt = dshow::MakePcmType(kRates[pos - 1], 2);
    return S_OK;
}

HRESULT AudioPin::CheckMediaType(const AM_MEDIA_TYPE* mt) {
    if (!mt || mt->majortype != MEDIATYPE_Audio || mt->subtype != MEDIASUBTYPE_PCM ||
        mt->formattype != FORMAT_WaveFormatEx || mt->cbFormat < sizeof(WAVEFORMAT) || !mt->pbFormat)
        return VFW_E_TYPE_NOT_ACCEPTED;
    const auto* wfx = reinterpret_cast<const WAVEFORMATEX*>(mt->pbFormat);
    bool rateOk = false;
    for (DWORD r : kRates)
        rateOk = rateOk || wfx->nSamplesPerSec == r;
    return rateOk && wfx->nChannels == 2 && wfx->wBitsPerSample == 16 && wfx->nBlockAlign == 4
               ? S_OK
               : VFW_E_TYPE_NOT_ACCEPTED;
}

HRESULT AudioPin::DecideBufferSize(IMemAllocator* alloc, ALLOCATOR_PROPERTIES* request) {
    const WAVEFORMATEX* wfx = CurrentMediaType().WaveFormat();
    if (!wfx)
        return E_UNEXPECTED;
    ALLOCATOR_PROPERTIES want = *request, got{};
    want.cBuffers = want.cBuffers < 8 ? 8 : want.cBuffers;
    // Room for a sound clock up to 1 % fast.
    want.cbBuffer = static_cast<LONG>(wfx->nAvgBytesPerSec * kBufferPeriod / 10000000);
    want.cbBuffer += (want.cbBuffer / 100 + wfx->nBlockAlign) / wfx->nBlockAlign * wfx->nBlockAlign;
    if (want.cbAlign < 1)
        want.cbAlign = 1;
    HRESULT hr = alloc->SetProperties(&want, &got);
    return FAILED(hr) ? hr : (got.cbBuffer >= want.cbBuffer ? S_OK : E_FAIL);
}

HRESULT AudioPin::FillBuffer(IMediaSample* sample, REFERENCE_TIME start, REFERENCE_TIME stop) {
    const WAVEFORMATEX* wfx = CurrentMediaType().WaveFormat();
    BYTE* data = nullptr;
    if (!wfx || FAILED(sample->GetPointer(&data)))
        return E_UNEXPECTED;
    // The card's sound clock, fast or slow against the picture's, sets how many sample frames
    // the span holds; they are stamped with the span all the same, as a card's driver does.
    Card& card = Card::Get();
    const int ppm = card.SoundClockPpm();
    const double clockRate = SoundClockRate(static_cast<int>(wfx->nSamplesPerSec), ppm);
    auto frameAt = [&](REFERENCE_TIME t) {
        return ppm == 0 ? static_cast<uint64_t>(t) * wfx->nSamplesPerSec / 10000000
                        : static_cast<uint64_t>(std::floor(static_cast<double>(t) * clockRate / 1e7));
    };
    const uint64_t first = frameAt(start), last = frameAt(stop);
    const int frames = static_cast<int>(last - first);
    if (sample->GetSize() < frames * 4)
        return E_UNEXPECTED;
    Signal sig = card.CurrentSignal();
    SoundSpec spec = sig.sound;
    spec.rate = static_cast<int>(wfx->nSamplesPerSec);
    spec.channels = 2;
    spec.firstSample = first;
    spec.clockRate = clockRate;
    // The beeps are part of what is received: none without a tone.
    const bool received = !spec.silent && (spec.leftHz > 0 || spec.rightHz > 0);
    spec.syncPeriod = card.SyncMarks() && received ? FramePeriodFor(card.Standard()) : 0;
    RenderSound(spec, reinterpret_cast<int16_t*>(data), frames);
    return sample->SetActualDataLength(frames * 4);
}

STDMETHODIMP AudioPin::SetFormat(AM_MEDIA_TYPE* mt) {
    if (!mt)
        return E_POINTER;
    if (CheckMediaType(mt) != S_OK)
        return VFW_E_INVALIDMEDIATYPE;
    dshow::AutoLock lock(m_filter->FilterLock());
    if (m_filter->State() != State_Stopped)
        return VFW_E_NOT_STOPPED;
    DWORD old = m_rate;
    m_rate = reinterpret_cast<const WAVEFORMATEX*>(mt->pbFormat)->nSamplesPerSec;
    if (IsConnected() && m_rate != old) {
        dshow::MediaType next = dshow::MakePcmType(m_rate, 2);
        HRESULT hr = m_connected->QueryAccept(&next) == S_OK && m_filter->Graph()
                         ? m_filter->Graph()->Reconnect(this)
                         : VFW_E_TYPE_NOT_ACCEPTED;
        if (FAILED(hr)) {
            m_rate = old;
            return hr;
        }
    }
    return S_OK;
}

STDMETHODIMP AudioPin::GetFormat(AM_MEDIA_TYPE** mt) {
    if (!mt)
        return E_POINTER;
    dshow::MediaType cur = IsConnected() ? CurrentMediaType() : dshow::MakePcmType(m_rate, 2);
    *mt = dshow::CreateMediaType(&cur);
    return *mt ? S_OK : E_OUTOFMEMORY;
}

STDMETHODIMP AudioPin::GetNumberOfCapabilities(int* count, int* size) {
    if (!count || !size)
        return E_POINTER;
    *count = static_cast<int>(sizeof kRates / sizeof kRates[0]);
    *size = sizeof(AUDIO_STREAM_CONFIG_CAPS);
    return S_OK;
}

STDMETHODIMP AudioPin::GetStreamCaps(int index, AM_MEDIA_TYPE** mt, BYTE* capsOut) {
    if (!mt || !capsOut)
        return E_POINTER;
    const int n = static_cast<int>(sizeof kRates / sizeof kRates[0]);
    if (index < 0)
        return E_INVALIDARG;
    if (index >= n)
        return S_FALSE;
    dshow::MediaType t = dshow::MakePcmType(kRates[index], 2);
    *mt = dshow::CreateMediaType(&t);
    if (!*mt)
        return E_OUTOFMEMORY;
    AUDIO_STREAM_CONFIG_CAPS caps{};
    caps.guid = MEDIATYPE_Audio;
    caps.MinimumChannels = caps.MaximumChannels = 2;
    caps.ChannelsGranularity = 1;
    caps.MinimumBitsPerSample = caps.MaximumBitsPerSample = 16;
    caps.BitsPerSampleGranularity = 16;
    caps.MinimumSampleFrequency = caps.MaximumSampleFrequency = kRates[index];
    caps.SampleFrequencyGranularity = 1;
    memcpy(capsOut, &caps, sizeof caps);
    return S_OK;
}

// ---- analogue connectors ----------------------------------------------------------------------

AnalogPin::AnalogPin(dshow::BaseFilter* filter, PIN_DIRECTION dir, const wchar_t* name, bool video)
    : BasePin(filter, dir, name), m_video(video) {}

HRESULT AnalogPin::GetMediaType(int pos, dshow::MediaType* mt) {
    if (pos != 0)
        return VFW_S_NO_MORE_ITEMS;
    dshow::MediaType t;
    t.majortype = m_video ? MEDIATYPE_AnalogVideo : MEDIATYPE_AnalogAudio;
    t.subtype = MEDIASUBTYPE_None;
    t.formattype = FORMAT_None;
    *mt = t;
    return S_OK;
}

HRESULT AnalogPin::CheckMediaType(const AM_MEDIA_TYPE* mt) {
    if (!mt)
        return E_POINTER;
    return mt->majortype == (m_video ? MEDIATYPE_AnalogVideo : MEDIATYPE_AnalogAudio)
               ? S_OK
               : VFW_E_TYPE_NOT_ACCEPTED;
}

} // namespace simcard
