// The MPEG stream splitter (CLSID_MPEG1Splitter): an MPEG-1 or MPEG-2 program stream from a
// file reader (IAsyncReader) in, the first video and the first audio elementary stream out, with
// their time stamps. Seeking by time through IMediaSeeking on the output pins starts again at
// the group of pictures at or before the position, so the first picture decodes whole; the
// duration comes from the last time stamps of the file as soon as the input connects.
// A reader whose Length answers VFW_S_ESTIMATED has a file that is still being written: the
// splitter then follows it, waiting at its end for more instead of ending the streams, for as
// long as the answer holds.
//
// Threads: a reader parses the file and fills one queue per output; each output delivers from
// its queue on a thread of its own, so a renderer that holds its first sample while paused
// does not keep the other stream from reaching its renderer.
#include "platform/filters/playback_codecs.h"

#include "platform/dshow/filter.h"
#include "platform/filters/mpeg_stream.h"

#include <dvdmedia.h>
#include <mmreg.h>
#include <uuids.h>

#include <algorithm>
#include <condition_variable>
#include <cstddef>
#include <cstring>
#include <deque>
#include <memory>
#include <mutex>
#include <new>
#include <vector>

using dshow::AutoLock;
using dshow::ComPtr;
using dshow::MediaType;

namespace filters {

namespace {

constexpr size_t kVideoQueueBytes = 8 * 1024 * 1024;
constexpr size_t kAudioQueueBytes = 1024 * 1024;
constexpr LONG kSampleBuffer = 64 * 1024 + 64; // a PES payload is at most 64 KB
// How long a splitter following a growing file waits before it looks for more.
constexpr DWORD kFollowWaitMs = 20;

REFERENCE_TIME TicksToUnits(int64_t ticks) {
    return ticks * 1000 / 9;
}
int64_t UnitsToTicks(REFERENCE_TIME units) {
    return units * 9 / 1000;
}

// The file through the reader the input pin is connected to.
class AsyncSource final : public mpegps::ByteSource {
public:
    explicit AsyncSource(IAsyncReader* reader) : m_reader(reader) {}
    int64_t Size() override {
        LONGLONG total = 0, available = 0;
        if (FAILED(m_reader->Length(&total, &available)))
            return 0;
        return available;
    }
    // A writer is still at the file: its end is not the end of the stream.
    bool Growing() {
        LONGLONG total = 0, available = 0;
        return m_reader->Length(&total, &available) == VFW_S_ESTIMATED;
    }
    size_t ReadAt(int64_t offset, uint8_t* out, size_t n) override {
        const int64_t size = Size();
        if (offset >= size)
            return 0;
        const LONG want = static_cast<LONG>(std::min<int64_t>(static_cast<int64_t>(n), size - offset));
        return SUCCEEDED(m_reader->SyncRead(offset, want, out)) ? static_cast<size_t>(want) : 0;
    }

private:
    IAsyncReader* m_reader; // referenced by the pin
};

struct Chunk {
    std::vector<uint8_t> data;
    REFERENCE_TIME start = 0;
    bool timed = false;
    bool end = false; // end of the stream
};

// A queue the reader waits on while it holds more than its byte budget.
class ChunkQueue {
public:
    explicit ChunkQueue(size_t budget) : m_budget(budget) {}
    bool Push(Chunk&& c) {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_cv.wait(lock, [&] { return m_aborted || m_bytes < m_budget || m_items.empty(); });
        if (m_aborted)
            return false;
        m_bytes += c.data.size();
        m_items.push_back(std::move(c));
        m_cv.notify_all();
        return true;
    }
    bool Pop(Chunk* out) {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_cv.wait(lock, [&] { return m_aborted || !m_items.empty(); });
        if (m_aborted)
            return false;
        *out = std::move(m_items.front());
        m_items.pop_front();
        m_bytes -= out->data.size();
        m_cv.notify_all();
        return true;
    }
    void Abort() {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_aborted = true;
        m_items.clear();
        m_bytes = 0;
        m_cv.notify_all();
    }
    void Reset() {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_aborted = false;
        m_items.clear();
        m_bytes = 0;
    }

private:
    const size_t m_budget;
    std::mutex m_mutex;
    std::condition_variable m_cv;
    std::deque<Chunk> m_items;
    size_t m_bytes = 0;
    bool m_aborted = false;
};

class MpegSplitter;

class SplitterInput final : public dshow::InputPin {
public:
    explicit SplitterInput(MpegSplitter* f);
    HRESULT GetMediaType(int, MediaType*) override { return VFW_S_NO_MORE_ITEMS; }
    HRESULT CheckMediaType(const AM_MEDIA_TYPE* mt) override;
    STDMETHODIMP Receive(IMediaSample*) override { return E_NOTIMPL; } // pulled, never pushed

protected:
    HRESULT CompleteConnect(IPin* pin) override;
    void BreakConnect() override;

private:
    MpegSplitter* m_owner;
};

class SplitterOutput final : public dshow::OutputPin, public IMediaSeeking {
public:
    SplitterOutput(MpegSplitter* f, const wchar_t* name, const MediaType& type, uint8_t streamId,
                   size_t budget);
    ~SplitterOutput() override;
    DSHOW_FORWARD_IUNKNOWN(OutputPin)

