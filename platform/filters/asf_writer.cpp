// Stand-in for the stock WM ASF Writer: configured from a Windows Media profile (any runtime's
// IWMProfile), one input per profile stream in the profile's order ("Audio Input 01" for the
// sound, "Video Input 01" for the picture), and an ASF file written with libavformat: WMA2 sound
// (16-bit PCM in, at the rate it arrives) and WMV2 pictures (YUY2 in, at the size they arrive),
// each at its stream's bit rate. The file name comes through IFileSinkFilter2. The file is
// completed (header with its duration, index) when the recording ends: stop, or the end of
// every stream.
#include "platform/filters/stock_codecs.h"

#include "platform/include/asf_writer.h"
#include "platform/dshow/file_sink.h"
#include "platform/dshow/filter.h"
#include "platform/encoders/yuy2_planar.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
}

#include <mmreg.h>
#include <nserror.h>
#include <uuids.h>

#include <memory>
#include <new>
#include <string>
#include <vector>

using dshow::AutoLock;
using dshow::ComPtr;
using dshow::MediaType;

namespace filters {

namespace {

class AsfWriter;

// What a profile stream asks of its input.
struct StreamPlan {
    bool video = false;
    DWORD bitRate = 0;
    // Offered input type: the profile's sound or picture format as PCM or YUY2.
    DWORD samplesPerSec = 44100;
    WORD channels = 2;
    LONG width = 352, height = 288;
    REFERENCE_TIME frameTime = 400000;
    REFERENCE_TIME keySpacing = 0; // 100 ns; 0: every two seconds
};

// One input and its encoder.
class AsfInput final : public dshow::InputPin {
public:
    AsfInput(AsfWriter* writer, const wchar_t* name, const StreamPlan& plan);
    ~AsfInput() override { CloseEncoder(); }

    HRESULT GetMediaType(int pos, MediaType* mt) override {
        if (pos != 0)
            return VFW_S_NO_MORE_ITEMS;
        *mt = m_plan.video ? dshow::MakeYuy2Type(m_plan.width, m_plan.height, m_plan.frameTime)
                           : dshow::MakePcmType(m_plan.samplesPerSec, m_plan.channels);
        return S_OK;
    }
    HRESULT CheckMediaType(const AM_MEDIA_TYPE* mt) override;
    STDMETHODIMP Receive(IMediaSample* sample) override;
    STDMETHODIMP EndOfStream() override;

    const StreamPlan& Plan() const { return m_plan; }
    // Encoder for the connected type; its stream in the muxer is given later.
    bool OpenEncoder();
    void CloseEncoder() {
        avcodec_free_context(&m_context);
        av_frame_free(&m_frame);
        av_packet_free(&m_packet);
    }
    AVCodecContext* Context() const { return m_context; }
    void SetStream(int index) { m_stream = index; }
    int Stream() const { return m_stream; }
    // Sends what the encoder holds to the muxer (end of the recording).
    void Drain();
    bool Ended() const { return m_ended; }
    dshow::CritSec& Lock() { return m_lock; }

private:
    HRESULT EncodeAudio(const BYTE* data, long len, REFERENCE_TIME start, bool haveTime);
    HRESULT EncodeVideo(const BYTE* data, long len, REFERENCE_TIME start, bool haveTime);
    HRESULT Send(AVFrame* frame);

    AsfWriter* m_writer;
    StreamPlan m_plan;
    dshow::CritSec m_lock;
    AVCodecContext* m_context = nullptr;
    AVFrame* m_frame = nullptr;
    AVPacket* m_packet = nullptr;
    int m_stream = -1;
    int m_filled = 0;       // audio: samples waiting in frame_
    int64_t m_nextPts = -1; // audio: samples; video: frames
    bool m_ended = false;
};

class AsfWriter final : public dshow::BaseFilter, public IConfigAsfWriter, public IFileSinkFilter2 {
public:
    AsfWriter() : BaseFilter(CLSID_WMAsfWriter, L"WM ASF Writer") {}
    ~AsfWriter() override { CloseFile(); }
    DSHOW_FORWARD_IUNKNOWN(dshow::BaseFilter)

