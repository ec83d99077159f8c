// Stand-in for the stock AVI Mux: video (VideoInfo) and audio (WaveFormatEx) inputs, one free
// input always, an AVI stream out to the File Writer (samples time-stamped with their byte
// offsets), OpenDML segments and indexes, and IConfigAviMux honoured: the master stream the
// other video streams are stretched to, and the legacy idx1 index on request.
#include "platform/filters/filters.h"

#include "platform/filters/avi_file.h"
#include "platform/dshow/filter.h"
#include "platform/filters/offset_writer.h"

#include <uuids.h>

#include <cmath>
#include <cstdlib>
#include <memory>
#include <new>
#include <numeric>
#include <vector>

using dshow::AutoLock;
using dshow::MediaType;

namespace filters {

namespace {

class AviMux;

// Largest piece one output sample carries; longer writes go as several samples.
constexpr LONG kOutputBuffer = 1 << 20;
// A gap in the video longer than this many frames is not filled with empty frames.
constexpr REFERENCE_TIME kMaxFilledFrames = 250;

class MuxInput final : public dshow::InputPin {
public:
    MuxInput(AviMux* mux, const wchar_t* name, int number);
    HRESULT GetMediaType(int, MediaType*) override { return VFW_S_NO_MORE_ITEMS; }
    HRESULT CheckMediaType(const AM_MEDIA_TYPE* mt) override;
    STDMETHODIMP Receive(IMediaSample* sample) override;
    STDMETHODIMP EndOfStream() override;
    int Number() const { return m_number; }

protected:
    HRESULT CompleteConnect(IPin* pin) override;

private:
    AviMux* m_mux;
    int m_number;
};

// What the multiplexer knows of one connected input while it writes.
struct InputStream {
    int stream = -1;
    bool video = false;
    REFERENCE_TIME period = 0; // video frame time
    bool haveBase = false;
    REFERENCE_TIME base = 0; // time of the first frame
};

class AviMux final : public dshow::BaseFilter, public IConfigAviMux {
public:
    AviMux() : BaseFilter(CLSID_AviDest, L"AVI Mux") {
        m_output = new OffsetWriterPin(this, L"AVI Out", MEDIASUBTYPE_Avi, 2, kOutputBuffer);
        AddPin(m_output);
        AddInput();
    }
    DSHOW_FORWARD_IUNKNOWN(dshow::BaseFilter)

    // IConfigAviMux
    STDMETHODIMP SetMasterStream(LONG stream) override {
        if (stream < -1)
            return E_INVALIDARG;
        AutoLock lock(FilterLock());
        if (State() != State_Stopped)
            return VFW_E_NOT_STOPPED;
        m_master = stream;
        return S_OK;
    }
    STDMETHODIMP GetMasterStream(LONG* stream) override {
        if (!stream)
            return E_POINTER;
        *stream = m_master;
        return S_OK;
    }
    STDMETHODIMP SetOutputCompatibilityIndex(BOOL oldIndex) override {
        AutoLock lock(FilterLock());
        if (State() != State_Stopped)
            return VFW_E_NOT_STOPPED;
        m_legacyIndex = oldIndex != FALSE;
        return S_OK;
    }
    STDMETHODIMP GetOutputCompatibilityIndex(BOOL* oldIndex) override {
        if (!oldIndex)
            return E_POINTER;
        *oldIndex = m_legacyIndex ? TRUE : FALSE;
        return S_OK;
    }

    // Called by the input pins.
    void InputConnected() {
        // Keep one free input (the graph is stopped while connecting).
        for (MuxInput* in : m_inputs)
            if (!in->IsConnected())
                return;
        AddInput();
    }
    HRESULT Write(MuxInput* pin, IMediaSample* sample);
    HRESULT InputEnded(MuxInput* pin);

protected:
    HRESULT QueryOtherInterface(REFIID iid, void** out) override {
        if (iid != IID_IConfigAviMux)
            return BaseFilter::QueryOtherInterface(iid, out);
        *out = static_cast<IConfigAviMux*>(this);
        AddRef();
        return S_OK;
    }
    HRESULT OnPause() override;
    HRESULT OnRun(REFERENCE_TIME) override {
        AutoLock lock(m_writeLock);
        m_accepting = m_file != nullptr;
        return S_OK;
    }
    HRESULT OnStop() override {
        AutoLock lock(m_writeLock);
        m_accepting = false;
        if (m_file && m_file->Dirty())
            Complete();
        m_file.reset();
        return S_OK;
    }

private:
    void AddInput() {
        wchar_t name[32];
        const int n = static_cast<int>(m_inputs.size());
        swprintf(name, 32, L"Input %02d", n + 1);
        auto* in = new MuxInput(this, name, n);
        m_inputs.push_back(in);
        AddPin(in);
    }
    bool StartFile();
    void Complete();
    void Fail();