    HRESULT GetMediaType(int pos, MediaType* mt) override {
        if (pos != 0)
            return VFW_S_NO_MORE_ITEMS;
        *mt = m_type;
        return S_OK;
    }
    HRESULT CheckMediaType(const AM_MEDIA_TYPE* mt) override {
        return mt && mt->majortype == m_type.majortype && mt->subtype == m_type.subtype
                   ? S_OK
                   : VFW_E_TYPE_NOT_ACCEPTED;
    }
    HRESULT DecideBufferSize(IMemAllocator* alloc, ALLOCATOR_PROPERTIES* request) override {
        ALLOCATOR_PROPERTIES want = *request, got{};
        want.cBuffers = want.cBuffers < 16 ? 16 : want.cBuffers;
        want.cbBuffer = want.cbBuffer < kSampleBuffer ? kSampleBuffer : want.cbBuffer;
        if (want.cbAlign < 1)
            want.cbAlign = 1;
        HRESULT hr = alloc->SetProperties(&want, &got);
        return FAILED(hr) ? hr : (got.cbBuffer >= kSampleBuffer ? S_OK : E_FAIL);
    }

    uint8_t StreamId() const { return m_streamId; }
    ChunkQueue& Queue() { return m_queue; }
    // Delivery thread from the segment that starts at start (stream time 0).
    void StartDelivery(REFERENCE_TIME start, REFERENCE_TIME stop);
    void StopDelivery();

    // IMediaSeeking: the filter's position, for whichever renderer asks.
    STDMETHODIMP GetCapabilities(DWORD* caps) override;
    STDMETHODIMP CheckCapabilities(DWORD* caps) override;
    STDMETHODIMP IsFormatSupported(const GUID* format) override {
        return format && *format == TIME_FORMAT_MEDIA_TIME ? S_OK : S_FALSE;
    }
    STDMETHODIMP QueryPreferredFormat(GUID* format) override {
        if (!format)
            return E_POINTER;
        *format = TIME_FORMAT_MEDIA_TIME;
        return S_OK;
    }
    STDMETHODIMP GetTimeFormat(GUID* format) override { return QueryPreferredFormat(format); }
    STDMETHODIMP IsUsingTimeFormat(const GUID* format) override { return IsFormatSupported(format); }
    STDMETHODIMP SetTimeFormat(const GUID* format) override {
        return format && *format == TIME_FORMAT_MEDIA_TIME ? S_OK : E_INVALIDARG;
    }
    STDMETHODIMP GetDuration(LONGLONG* duration) override;
    STDMETHODIMP GetStopPosition(LONGLONG* stop) override;
    STDMETHODIMP GetCurrentPosition(LONGLONG* current) override;
    STDMETHODIMP ConvertTimeFormat(LONGLONG* target, const GUID* targetFormat, LONGLONG source,
                                   const GUID* sourceFormat) override;
    STDMETHODIMP SetPositions(LONGLONG* current, DWORD currentFlags, LONGLONG* stop,
                              DWORD stopFlags) override;
    STDMETHODIMP GetPositions(LONGLONG* current, LONGLONG* stop) override;
    STDMETHODIMP GetAvailable(LONGLONG* earliest, LONGLONG* latest) override;
    STDMETHODIMP SetRate(double rate) override { return rate == 1.0 ? S_OK : E_NOTIMPL; }
    STDMETHODIMP GetRate(double* rate) override {
        if (!rate)
            return E_POINTER;
        *rate = 1.0;
        return S_OK;
    }
    STDMETHODIMP GetPreroll(LONGLONG* preroll) override {
        if (!preroll)
            return E_POINTER;
        *preroll = 0;
        return S_OK;
    }

protected:
    HRESULT QueryOtherInterface(REFIID iid, void** out) override {
        if (iid == IID_IMediaSeeking) {
            *out = static_cast<IMediaSeeking*>(this);
            AddRef();
            return S_OK;
        }
        return OutputPin::QueryOtherInterface(iid, out);
    }

private:
    static DWORD WINAPI ThreadProc(void* self);
    void Loop();