    // IConfigAsfWriter
    STDMETHODIMP ConfigureFilterUsingProfileId(DWORD) override { return E_INVALIDARG; }
    STDMETHODIMP GetCurrentProfileId(DWORD* id) override {
        if (!id)
            return E_POINTER;
        *id = 0;
        return m_profile ? S_OK : NS_E_NOT_CONFIGURED;
    }
    STDMETHODIMP ConfigureFilterUsingProfileGuid(REFGUID) override { return E_INVALIDARG; }
    STDMETHODIMP GetCurrentProfileGuid(GUID* guid) override {
        if (!guid)
            return E_POINTER;
        *guid = GUID_NULL;
        return m_profile ? S_OK : NS_E_NOT_CONFIGURED;
    }
    STDMETHODIMP ConfigureFilterUsingProfile(IWMProfile* profile) override;
    STDMETHODIMP GetCurrentProfile(IWMProfile** profile) override {
        if (!profile)
            return E_POINTER;
        *profile = m_profile.Get();
        if (!*profile)
            return NS_E_NOT_CONFIGURED;
        (*profile)->AddRef();
        return S_OK;
    }
    // The muxer indexes the pictures of every file; a file without pictures needs no index.
    STDMETHODIMP SetIndexMode(BOOL index) override {
        m_index = index != FALSE;
        return S_OK;
    }
    STDMETHODIMP GetIndexMode(BOOL* index) override {
        if (!index)
            return E_POINTER;
        *index = m_index ? TRUE : FALSE;
        return S_OK;
    }

    // IFileSinkFilter2
    STDMETHODIMP SetFileName(LPCOLESTR name, const AM_MEDIA_TYPE*) override;
    STDMETHODIMP GetCurFile(LPOLESTR* name, AM_MEDIA_TYPE* mt) override {
        AutoLock lock(FilterLock());
        return m_file.Give(name, mt);
    }
    STDMETHODIMP SetMode(DWORD flags) override {
        if (flags & ~AM_FILE_OVERWRITE)
            return E_INVALIDARG;
        m_mode = flags;
        return S_OK;
    }
    STDMETHODIMP GetMode(DWORD* flags) override {
        if (!flags)
            return E_POINTER;
        *flags = m_mode;
        return S_OK;
    }

    // Called by the inputs (streaming threads).
    HRESULT Mux(AsfInput* input, AVPacket* packet);
    // The time every stream counts from: the first sample of any input (S_FALSE: before it).
    REFERENCE_TIME Base(REFERENCE_TIME start) {
        AutoLock lock(m_muxLock);
        if (!m_haveBase) {
            m_haveBase = true;
            m_base = start;
        }
        return m_base;
    }
    bool Accepting() const { return m_accepting; }
    void InputEnded();

protected:
    HRESULT QueryOtherInterface(REFIID iid, void** out) override {
        if (iid == __uuidof(IConfigAsfWriter))
            *out = static_cast<IConfigAsfWriter*>(this);
        else if (iid == IID_IFileSinkFilter || iid == IID_IFileSinkFilter2)
            *out = static_cast<IFileSinkFilter2*>(this);
        else
            return BaseFilter::QueryOtherInterface(iid, out);
        AddRef();
        return S_OK;
    }
    HRESULT OnPause() override {
        if (State() == State_Running) {
            Finish(); // leaving the running state ends the recording
            return S_OK;
        }
        return State() == State_Stopped ? OpenFile() : S_OK;
    }
    HRESULT OnRun(REFERENCE_TIME) override {
        m_accepting = m_context != nullptr;
        return S_OK;
    }
    HRESULT OnStop() override {
        Finish();
        return S_OK;
    }

private:
    std::vector<AsfInput*> Inputs() const {
        std::vector<AsfInput*> inputs;
        for (int i = 0; i < PinCount(); ++i)
            inputs.push_back(static_cast<AsfInput*>(Pin(i)));
        return inputs;
    }
    HRESULT OpenFile();
    void Finish();
    void CloseFile();
    static int WritePacket(void* opaque, uint8_t* data, int size);
    static int64_t Seek(void* opaque, int64_t offset, int whence);