    OffsetWriterPin* m_output;
    std::vector<MuxInput*> m_inputs; // owned by the base filter's pin list
    LONG m_master = -1;
    bool m_legacyIndex = true;
    dshow::CritSec m_writeLock;
    std::unique_ptr<AviFile> m_file;
    std::vector<InputStream> m_streams; // by input number
    bool m_accepting = false;
    bool m_failed = false;
    int m_ended = 0;
};

MuxInput::MuxInput(AviMux* mux, const wchar_t* name, int number)
    : InputPin(mux, name), m_mux(mux), m_number(number) {}

HRESULT MuxInput::CheckMediaType(const AM_MEDIA_TYPE* mt) {
    if (!mt || !mt->pbFormat)
        return VFW_E_TYPE_NOT_ACCEPTED;
    if (mt->majortype == MEDIATYPE_Video && mt->formattype == FORMAT_VideoInfo &&
        mt->cbFormat >= sizeof(VIDEOINFOHEADER)) {
        const auto* vih = reinterpret_cast<const VIDEOINFOHEADER*>(mt->pbFormat);
        return vih->bmiHeader.biWidth > 0 && vih->bmiHeader.biHeight != 0 ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
    }
    if (mt->majortype == MEDIATYPE_Audio && mt->formattype == FORMAT_WaveFormatEx &&
        mt->cbFormat >= sizeof(WAVEFORMAT)) {
        const auto* wfx = reinterpret_cast<const WAVEFORMATEX*>(mt->pbFormat);
        return wfx->nChannels > 0 && wfx->nSamplesPerSec > 0 && wfx->nAvgBytesPerSec > 0 &&
                       wfx->nBlockAlign > 0
                   ? S_OK
                   : VFW_E_TYPE_NOT_ACCEPTED;
    }
    return VFW_E_TYPE_NOT_ACCEPTED;
}

HRESULT MuxInput::CompleteConnect(IPin*) {
    m_mux->InputConnected();
    return S_OK;
}

STDMETHODIMP MuxInput::Receive(IMediaSample* sample) {
    if (!sample)
        return E_POINTER;
    HRESULT hr = CheckStreaming();
    if (hr != S_OK)
        return hr;
    return m_mux->Write(this, sample);
}

STDMETHODIMP MuxInput::EndOfStream() {
    if (CheckStreaming() != S_OK)
        return S_OK;
    return m_mux->InputEnded(this);
}

// The stream description the header carries for a connection type.
AviStreamInfo DescribeStream(const AM_MEDIA_TYPE& mt, REFERENCE_TIME* period) {
    AviStreamInfo info;
    *period = 0;
    const BYTE* format = mt.pbFormat;
    if (mt.majortype == MEDIATYPE_Video) {
        const auto* vih = reinterpret_cast<const VIDEOINFOHEADER*>(format);
        const BITMAPINFOHEADER& bih = vih->bmiHeader;
        info.video = true;
        info.handler = bih.biCompression;
        info.width = static_cast<uint32_t>(bih.biWidth);
        info.height = static_cast<uint32_t>(bih.biHeight < 0 ? -bih.biHeight : bih.biHeight);
        REFERENCE_TIME frame = vih->AvgTimePerFrame > 0 ? vih->AvgTimePerFrame : 400000;
        *period = frame;
        const unsigned long long g = std::gcd(static_cast<unsigned long long>(frame), 10000000ull);
        info.scale = static_cast<uint32_t>(frame / g);
        info.rate = static_cast<uint32_t>(10000000ull / g);
        // The bitmap header and whatever follows it in the format block (palette, codec data).
        const size_t offset = offsetof(VIDEOINFOHEADER, bmiHeader);
        info.format.assign(format + offset, format + mt.cbFormat);
    } else {
        const auto* wfx = reinterpret_cast<const WAVEFORMATEX*>(format);
        info.video = false;
        // PCM counts sample frames; other formats count blocks of nBlockAlign bytes at
        // nAvgBytesPerSec (constant-rate compressed audio).
        const bool pcm = wfx->wFormatTag == WAVE_FORMAT_PCM;
        info.scale = pcm ? 1 : wfx->nBlockAlign;
        info.rate = pcm ? wfx->nSamplesPerSec : wfx->nAvgBytesPerSec;
        info.sampleSize = wfx->nBlockAlign;
        // Plain PCM is described by its first 16 bytes; other formats carry their extra bytes.
        size_t size = 16;
        if (wfx->wFormatTag != WAVE_FORMAT_PCM && mt.cbFormat >= sizeof(WAVEFORMATEX))
            size = sizeof(WAVEFORMATEX) + wfx->cbSize;
        if (size > mt.cbFormat)
            size = mt.cbFormat;
        info.format.assign(format, format + size);
    }
    return info;
}

HRESULT AviMux::OnPause() {
    AutoLock lock(m_writeLock);
    if (State() == State_Running) {
        // Leaving the running state ends the recording: the file is completed now, while the
        // writer downstream still takes data, and what still arrives is not written.
        m_accepting = false;
        if (m_file && m_file->Dirty())
            Complete();
        return S_OK;
    }
    if (State() == State_Stopped && !StartFile())
        return E_FAIL;
    return S_OK;
}

bool AviMux::StartFile() {
    m_failed = false;
    m_ended = 0;
    if (!m_output->IsConnected())
        return true; // nothing to write to; the inputs take samples and drop them
    // Tests make small segments to cover the OpenDML layout without gigabytes of data.
    uint64_t segmentLimit = AviFile::kDefaultSegmentLimit;
    char limit[32] = {};
    if (GetEnvironmentVariableA("TUNARO_AVI_SEGMENT_LIMIT", limit, sizeof limit) > 0) {
        const unsigned long long bytes = strtoull(limit, nullptr, 10);
        if (bytes >= 65536 && bytes < segmentLimit)
            segmentLimit = bytes;
    }
    m_file = std::make_unique<AviFile>([this](uint64_t offset, const uint8_t* data,
                                              size_t len) { return m_output->Write(offset, data, len); },
                                       segmentLimit);
    m_streams.assign(m_inputs.size(), InputStream{});
    for (MuxInput* in : m_inputs) {
        if (!in->IsConnected())
            continue;
        InputStream& s = m_streams[in->Number()];
        s.stream = m_file->AddStream(DescribeStream(in->CurrentMediaType(), &s.period));
        s.video = in->CurrentMediaType().majortype == MEDIATYPE_Video;
    }
    m_file->SetMasterStream(m_master >= 0 && m_master < m_file->StreamCount() ? static_cast<int>(m_master)
                                                                              : -1);
    m_file->SetLegacyIndex(m_legacyIndex);
    return true;
}

void AviMux::Complete() {
    if (m_failed || !m_file)
        return;
    if (!m_file->Finish())
        Fail();
}

void AviMux::Fail() {
    if (m_failed)
        return;
    m_failed = true;
    m_accepting = false;
    NotifyEvent(EC_ERRORABORT, E_FAIL, 0);
}

HRESULT AviMux::Write(MuxInput* pin, IMediaSample* sample) {
    AutoLock lock(m_writeLock);
    if (!m_accepting || !m_file || pin->Number() >= static_cast<int>(m_streams.size()))
        return m_failed ? E_FAIL : S_OK;
    InputStream& s = m_streams[pin->Number()];
    if (s.stream < 0)
        return S_OK;
    BYTE* data = nullptr;
    if (FAILED(sample->GetPointer(&data)))
        return E_FAIL;
    const long len = sample->GetActualDataLength();
    if (s.video) {
        // A frame that arrives later than its turn follows frames the source did not deliver:
        // empty chunks keep their places so the picture stays in time with the sound.
        REFERENCE_TIME start = 0, stop = 0;
        if (SUCCEEDED(sample->GetTime(&start, &stop)) && s.period > 0) {
            if (!s.haveBase) {
                s.haveBase = true;
                s.base = start;
            }
            const REFERENCE_TIME slot = (start - s.base + s.period / 2) / s.period;
            REFERENCE_TIME missing = slot - static_cast<REFERENCE_TIME>(m_file->Length(s.stream));
            if (missing > kMaxFilledFrames)
                missing = 0; // a jump in time, not lost frames
            for (; missing > 0; --missing)
                if (!m_file->WriteChunk(s.stream, nullptr, 0, false)) {
                    Fail();
                    return E_FAIL;
                }
        }
    }
    if (!m_file->WriteChunk(s.stream, data, static_cast<size_t>(len > 0 ? len : 0),
                            sample->IsSyncPoint() == S_OK)) {
        Fail();
        return E_FAIL;
    }
    return S_OK;
}

HRESULT AviMux::InputEnded(MuxInput*) {
    int connected = 0;
    for (MuxInput* in : m_inputs)
        connected += in->IsConnected() ? 1 : 0;
    bool last = false;
    {
        AutoLock lock(m_writeLock);
        last = ++m_ended >= connected;
        if (last) {
            m_accepting = false;
            if (m_file && m_file->Dirty())
                Complete();
        }
    }
    if (last && m_output->IsConnected())
        m_output->DeliverEndOfStream();
    return S_OK;
}

} // namespace

HRESULT CreateAviMux(IUnknown** out) {
    auto* f = new (std::nothrow) AviMux();
    if (!f)
        return E_OUTOFMEMORY;
    *out = static_cast<IBaseFilter*>(f);
    return S_OK;
}

} // namespace filters