    MpegSplitter* m_owner;
    MediaType m_type;
    uint8_t m_streamId;
    ChunkQueue m_queue;
    dshow::Handle m_thread;
    REFERENCE_TIME m_segmentStart = 0, m_segmentStop = 0;
};

class MpegSplitter final : public dshow::BaseFilter {
public:
    MpegSplitter() : BaseFilter(CLSID_MPEG1Splitter, L"MPEG-I Stream Splitter") {
        m_input = new SplitterInput(this);
        AddPin(m_input);
    }
    ~MpegSplitter() override {
        StopStreaming();
        Disconnected();
    }

    // Input connected to a reader: the file's layout, and an output per stream.
    HRESULT Connected(IAsyncReader* reader);
    void Disconnected();

    REFERENCE_TIME Duration() {
        AutoLock lock(m_seekLock);
        // A file still being written grows; its length is read again.
        if (m_source && m_layout.duration >= 0) {
            const int64_t size = m_source->Size();
            if (size != m_sizeAtDuration) {
                m_layout.duration = mpegps::ReadDuration(m_source.get(), m_layout);
                m_sizeAtDuration = size;
            }
        }
        return TicksToUnits(m_layout.duration);
    }
    REFERENCE_TIME Start() {
        AutoLock lock(m_seekLock);
        return m_start;
    }
    REFERENCE_TIME StopTime() {
        AutoLock lock(m_seekLock);
        return m_stop > 0 ? m_stop : TicksToUnits(m_layout.duration);
    }
    HRESULT Seek(SplitterOutput* from, LONGLONG* current, DWORD currentFlags, LONGLONG* stop,
                 DWORD stopFlags);

protected:
    HRESULT OnPause() override {
        if (State() == State_Stopped)
            StartStreaming();
        return S_OK;
    }
    HRESULT OnStop() override {
        StopStreaming();
        return S_OK;
    }

private:
    friend class SplitterOutput;
    std::vector<SplitterOutput*> Outputs() const {
        std::vector<SplitterOutput*> outs;
        for (int i = 1; i < PinCount(); ++i)
            outs.push_back(static_cast<SplitterOutput*>(Pin(i)));
        return outs;
    }
    void StartStreaming();
    void StopStreaming();
    static DWORD WINAPI ReaderProc(void* self);
    void ReadLoop();