    ComPtr<IWMProfile> m_profile;
    dshow::FileSinkName m_file{MEDIATYPE_Stream, MEDIASUBTYPE_Asf, S_OK};
    DWORD m_mode = 0;
    bool m_index = true;
    dshow::CritSec m_muxLock;
    AVFormatContext* m_context = nullptr;
    HANDLE m_handle = INVALID_HANDLE_VALUE;
    volatile bool m_accepting = false;
    bool m_failed = false;
    bool m_haveBase = false;
    REFERENCE_TIME m_base = 0;
};

// ---- configuration --------------------------------------------------------------------------

// The media type of a profile stream (two calls: size, then the type).
bool StreamMediaType(IWMStreamConfig* config, std::vector<BYTE>* buffer) {
    ComPtr<IWMMediaProps> props;
    DWORD size = 0;
    if (FAILED(config->QueryInterface(__uuidof(IWMMediaProps), props.PutVoid())) ||
        FAILED(props->GetMediaType(nullptr, &size)) || size < sizeof(WM_MEDIA_TYPE))
        return false;
    buffer->assign(size, 0);
    return SUCCEEDED(props->GetMediaType(reinterpret_cast<WM_MEDIA_TYPE*>(buffer->data()), &size));
}

STDMETHODIMP AsfWriter::ConfigureFilterUsingProfile(IWMProfile* profile) {
    if (!profile)
        return E_POINTER;
    AutoLock lock(FilterLock());
    if (State() != State_Stopped)
        return VFW_E_NOT_STOPPED;
    for (AsfInput* in : Inputs())
        if (in->IsConnected())
            return VFW_E_ALREADY_CONNECTED;
    DWORD count = 0;
    if (FAILED(profile->GetStreamCount(&count)) || count == 0 || count > 8)
        return NS_E_INVALID_PROFILE_CONTENTTYPE;
    std::vector<StreamPlan> plans;
    int audio = 0, video = 0;
    for (DWORD i = 0; i < count; ++i) {
        ComPtr<IWMStreamConfig> config;
        GUID major;
        StreamPlan plan;
        std::vector<BYTE> buffer;
        if (FAILED(profile->GetStream(i, config.Put())) || FAILED(config->GetStreamType(&major)) ||
            FAILED(config->GetBitrate(&plan.bitRate)) || !StreamMediaType(config.Get(), &buffer))
            return NS_E_INVALID_PROFILE_CONTENTTYPE;
        const auto* type = reinterpret_cast<const WM_MEDIA_TYPE*>(buffer.data());
        if (major == MEDIATYPE_Audio && type->formattype == FORMAT_WaveFormatEx &&
            type->cbFormat >= sizeof(WAVEFORMAT)) {
            const auto* wfx = reinterpret_cast<const WAVEFORMATEX*>(type->pbFormat);
            plan.samplesPerSec = wfx->nSamplesPerSec;
            plan.channels = wfx->nChannels > 2 ? 2 : wfx->nChannels;
            ++audio;
        } else if (major == MEDIATYPE_Video && type->formattype == FORMAT_VideoInfo &&
                   type->cbFormat >= sizeof(VIDEOINFOHEADER)) {
            const auto* vih = reinterpret_cast<const VIDEOINFOHEADER*>(type->pbFormat);
            plan.video = true;
            plan.width = vih->bmiHeader.biWidth;
            plan.height = vih->bmiHeader.biHeight < 0 ? -vih->bmiHeader.biHeight : vih->bmiHeader.biHeight;
            if (vih->AvgTimePerFrame > 0)
                plan.frameTime = vih->AvgTimePerFrame;
            ++video;
        } else {
            return NS_E_INVALID_PROFILE_CONTENTTYPE; // neither sound nor pictures this writer encodes
        }
        // A bit rate the encoders cannot keep.
        if (plan.bitRate < (plan.video ? 32000u : 24000u) || plan.bitRate > 20000000u)
            return NS_E_INVALID_PROFILE_CONTENTTYPE;
        plans.push_back(plan);
    }
    RetirePins(0);
    audio = video = 0;
    for (const StreamPlan& plan : plans) {
        wchar_t name[32];
        swprintf(name, 32, plan.video ? L"Video Input %02d" : L"Audio Input %02d",
                 plan.video ? ++video : ++audio);
        AddPin(new AsfInput(this, name, plan));
    }
    m_profile = profile;
    return S_OK;
}

STDMETHODIMP AsfWriter::SetFileName(LPCOLESTR name, const AM_MEDIA_TYPE*) {
    HRESULT hr = m_file.Check(name, HRESULT_FROM_WIN32(ERROR_INVALID_NAME));
    if (hr != S_OK)
        return hr;
    AutoLock lock(FilterLock());
    if (State() != State_Stopped)
        return VFW_E_NOT_STOPPED;
    // A wrong folder or a read-only file is told now; a file that was not there is not left.
    dshow::FileSinkName probe = m_file;
    probe.Keep(name);
    hr = probe.ProbeCreatable();
    if (FAILED(hr))
        return hr;
    m_file = probe;
    return S_OK;
}

// ---- the file -------------------------------------------------------------------------------

int AsfWriter::WritePacket(void* opaque, uint8_t* data, int size) {
    auto* self = static_cast<AsfWriter*>(opaque);
    DWORD written = 0;
    if (!WriteFile(self->m_handle, data, static_cast<DWORD>(size), &written, nullptr) ||
        written != static_cast<DWORD>(size))
        return AVERROR(EIO);
    return size;
}

int64_t AsfWriter::Seek(void* opaque, int64_t offset, int whence) {
    auto* self = static_cast<AsfWriter*>(opaque);
    LARGE_INTEGER to, at;
    if (whence & AVSEEK_SIZE) {
        return GetFileSizeEx(self->m_handle, &at) ? at.QuadPart : AVERROR(EIO);
    }
    to.QuadPart = offset;
    const DWORD method = (whence & 3) == SEEK_CUR   ? FILE_CURRENT
                         : (whence & 3) == SEEK_END ? FILE_END
                                                    : FILE_BEGIN;
    return SetFilePointerEx(self->m_handle, to, &at, method) ? at.QuadPart : AVERROR(EIO);
}

HRESULT AsfWriter::OpenFile() {
    CloseFile();
    if (!m_profile)
        return NS_E_NOT_CONFIGURED;
    if (m_file.Empty())
        return HRESULT_FROM_WIN32(ERROR_INVALID_NAME);
    std::vector<AsfInput*> connected;
    for (AsfInput* in : Inputs())
        if (in->IsConnected())
            connected.push_back(in);
    if (connected.empty())
        return VFW_E_NOT_CONNECTED;
    for (AsfInput* in : connected)
        if (!in->OpenEncoder()) {
            for (AsfInput* other : connected)
                other->CloseEncoder();
            return VFW_E_TYPE_NOT_ACCEPTED;
        }
    m_handle = CreateFileW(m_file.Name().c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                           CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (m_handle == INVALID_HANDLE_VALUE) {
        const HRESULT hr = HRESULT_FROM_WIN32(GetLastError());
        for (AsfInput* in : connected)
            in->CloseEncoder();
        return hr;
    }
    HRESULT hr = E_FAIL;
    const int bufferSize = 64 * 1024;
    auto* buffer = static_cast<unsigned char*>(av_malloc(bufferSize));
    if (avformat_alloc_output_context2(&m_context, nullptr, "asf", nullptr) >= 0 && buffer) {
        m_context->pb = avio_alloc_context(buffer, bufferSize, 1, this, nullptr, WritePacket, Seek);
        buffer = nullptr; // the I/O context owns it now
        bool ok = m_context->pb != nullptr;
        for (AsfInput* in : connected) {
            AVStream* st = ok ? avformat_new_stream(m_context, nullptr) : nullptr;
            ok = st && avcodec_parameters_from_context(st->codecpar, in->Context()) >= 0;
            if (ok) {
                st->time_base = in->Context()->time_base;
                in->SetStream(st->index);
            }
        }
        if (ok && avformat_write_header(m_context, nullptr) >= 0)
            hr = S_OK;
    }
    av_free(buffer);
    if (FAILED(hr)) {
        CloseFile();
        for (AsfInput* in : connected)
            in->CloseEncoder();
        DeleteFileW(m_file.Name().c_str());
        return hr;
    }
    m_failed = false;
    m_haveBase = false;
    return S_OK;
}

HRESULT AsfWriter::Mux(AsfInput* input, AVPacket* packet) {
    AutoLock lock(m_muxLock);
    if (!m_context || m_failed)
        return m_failed ? E_FAIL : S_OK;
    AVStream* st = m_context->streams[input->Stream()];
    av_packet_rescale_ts(packet, input->Context()->time_base, st->time_base);
    packet->stream_index = input->Stream();
    if (av_interleaved_write_frame(m_context, packet) < 0) {
        m_failed = true;
        m_accepting = false;
        NotifyEvent(EC_ERRORABORT, E_FAIL, 0);
        return E_FAIL;
    }
    return S_OK;
}

void AsfWriter::InputEnded() {
    for (AsfInput* in : Inputs())
        if (in->IsConnected() && !in->Ended())
            return;
    Finish();
    NotifyEvent(EC_COMPLETE, S_OK, 0);
}

void AsfWriter::Finish() {
    m_accepting = false;
    // Each input's encoder gives what it still holds; then the trailer completes the file.
    for (AsfInput* in : Inputs()) {
        AutoLock lock(in->Lock());
        if (in->Context())
            in->Drain();
        in->CloseEncoder();
    }
    AutoLock lock(m_muxLock);
    if (m_context && !m_failed)
        av_write_trailer(m_context);
    CloseFile();
}

void AsfWriter::CloseFile() {
    if (m_context) {
        if (m_context->pb) {
            avio_flush(m_context->pb);
            av_freep(&m_context->pb->buffer);
            avio_context_free(&m_context->pb);
        }
        avformat_free_context(m_context);
        m_context = nullptr;
    }
    if (m_handle != INVALID_HANDLE_VALUE)
        CloseHandle(m_handle);
    m_handle = INVALID_HANDLE_VALUE;
}

// ---- inputs ---------------------------------------------------------------------------------

AsfInput::AsfInput(AsfWriter* writer, const wchar_t* name, const StreamPlan& plan)
    : InputPin(writer, name), m_writer(writer), m_plan(plan) {}

HRESULT AsfInput::CheckMediaType(const AM_MEDIA_TYPE* mt) {
    if (!mt || !mt->pbFormat)
        return VFW_E_TYPE_NOT_ACCEPTED;
    if (m_plan.video) {
        if (mt->majortype != MEDIATYPE_Video || mt->subtype != MEDIASUBTYPE_YUY2 ||
            mt->formattype != FORMAT_VideoInfo || mt->cbFormat < sizeof(VIDEOINFOHEADER))
            return VFW_E_TYPE_NOT_ACCEPTED;
        const BITMAPINFOHEADER& bih = reinterpret_cast<const VIDEOINFOHEADER*>(mt->pbFormat)->bmiHeader;
        const LONG height = bih.biHeight < 0 ? -bih.biHeight : bih.biHeight;
        return bih.biWidth >= 16 && height >= 16 && bih.biWidth <= 4096 && height <= 4096 &&
                       bih.biWidth % 2 == 0 && height % 2 == 0
                   ? S_OK
                   : VFW_E_TYPE_NOT_ACCEPTED;
    }
    if (mt->majortype != MEDIATYPE_Audio || mt->formattype != FORMAT_WaveFormatEx ||
        mt->cbFormat < sizeof(WAVEFORMAT) + sizeof(WORD))
        return VFW_E_TYPE_NOT_ACCEPTED;
    const auto* wfx = reinterpret_cast<const WAVEFORMATEX*>(mt->pbFormat);
    // WMA2 takes up to two channels at up to 48 kHz.
    return wfx->wFormatTag == WAVE_FORMAT_PCM && wfx->wBitsPerSample == 16 && wfx->nChannels >= 1 &&
                   wfx->nChannels <= 2 && wfx->nBlockAlign == wfx->nChannels * 2 &&
                   wfx->nSamplesPerSec >= 8000 && wfx->nSamplesPerSec <= 48000
               ? S_OK
               : VFW_E_TYPE_NOT_ACCEPTED;
}

bool AsfInput::OpenEncoder() {
    CloseEncoder();
    const AVCodec* codec = avcodec_find_encoder(m_plan.video ? AV_CODEC_ID_WMV2 : AV_CODEC_ID_WMAV2);
    m_context = codec ? avcodec_alloc_context3(codec) : nullptr;
    m_frame = av_frame_alloc();
    m_packet = av_packet_alloc();
    if (!m_context || !m_frame || !m_packet) {
        CloseEncoder();
        return false;
    }
    m_context->bit_rate = m_plan.bitRate;
    m_context->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    if (m_plan.video) {
        const VIDEOINFOHEADER* vih = CurrentMediaType().VideoInfo();
        const REFERENCE_TIME frame = vih->AvgTimePerFrame > 0 ? vih->AvgTimePerFrame : m_plan.frameTime;
        AVRational rate;
        av_reduce(&rate.num, &rate.den, frame, 10000000, 1 << 16);
        m_context->width = vih->bmiHeader.biWidth;
        m_context->height = vih->bmiHeader.biHeight < 0 ? -vih->bmiHeader.biHeight : vih->bmiHeader.biHeight;
        m_context->pix_fmt = AV_PIX_FMT_YUV420P;
        m_context->time_base = rate;
        m_context->framerate = AVRational{rate.den, rate.num};
        m_context->gop_size = static_cast<int>(2 * 10000000 / frame);
        m_context->max_b_frames = 0;
        m_frame->format = AV_PIX_FMT_YUV420P;
        m_frame->width = m_context->width;
        m_frame->height = m_context->height;
    } else {
        const WAVEFORMATEX* wfx = CurrentMediaType().WaveFormat();
        m_context->sample_rate = static_cast<int>(wfx->nSamplesPerSec);
        m_context->sample_fmt = AV_SAMPLE_FMT_FLTP;
        av_channel_layout_default(&m_context->ch_layout, wfx->nChannels);
        m_context->time_base = AVRational{1, m_context->sample_rate};
    }
    m_context->thread_count = 1;
    if (avcodec_open2(m_context, codec, nullptr) < 0) {
        CloseEncoder();
        return false;
    }
    if (!m_plan.video) {
        m_frame->format = AV_SAMPLE_FMT_FLTP;
        m_frame->nb_samples = m_context->frame_size > 0 ? m_context->frame_size : 2048;
        m_frame->sample_rate = m_context->sample_rate;
        av_channel_layout_copy(&m_frame->ch_layout, &m_context->ch_layout);
    }
    if (av_frame_get_buffer(m_frame, 0) < 0) {
        CloseEncoder();
        return false;
    }
    m_filled = 0;
    m_nextPts = -1;
    m_ended = false;
    return true;
}

STDMETHODIMP AsfInput::Receive(IMediaSample* sample) {
    if (!sample)
        return E_POINTER;
    AutoLock lock(m_lock);
    HRESULT hr = CheckStreaming();
    if (hr != S_OK)
        return hr;
    if (!m_writer->Accepting() || !m_context || m_ended)
        return S_OK;
    BYTE* data = nullptr;
    if (FAILED(sample->GetPointer(&data)))
        return E_FAIL;
    REFERENCE_TIME start = 0, stop = 0;
    const bool haveTime = SUCCEEDED(sample->GetTime(&start, &stop));
    const long len = sample->GetActualDataLength();
    return m_plan.video ? EncodeVideo(data, len, start, haveTime) : EncodeAudio(data, len, start, haveTime);
}

STDMETHODIMP AsfInput::EndOfStream() {
    {
        AutoLock lock(m_lock);
        if (CheckStreaming() != S_OK || m_ended)
            return S_OK;
        m_ended = true;
    }
    m_writer->InputEnded();
    return S_OK;
}

HRESULT AsfInput::Send(AVFrame* frame) {
    if (avcodec_send_frame(m_context, frame) < 0)
        return E_FAIL;
    for (;;) {
        const int got = avcodec_receive_packet(m_context, m_packet);
        if (got == AVERROR(EAGAIN) || got == AVERROR_EOF)
            return S_OK;
        if (got < 0)
            return E_FAIL;
        const HRESULT hr = m_writer->Mux(this, m_packet);
        av_packet_unref(m_packet);
        if (FAILED(hr))
            return hr;
    }
}

HRESULT AsfInput::EncodeVideo(const BYTE* data, long len, REFERENCE_TIME start, bool haveTime) {
    const int w = m_context->width, h = m_context->height;
    const long stride = w * 2L;
    if (len < stride * h)
        return S_OK; // no whole picture
    // Frames count from the recording's start; a frame the source lost leaves its slot empty.
    const REFERENCE_TIME frame =
        static_cast<REFERENCE_TIME>(10000000) * m_context->time_base.num / m_context->time_base.den;
    int64_t pts = m_nextPts < 0 ? 0 : m_nextPts;
    if (haveTime) {
        const REFERENCE_TIME base = m_writer->Base(start);
        if (start < base)
            return S_OK;
        pts = (start - base + frame / 2) / frame;
        if (m_nextPts >= 0 && pts < m_nextPts)
            pts = m_nextPts;
    }
    if (av_frame_make_writable(m_frame) < 0)
        return E_FAIL;
    encoders::Yuy2ToI420(data, static_cast<int>(stride), w, h, m_frame->data[0], m_frame->linesize[0],
                         m_frame->data[1], m_frame->data[2], m_frame->linesize[1]);
    m_frame->pts = pts;
    m_nextPts = pts + 1;
    return Send(m_frame);
}

HRESULT AsfInput::EncodeAudio(const BYTE* data, long len, REFERENCE_TIME start, bool haveTime) {
    const int channels = m_context->ch_layout.nb_channels;
    int frames = static_cast<int>(len / (2 * channels));
    const auto* pcm = reinterpret_cast<const int16_t*>(data);
    if (m_nextPts < 0) {
        // The first sound: its place on the recording's time line.
        REFERENCE_TIME offset = 0;
        if (haveTime) {
            const REFERENCE_TIME base = m_writer->Base(start);
            offset = start - base;
            if (offset < 0) {
                // Sound from before the recording started: only what lies after the start.
                const int64_t skip = (-offset) * m_context->sample_rate / 10000000;
                if (skip >= frames)
                    return S_OK;
                pcm += skip * channels;
                frames -= static_cast<int>(skip);
                offset = 0;
            }
        }
        m_nextPts = offset * m_context->sample_rate / 10000000;
    }
    while (frames > 0) {
        if (m_filled == 0 && av_frame_make_writable(m_frame) < 0)
            return E_FAIL;
        const int take = frames < m_frame->nb_samples - m_filled ? frames : m_frame->nb_samples - m_filled;
        for (int c = 0; c < channels; ++c) {
            auto* out = reinterpret_cast<float*>(m_frame->data[c]) + m_filled;
            for (int i = 0; i < take; ++i)
                out[i] = pcm[i * channels + c] / 32768.0f;
        }
        pcm += take * channels;
        frames -= take;
        m_filled += take;
        if (m_filled == m_frame->nb_samples) {
            m_frame->pts = m_nextPts;
            m_nextPts += m_filled;
            m_filled = 0;
            const HRESULT hr = Send(m_frame);
            if (FAILED(hr))
                return hr;
        }
    }
    return S_OK;
}

void AsfInput::Drain() {
    if (!m_plan.video && m_filled > 0) {
        // The last sound, filled up with silence to a whole frame.
        for (int c = 0; c < m_context->ch_layout.nb_channels; ++c) {
            auto* out = reinterpret_cast<float*>(m_frame->data[c]);
            for (int i = m_filled; i < m_frame->nb_samples; ++i)
                out[i] = 0;
        }
        m_frame->pts = m_nextPts;
        m_nextPts += m_filled;
        m_filled = 0;
        Send(m_frame);
    }
    Send(nullptr);
}

} // namespace

HRESULT CreateAsfWriter(IUnknown** out) {
    auto* f = new (std::nothrow) AsfWriter();
    if (!f)
        return E_OUTOFMEMORY;
    *out = static_cast<IBaseFilter*>(f);
    return S_OK;
}

} // namespace filters