    SplitterInput* m_input;
    ComPtr<IAsyncReader> m_reader;
    std::unique_ptr<AsyncSource> m_source;
    mpegps::Layout m_layout;
    int64_t m_sizeAtDuration = -1;
    dshow::CritSec m_seekLock;
    REFERENCE_TIME m_start = 0, m_stop = 0; // segment asked for (stop 0: to the end)
    dshow::Handle m_readerThread;
    volatile LONG m_abort = 0;
    volatile LONG m_deliveredSinceSeek = 0; // a sample went out since streaming (re)started
    int64_t m_readFrom = 0;
};

// ---- input ------------------------------------------------------------------------------------

SplitterInput::SplitterInput(MpegSplitter* f) : InputPin(f, L"Input"), m_owner(f) {}

HRESULT SplitterInput::CheckMediaType(const AM_MEDIA_TYPE* mt) {
    if (!mt || mt->majortype != MEDIATYPE_Stream)
        return VFW_E_TYPE_NOT_ACCEPTED;
    return mt->subtype == MEDIASUBTYPE_MPEG1System || mt->subtype == MEDIASUBTYPE_MPEG2_PROGRAM ||
                   mt->subtype == MEDIASUBTYPE_MPEG1VideoCD || mt->subtype == GUID_NULL
               ? S_OK
               : VFW_E_TYPE_NOT_ACCEPTED;
}

HRESULT SplitterInput::CompleteConnect(IPin* pin) {
    ComPtr<IAsyncReader> reader;
    if (FAILED(pin->QueryInterface(IID_IAsyncReader, reader.PutVoid())))
        return VFW_E_NO_TRANSPORT;
    return m_owner->Connected(reader.Get());
}

void SplitterInput::BreakConnect() {
    m_owner->Disconnected();
    InputPin::BreakConnect();
}

// ---- output -----------------------------------------------------------------------------------

SplitterOutput::SplitterOutput(MpegSplitter* f, const wchar_t* name, const MediaType& type, uint8_t streamId,
                               size_t budget)
    : OutputPin(f, name), m_owner(f), m_type(type), m_streamId(streamId), m_queue(budget) {}

SplitterOutput::~SplitterOutput() {
    StopDelivery();
}

void SplitterOutput::StartDelivery(REFERENCE_TIME start, REFERENCE_TIME stop) {
    if (!IsConnected())
        return;
    m_queue.Reset();
    m_segmentStart = start;
    m_segmentStop = stop;
    m_thread.Reset(CreateThread(nullptr, 0, ThreadProc, this, 0, nullptr));
}

void SplitterOutput::StopDelivery() {
    m_queue.Abort();
    if (m_thread.Get()) {
        WaitForSingleObject(m_thread.Get(), INFINITE);
        m_thread.Reset();
    }
}

DWORD WINAPI SplitterOutput::ThreadProc(void* self) {
    static_cast<SplitterOutput*>(self)->Loop();
    return 0;
}

void SplitterOutput::Loop() {
    DeliverNewSegment(m_segmentStart, m_segmentStop, 1.0);
    bool first = true;
    Chunk chunk;
    while (m_queue.Pop(&chunk)) {
        if (chunk.end) {
            DeliverEndOfStream();
            return;
        }
        ComPtr<IMediaSample> sample;
        if (FAILED(GetDeliveryBuffer(sample.Put(), nullptr, nullptr, 0)))
            return; // stopping
        BYTE* p = nullptr;
        sample->GetPointer(&p);
        const LONG n = std::min<LONG>(static_cast<LONG>(chunk.data.size()), sample->GetSize());
        memcpy(p, chunk.data.data(), static_cast<size_t>(n));
        sample->SetActualDataLength(n);
        if (chunk.timed) {
            REFERENCE_TIME start = chunk.start;
            sample->SetTime(&start, nullptr);
        } else {
            sample->SetTime(nullptr, nullptr);
        }
        sample->SetSyncPoint(chunk.timed);
        sample->SetDiscontinuity(first);
        first = false;
        const HRESULT hr = Deliver(sample.Get());
        InterlockedExchange(&m_owner->m_deliveredSinceSeek, 1);
        if (hr != S_OK)
            return; // flushing, stopped, or the downstream filter wants no more
    }
}

STDMETHODIMP SplitterOutput::GetCapabilities(DWORD* caps) {
    if (!caps)
        return E_POINTER;
    *caps = AM_SEEKING_CanSeekAbsolute | AM_SEEKING_CanSeekForwards | AM_SEEKING_CanSeekBackwards |
            AM_SEEKING_CanGetCurrentPos | AM_SEEKING_CanGetStopPos | AM_SEEKING_CanGetDuration;
    return S_OK;
}

STDMETHODIMP SplitterOutput::CheckCapabilities(DWORD* caps) {
    if (!caps)
        return E_POINTER;
    DWORD ours = 0;
    GetCapabilities(&ours);
    const DWORD asked = *caps;
    *caps &= ours;
    return *caps == asked ? S_OK : (*caps ? S_FALSE : E_FAIL);
}

STDMETHODIMP SplitterOutput::GetDuration(LONGLONG* duration) {
    if (!duration)
        return E_POINTER;
    *duration = m_owner->Duration();
    return S_OK;
}

STDMETHODIMP SplitterOutput::GetStopPosition(LONGLONG* stop) {
    if (!stop)
        return E_POINTER;
    *stop = m_owner->StopTime();
    return S_OK;
}

STDMETHODIMP SplitterOutput::GetCurrentPosition(LONGLONG* current) {
    if (!current)
        return E_POINTER;
    *current = m_owner->Start(); // the graph adds the stream time
    return S_OK;
}

STDMETHODIMP SplitterOutput::ConvertTimeFormat(LONGLONG* target, const GUID* targetFormat, LONGLONG source,
                                               const GUID* sourceFormat) {
    if (!target)
        return E_POINTER;
    const bool toMedia = !targetFormat || *targetFormat == TIME_FORMAT_MEDIA_TIME;
    const bool fromMedia = !sourceFormat || *sourceFormat == TIME_FORMAT_MEDIA_TIME;
    if (!toMedia || !fromMedia)
        return E_INVALIDARG;
    *target = source;
    return S_OK;
}

STDMETHODIMP SplitterOutput::SetPositions(LONGLONG* current, DWORD currentFlags, LONGLONG* stop,
                                          DWORD stopFlags) {
    return m_owner->Seek(this, current, currentFlags, stop, stopFlags);
}

STDMETHODIMP SplitterOutput::GetPositions(LONGLONG* current, LONGLONG* stop) {
    if (current)
        *current = m_owner->Start();
    if (stop)
        *stop = m_owner->StopTime();
    return S_OK;
}

STDMETHODIMP SplitterOutput::GetAvailable(LONGLONG* earliest, LONGLONG* latest) {
    if (earliest)
        *earliest = 0;
    if (latest)
        *latest = m_owner->Duration();
    return S_OK;
}

// ---- filter -----------------------------------------------------------------------------------

MediaType VideoType(const mpegps::VideoInfo& v) {
    MediaType mt;
    mt.majortype = MEDIATYPE_Video;
    mt.bFixedSizeSamples = FALSE;
    mt.bTemporalCompression = TRUE;
    mt.lSampleSize = 0;
    const REFERENCE_TIME frame = v.rateNum > 0 ? 10000000LL * v.rateDen / v.rateNum : 400000;
    const ULONG header = static_cast<ULONG>(v.sequenceHeader.size());
    BITMAPINFOHEADER* bmi = nullptr;
    if (v.mpeg2) {
        mt.subtype = MEDIASUBTYPE_MPEG2_VIDEO;
        mt.formattype = FORMAT_MPEG2Video;
        const ULONG size = static_cast<ULONG>(offsetof(MPEG2VIDEOINFO, dwSequenceHeader)) + header;
        auto* info = reinterpret_cast<MPEG2VIDEOINFO*>(
            mt.AllocFormat(size < sizeof(MPEG2VIDEOINFO) ? sizeof(MPEG2VIDEOINFO) : size));
        info->hdr.AvgTimePerFrame = frame;
        info->hdr.dwBitRate = static_cast<DWORD>(v.bitRate);
        // aspect_ratio_information: 2 is 4:3, 3 is 16:9, 4 is 2.21:1, 1 square samples.
        const int ax[] = {0, v.width, 4, 16, 221}, ay[] = {0, v.height, 3, 9, 100};
        const int a = v.aspectCode >= 1 && v.aspectCode <= 4 ? v.aspectCode : 2;
        info->hdr.dwPictAspectRatioX = static_cast<DWORD>(ax[a]);
        info->hdr.dwPictAspectRatioY = static_cast<DWORD>(ay[a]);
        info->cbSequenceHeader = header;
        memcpy(info->dwSequenceHeader, v.sequenceHeader.data(), header);
        bmi = &info->hdr.bmiHeader;
    } else {
        mt.subtype = MEDIASUBTYPE_MPEG1Payload;
        mt.formattype = FORMAT_MPEGVideo;
        const ULONG size = static_cast<ULONG>(offsetof(MPEG1VIDEOINFO, bSequenceHeader)) + header;
        auto* info = reinterpret_cast<MPEG1VIDEOINFO*>(
            mt.AllocFormat(size < sizeof(MPEG1VIDEOINFO) ? sizeof(MPEG1VIDEOINFO) : size));
        info->hdr.AvgTimePerFrame = frame;
        info->hdr.dwBitRate = static_cast<DWORD>(v.bitRate);
        info->cbSequenceHeader = header;
        memcpy(info->bSequenceHeader, v.sequenceHeader.data(), header);
        bmi = &info->hdr.bmiHeader;
    }
    bmi->biSize = sizeof(BITMAPINFOHEADER);
    bmi->biWidth = v.width;
    bmi->biHeight = v.height;
    return mt;
}

MediaType AudioType(const mpegps::AudioInfo& a) {
    MediaType mt;
    mt.majortype = MEDIATYPE_Audio;
    mt.subtype = MEDIASUBTYPE_MPEG1AudioPayload;
    mt.formattype = FORMAT_WaveFormatEx;
    mt.bFixedSizeSamples = FALSE;
    mt.lSampleSize = 0;
    auto* f = reinterpret_cast<MPEG1WAVEFORMAT*>(mt.AllocFormat(sizeof(MPEG1WAVEFORMAT)));
    f->wfx.wFormatTag = WAVE_FORMAT_MPEG;
    f->wfx.nChannels = static_cast<WORD>(a.channels);
    f->wfx.nSamplesPerSec = static_cast<DWORD>(a.sampleRate);
    f->wfx.nAvgBytesPerSec = static_cast<DWORD>(a.bitRate / 8);
    f->wfx.nBlockAlign = 1;
    f->wfx.cbSize = sizeof(MPEG1WAVEFORMAT) - sizeof(WAVEFORMATEX);
    f->fwHeadLayer = static_cast<WORD>(a.layer == 1   ? ACM_MPEG_LAYER1
                                       : a.layer == 3 ? ACM_MPEG_LAYER3
                                                      : ACM_MPEG_LAYER2);
    f->dwHeadBitrate = static_cast<DWORD>(a.bitRate);
    f->fwHeadMode = static_cast<WORD>(a.channels == 1 ? ACM_MPEG_SINGLECHANNEL : ACM_MPEG_STEREO);
    f->fwHeadFlags = ACM_MPEG_ID_MPEG1;
    return mt;
}

HRESULT MpegSplitter::Connected(IAsyncReader* reader) {
    auto source = std::make_unique<AsyncSource>(reader);
    mpegps::Layout layout;
    if (!mpegps::ReadLayout(source.get(), &layout))
        return VFW_E_TYPE_NOT_ACCEPTED; // no program stream with MPEG video or audio
    {
        AutoLock lock(m_seekLock);
        m_reader = ComPtr<IAsyncReader>(reader);
        m_source = std::move(source);
        m_layout = layout;
        m_sizeAtDuration = m_source->Size();
        m_start = 0;
        m_stop = 0;
    }
    if (layout.video.present)
        AddPin(new SplitterOutput(this, L"Video", VideoType(layout.video), layout.video.streamId,
                                  kVideoQueueBytes));
    if (layout.audio.present && layout.audio.layer != 3)
        AddPin(new SplitterOutput(this, L"Audio", AudioType(layout.audio), layout.audio.streamId,
                                  kAudioQueueBytes));
    return PinCount() > 1 ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
}

void MpegSplitter::Disconnected() {
    RetirePins(1);
    AutoLock lock(m_seekLock);
    m_source.reset();
    m_reader = ComPtr<IAsyncReader>();
    m_layout = mpegps::Layout();
}

void MpegSplitter::StartStreaming() {
    if (!m_source)
        return;
    REFERENCE_TIME start, stop;
    {
        AutoLock lock(m_seekLock);
        start = m_start;
        stop = m_stop > 0 ? m_stop : TicksToUnits(m_layout.duration);
        m_readFrom = mpegps::FindSeekOffset(m_source.get(), m_layout, UnitsToTicks(start));
    }
    InterlockedExchange(&m_abort, 0);
    InterlockedExchange(&m_deliveredSinceSeek, 0);
    for (SplitterOutput* o : Outputs())
        o->StartDelivery(start, stop);
    m_readerThread.Reset(CreateThread(nullptr, 0, ReaderProc, this, 0, nullptr));
}

void MpegSplitter::StopStreaming() {
    InterlockedExchange(&m_abort, 1);
    for (SplitterOutput* o : Outputs()) {
        o->Queue().Abort();
        if (o->Allocator())
            o->Allocator()->Decommit(); // wakes a thread waiting for a buffer
    }
    if (m_readerThread.Get()) {
        WaitForSingleObject(m_readerThread.Get(), INFINITE);
        m_readerThread.Reset();
    }
    for (SplitterOutput* o : Outputs())
        o->StopDelivery();
}

DWORD WINAPI MpegSplitter::ReaderProc(void* self) {
    static_cast<MpegSplitter*>(self)->ReadLoop();
    return 0;
}

void MpegSplitter::ReadLoop() {
    std::vector<SplitterOutput*> outs;
    for (SplitterOutput* o : Outputs())
        if (o->IsConnected())
            outs.push_back(o);
    const REFERENCE_TIME start = Start();
    // A file still growing has no end to stop at yet.
    const REFERENCE_TIME stop = m_source->Growing() ? 0 : StopTime();
    mpegps::PacketReader reader(m_source.get(), m_readFrom);
    mpegps::Packet packet;
    std::vector<bool> done(outs.size(), false);
    size_t open = outs.size();
    while (open > 0 && !m_abort) {
        if (!reader.Next(&packet)) {
            if (m_abort || !m_source->Growing())
                break;
            Sleep(kFollowWaitMs);
            reader.Continue();
            continue;
        }
        for (size_t i = 0; i < outs.size(); ++i) {
            if (done[i] || outs[i]->StreamId() != packet.streamId)
                continue;
            Chunk chunk;
            chunk.data.assign(packet.data, packet.data + packet.size);
            if (packet.pts >= 0) {
                chunk.timed = true;
                chunk.start = TicksToUnits(mpegps::PtsDiff(m_layout.firstPts, packet.pts)) - start;
                // Past the segment's end: this stream is finished.
                if (stop > start && chunk.start > stop - start) {
                    done[i] = true;
                    --open;
                    Chunk end;
                    end.end = true;
                    outs[i]->Queue().Push(std::move(end));
                    break;
                }
            }
            if (!outs[i]->Queue().Push(std::move(chunk)))
                return; // stopping
        }
    }
    for (size_t i = 0; i < outs.size(); ++i) {
        if (done[i])
            continue;
        Chunk end;
        end.end = true;
        outs[i]->Queue().Push(std::move(end));
    }
}

HRESULT MpegSplitter::Seek(SplitterOutput* from, LONGLONG* current, DWORD currentFlags, LONGLONG* stop,
                           DWORD stopFlags) {
    AutoLock filterLock(FilterLock());
    (void)from; // every renderer passes the same seek on: any output moves the whole filter
    const DWORD currentHow = currentFlags & AM_SEEKING_PositioningBitsMask;
    const DWORD stopHow = stopFlags & AM_SEEKING_PositioningBitsMask;
    const REFERENCE_TIME duration = Duration();
    REFERENCE_TIME newStart, newStop;
    {
        AutoLock lock(m_seekLock);
        newStart = m_start;
        newStop = m_stop;
    }
    if (currentHow == AM_SEEKING_AbsolutePositioning && current)
        newStart = *current;
    else if (currentHow == AM_SEEKING_RelativePositioning && current)
        newStart += *current;
    if (stopHow == AM_SEEKING_AbsolutePositioning && stop)
        newStop = *stop;
    else if (stopHow == AM_SEEKING_RelativePositioning && stop)
        newStop = (newStop > 0 ? newStop : duration) + *stop;
    if (newStart < 0)
        newStart = 0;
    if (newStart > duration)
        newStart = duration;
    if (newStop >= duration)
        newStop = 0;
    // The second renderer's copy of a seek the first one made finds nothing delivered since.
    bool moves = currentHow != AM_SEEKING_NoPositioning;
    {
        AutoLock lock(m_seekLock);
        if (moves && newStart == m_start && newStop == m_stop && !m_deliveredSinceSeek)
            moves = false;
    }
    if (moves && State() != State_Stopped) {
        // Flush what is on its way, then stream again from the new place.
        for (SplitterOutput* o : Outputs())
            if (o->IsConnected())
                o->DeliverBeginFlush();
        StopStreaming();
        for (SplitterOutput* o : Outputs())
            if (o->IsConnected()) {
                o->DeliverEndFlush();
                if (o->Allocator())
                    o->Allocator()->Commit();
            }
    }
    {
        AutoLock lock(m_seekLock);
        m_start = newStart;
        m_stop = newStop;
    }
    if (moves && State() != State_Stopped)
        StartStreaming();
    else if (moves)
        m_deliveredSinceSeek = 0;
    if ((currentFlags & AM_SEEKING_ReturnTime) && current)
        *current = newStart;
    if ((stopFlags & AM_SEEKING_ReturnTime) && stop)
        *stop = newStop > 0 ? newStop : duration;
    return S_OK;
}

} // namespace

HRESULT CreateMpegSplitter(IUnknown** out) {
    auto* f = new (std::nothrow) MpegSplitter();
    if (!f)
        return E_OUTOFMEMORY;
    *out = static_cast<IBaseFilter*>(f);
    return S_OK;
}

} // namespace filters
