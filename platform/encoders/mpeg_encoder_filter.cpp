// "Vazuvoduz MPEG Encoder": YUY2 video and PCM sound in, a DVD/SVCD/VCD program stream file
// out, encoded on a worker thread behind a bounded queue that drops (and counts) rather than
// ever holding up the capture thread. Settings come through the interfaces of mpeg_encoder.h.
#include "platform/encoders/encoders.h"

#include "platform/dshow/bounded_queue.h"
#include "platform/dshow/file_sink.h"
#include "platform/dshow/filter.h"
#include "platform/include/mpeg_encoder.h"
#include "platform/encoders/mpeg_program.h"

#include <uuids.h>

#include <atomic>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <thread>
#include <vector>

using dshow::AutoLock;
using dshow::MediaType;

namespace encoders {

namespace {

class MpegEncoder;

// Queue: at most this many items, of which at most kMaxQueuedPictures pictures (a second of
// PAL, 21 MB at the DVD size: enough to ride out a second in which other programs take the
// processor); sound blocks are small and only dropped when the whole queue is full.
constexpr size_t kQueueItems = 160;
constexpr long kMaxQueuedPictures = 25;
// A gap in the pictures of at most this many places is filled with the last picture.
constexpr int64_t kMaxRepeats = 30;
// Sound that arrives before the first picture is held at most this long.
constexpr REFERENCE_TIME kMaxEarlySound = 30000000;

struct Item {
    bool video = false;
    REFERENCE_TIME time = -1; // stream time of the sample's start, -1 when it had none
    bool afterDrop = false;   // a picture before this one was dropped
    std::vector<uint8_t> data;
};

// The settings the interfaces collect, applied when a configuration ends.
struct Config {
    bool configured = false;
    long format = 0;
    long videoBitRate = 0; // 0: the format's own
    bool interlaced = false;
    bool strictGop = false;
    long streamType = 5;
    bool audio = true;
    long syncTolerance = 10;
    bool stereo = true;
    bool fillGaps = true;
    bool dropEarly = true;
    bool standardRate = true;
    long stereoKbpsPerChannel = 112, monoKbps = 112;
};

bool FormatFromCode(long code, DiscFormat* format, bool* ntsc) {
    switch (code) {
    case tunaro::kMpegFormatVcdNtsc:
    case tunaro::kMpegFormatVcdPal:
        *format = DiscFormat::Vcd;
        break;
    case tunaro::kMpegFormatDvdNtsc:
    case tunaro::kMpegFormatDvdPal:
        *format = DiscFormat::Dvd;
        break;
    case tunaro::kMpegFormatSvcdNtsc:
    case tunaro::kMpegFormatSvcdPal:
        *format = DiscFormat::Svcd;
        break;
    default:
        return false;
    }
    *ntsc = code == tunaro::kMpegFormatVcdNtsc || code == tunaro::kMpegFormatDvdNtsc ||
            code == tunaro::kMpegFormatSvcdNtsc;
    return true;
}

// Width and height of a video type: VideoInfo, or the engine's MPEG-video relabelling of the
// same header (whose first 72 bytes still describe the picture).
bool PictureSize(const AM_MEDIA_TYPE* mt, LONG* w, LONG* h, DWORD* compression) {
    if (!mt->pbFormat || mt->cbFormat < 72)
        return false;
    if (mt->formattype != FORMAT_VideoInfo && mt->formattype != FORMAT_MPEGVideo)
        return false;
    const auto* vih = reinterpret_cast<const VIDEOINFOHEADER*>(mt->pbFormat);
    *w = vih->bmiHeader.biWidth;
    *h = std::labs(vih->bmiHeader.biHeight);
    *compression = vih->bmiHeader.biCompression;
    return true;
}

class EncoderInput final : public dshow::InputPin {
public:
    EncoderInput(MpegEncoder* f, const wchar_t* name, bool video);
    HRESULT GetMediaType(int, MediaType*) override { return VFW_S_NO_MORE_ITEMS; }
    HRESULT CheckMediaType(const AM_MEDIA_TYPE* mt) override;
    STDMETHODIMP Receive(IMediaSample* sample) override;

private:
    MpegEncoder* m_encoder;
    bool m_video;
};

class MpegEncoder final : public dshow::BaseFilter,
                          public IFileSinkFilter,
                          public IMpegEncoderConfig,
                          public IMpegEncoderAudio {
public:
    MpegEncoder() : BaseFilter(tunaro::kClsidMpegEncoder, tunaro::kNameMpegEncoder), m_queue(kQueueItems) {
        m_video = new EncoderInput(this, L"Video", true);
        m_audio = new EncoderInput(this, L"Audio", false);
        AddPin(m_video);
        AddPin(m_audio);
    }
    ~MpegEncoder() override { StopWorker(); }
    DSHOW_FORWARD_IUNKNOWN(dshow::BaseFilter)

    // IFileSinkFilter
    STDMETHODIMP SetFileName(LPCOLESTR name, const AM_MEDIA_TYPE*) override {
        if (!name)
            return E_POINTER;
        AutoLock lock(FilterLock());
        if (State() != State_Stopped)
            return VFW_E_WRONG_STATE;
        if (m_file.Check(name, E_INVALIDARG) != S_OK) {
            SetError(*name ? "the file name is too long" : "no file name");
            return E_INVALIDARG;
        }
        m_file.Keep(name);
        return S_OK;
    }
    STDMETHODIMP GetCurFile(LPOLESTR* name, AM_MEDIA_TYPE* mt) override {
        AutoLock lock(FilterLock());
        return m_file.Give(name, mt);
    }

    // IMpegEncoderConfig
    STDMETHODIMP BeginConfig(long value) override {
        AutoLock lock(FilterLock());
        if (State() != State_Stopped)
            return VFW_E_WRONG_STATE;
        if (value != 1)
            return E_INVALIDARG;
        m_pending = m_config;
        m_pending.configured = false;
        m_inConfig = true;
        return S_OK;
    }
    STDMETHODIMP SetVideoBitRate(long bps) override {
        return Setting(bps >= 500000 && bps <= 15000000, [&] { m_pending.videoBitRate = bps; });
    }
    STDMETHODIMP SetFormat(long code) override {
        DiscFormat f = DiscFormat::Dvd;
        bool ntsc = false;
        return Setting(FormatFromCode(code, &f, &ntsc), [&] { m_pending.format = code; });
    }
    STDMETHODIMP SetInterlaced(long on) override {
        return Setting(on == 0 || on == 1, [&] { m_pending.interlaced = on == 1; });
    }
    STDMETHODIMP SetStreamType(long type) override {
        return Setting(type >= 0 && type <= 5, [&] { m_pending.streamType = type; });
    }
    STDMETHODIMP SetStrictGop(long on) override {
        return Setting(on == 0 || on == 1, [&] { m_pending.strictGop = on == 1; });
    }
    STDMETHODIMP EndConfig(long value) override {
        AutoLock lock(FilterLock());
        if (State() != State_Stopped || !m_inConfig)
            return VFW_E_WRONG_STATE;
        if (value != 0)
            return E_INVALIDARG;
        m_inConfig = false;
        if (!m_pending.format) {
            SetError("the configuration set no format");
            return VFW_E_WRONG_STATE;
        }
        m_config = m_pending;
        m_config.configured = true;
        return S_OK;
    }
    STDMETHODIMP GetCounts(long* written, long* droppedPictures, long* droppedSound) override {
        if (written)
            *written = m_written.load();
        if (droppedPictures)
            *droppedPictures = m_droppedPictures.load();
        if (droppedSound)
            *droppedSound = m_droppedSound.load();
        return S_OK;
    }
    STDMETHODIMP GetLastErrorText(char* text, long size) override {
        if (!text)
            return E_POINTER;
        if (size <= 0)
            return E_INVALIDARG;
        AutoLock lock(m_errorLock);
        const size_t n = std::min(m_error.size(), static_cast<size_t>(size - 1));
        memcpy(text, m_error.data(), n);
        text[n] = 0;
        return S_OK;
    }

    // IMpegEncoderAudio
    STDMETHODIMP EnableAudio(long on) override {
        return Setting(on == 0 || on == 1, [&] { m_pending.audio = on == 1; });
    }
    STDMETHODIMP SetSyncTolerance(long pictures) override {
        return Setting(pictures >= 1 && pictures <= 250, [&] { m_pending.syncTolerance = pictures; });
    }
    STDMETHODIMP SetStereo(long on) override {
        return Setting(on == 0 || on == 1, [&] { m_pending.stereo = on == 1; });
    }
    STDMETHODIMP SetChannelMode(long mode) override {
        return Setting(mode == 0 || mode == 1, [&] { m_pending.stereo = mode == 0; });
    }
    STDMETHODIMP SetFillGaps(long on) override {
        return Setting(on == 0 || on == 1, [&] { m_pending.fillGaps = on == 1; });
    }
    STDMETHODIMP SetDropEarlyAudio(long on) override {
        return Setting(on == 0 || on == 1, [&] { m_pending.dropEarly = on == 1; });
    }
    STDMETHODIMP SetStandardRate(long on) override {
        return Setting(on == 0 || on == 1, [&] { m_pending.standardRate = on == 1; });
    }
    STDMETHODIMP SetBitRates(long stereoPerChannelKbps, long monoKbps) override {
        return Setting(stereoPerChannelKbps >= 1 && stereoPerChannelKbps <= 192 && monoKbps >= 1 &&
                           monoKbps <= 192,
                       [&] {
                           m_pending.stereoKbpsPerChannel = stereoPerChannelKbps;
                           m_pending.monoKbps = monoKbps;
                       });
    }

    // For the pins.
    bool AcceptsVideo(const AM_MEDIA_TYPE* mt) {
        LONG w, h;
        DWORD compression;
        if (mt->majortype != MEDIATYPE_Video || mt->subtype != MEDIASUBTYPE_YUY2 ||
            !PictureSize(mt, &w, &h, &compression) || compression != MAKEFOURCC('Y', 'U', 'Y', '2'))
            return false;
        // Before the configuration any size of a format is taken; after it, the configured one.
        MpegSettings s;
        if (Settings(&s))
            return w == s.width && h == s.height;
        static const long kCodes[] = {3, 4, 7, 8, 9, 10};
        for (long code : kCodes) {
            DiscFormat f = DiscFormat::Dvd;
            bool ntsc = false;
            FormatFromCode(code, &f, &ntsc);
            const MpegSettings d = MpegDefaults(f, ntsc);
            if (w == d.width && h == d.height)
                return true;
        }
        return false;
    }
    static bool AcceptsAudio(const AM_MEDIA_TYPE* mt) {
        if (mt->majortype != MEDIATYPE_Audio || mt->subtype != MEDIASUBTYPE_PCM ||
            mt->formattype != FORMAT_WaveFormatEx || !mt->pbFormat || mt->cbFormat < 16)
            return false;
        const auto* wf = reinterpret_cast<const WAVEFORMATEX*>(mt->pbFormat);
        return wf->wFormatTag == WAVE_FORMAT_PCM && wf->wBitsPerSample == 16 && wf->nChannels >= 1 &&
               wf->nChannels <= 2 && wf->nSamplesPerSec >= 8000 && wf->nSamplesPerSec <= 96000;
    }
    void Refused(bool video, const AM_MEDIA_TYPE* mt) {
        (void)mt;
        SetError(video ? "the video input takes YUY2 pictures of the configured format's size"
                       : "the audio input takes 16-bit PCM, mono or stereo, 8000 to 96000 Hz");
    }

    HRESULT Deliver(bool video, IMediaSample* sample) {
        if (!m_working.load())
            return S_OK;
        BYTE* p = nullptr;
        if (FAILED(sample->GetPointer(&p)) || !p)
            return S_OK;
        const long len = sample->GetActualDataLength();
        Item item;
        item.video = video;
        REFERENCE_TIME start = 0, stop = 0;
        if (SUCCEEDED(sample->GetTime(&start, &stop)))
            item.time = start;
        if (video) {
            if (len < m_frameBytes || m_queuedPictures.load() >= kMaxQueuedPictures) {
                m_droppedPictures++;
                m_pictureDropped = true;
                return S_OK;
            }
            item.data.assign(p, p + m_frameBytes);
            item.afterDrop = m_pictureDropped;
            m_queuedPictures++;
            if (m_queue.TryPush(std::move(item))) {
                m_pictureDropped = false;
            } else {
                m_queuedPictures--;
                m_droppedPictures++;
                m_pictureDropped = true;
            }
        } else {
            if (len <= 0)
                return S_OK;
            item.data.assign(p, p + (len - len % m_blockAlign));
            if (!m_queue.TryPush(std::move(item)))
                m_droppedSound++;
        }
        return S_OK;
    }

protected:
    HRESULT QueryOtherInterface(REFIID iid, void** out) override {
        if (iid == IID_IFileSinkFilter)
            *out = static_cast<IFileSinkFilter*>(this);
        else if (iid == __uuidof(IMpegEncoderConfig))
            *out = static_cast<IMpegEncoderConfig*>(this);
        else if (iid == __uuidof(IMpegEncoderAudio))
            *out = static_cast<IMpegEncoderAudio*>(this);
        else
            return BaseFilter::QueryOtherInterface(iid, out);
        AddRef();
        return S_OK;
    }

    // Stopped to paused: the file is created and the worker started, or the start fails with
    // the reason kept for GetLastErrorText.
    HRESULT OnPause() override {
        if (State() != State_Stopped)
            return S_OK;
        MpegSettings s;
        if (!Settings(&s))
            return Fail("the encoder is not configured", VFW_E_WRONG_STATE);
        if (m_file.Empty())
            return Fail("no file name", E_INVALIDARG);
        if (!m_video->IsConnected())
            return Fail("the video input is not connected", VFW_E_NOT_CONNECTED);
        LONG w = 0, h = 0;
        DWORD compression = 0;
        PictureSize(&m_video->CurrentMediaType(), &w, &h, &compression);
        if (w != s.width || h != s.height)
            return Fail("the video input's picture size does not match the configured format",
                        VFW_E_TYPE_NOT_ACCEPTED);
        int rate = 0, channels = 0;
        if (s.audio && m_audio->IsConnected()) {
            const auto* wf = reinterpret_cast<const WAVEFORMATEX*>(m_audio->CurrentMediaType().pbFormat);
            rate = static_cast<int>(wf->nSamplesPerSec);
            channels = wf->nChannels;
            m_blockAlign = 2 * channels;
        } else {
            s.audio = false;
        }
        m_frameBytes = s.width * s.height * 2;
        const std::string path = m_file.Utf8();
        auto writer = std::make_unique<MpegProgramWriter>();
        std::string error;
        if (!writer->Open(path, s, rate, channels, &error))
            return Fail(error, STG_E_ACCESSDENIED);
        SetError("");
        m_writer = std::move(writer);
        m_settings = s;
        m_audioRate = rate;
        m_audioChannels = channels;
        m_written = 0;
        m_droppedPictures = 0;
        m_droppedSound = 0;
        m_queuedPictures = 0;
        m_pictureDropped = false;
        m_queue.Reset();
        // Tests stand in for a machine too slow for the format: milliseconds each picture takes.
        char slow[16] = "";
        m_slowMs = GetEnvironmentVariableA("TUNARO_MPEG_ENCODER_SLOW_MS", slow, sizeof slow) ? atoi(slow) : 0;
        m_working = true;
        m_worker = std::thread([this] { Work(); });
        return S_OK;
    }
    HRESULT OnStop() override {
        StopWorker();
        return S_OK;
    }

private:
    template <class Apply> HRESULT Setting(bool valid, Apply apply) {
        AutoLock lock(FilterLock());
        if (State() != State_Stopped || !m_inConfig)
            return VFW_E_WRONG_STATE;
        if (!valid)
            return E_INVALIDARG;
        apply();
        return S_OK;
    }

    // The writer's settings from the applied configuration; false when there is none.
    bool Settings(MpegSettings* out) {
        if (!m_config.configured)
            return false;
        DiscFormat f = DiscFormat::Dvd;
        bool ntsc = false;
        if (!FormatFromCode(m_config.format, &f, &ntsc))
            return false;
        MpegSettings s = MpegDefaults(f, ntsc);
        if (m_config.videoBitRate)
            s.videoBitRate = m_config.videoBitRate;
        s.interlaced = m_config.interlaced;
        s.strictGop = m_config.strictGop;
        s.audio = m_config.audio;
        s.channels = m_config.stereo ? 2 : 1;
        if (!m_config.standardRate)
            s.audioBitRate =
                m_config.stereo ? m_config.stereoKbpsPerChannel * 2000 : m_config.monoKbps * 1000;
        s.threads = 0;
        *out = s;
        return true;
    }

    HRESULT Fail(const std::string& text, HRESULT hr) {
        SetError(text);
        return hr;
    }
    void SetError(const std::string& text) {
        AutoLock lock(m_errorLock);
        m_error = text;
    }

    void StopWorker() {
        if (!m_worker.joinable())
            return;
        m_working = false;
        m_queue.Close();
        m_worker.join();
        std::string error;
        if (m_writer && !m_writer->Close(&error))
            SetError(error);
        m_writer.reset();
    }

    // The worker: pictures by their time, sound aligned to them.
    void Work() {
        const double period = 1e7 * m_settings.rateDen / m_settings.rateNum;
        bool haveBase = false;
        REFERENCE_TIME base = 0;
        int64_t nextIndex = 0;
        std::vector<Item> early;
        int64_t soundAt = 0; // input frames written so far (incl. silence)
        bool failed = false;
        auto writeSound = [&](const Item& item) {
            const auto* pcm = reinterpret_cast<const int16_t*>(item.data.data());
            size_t frames = item.data.size() / m_blockAlign;
            if (item.time >= 0) {
                const int64_t want =
                    static_cast<int64_t>(std::llround((item.time - base) * m_audioRate / 1e7));
                const int64_t tolerance =
                    static_cast<int64_t>(m_config.syncTolerance * period * m_audioRate / 1e7);
                if (want < 0 && m_config.dropEarly) {
                    const size_t skip =
                        static_cast<size_t>(std::min<int64_t>(-want, static_cast<int64_t>(frames)));
                    pcm += skip * m_audioChannels;
                    frames -= skip;
                    if (frames == 0)
                        return true;
                } else if (want - soundAt > tolerance && m_config.fillGaps) {
                    if (!m_writer->WriteSilence(static_cast<size_t>(want - soundAt)))
                        return false;
                    soundAt = want;
                } else if (soundAt - want > tolerance) {
                    // Sound far ahead of its time (the source's clock ran fast): drop the excess.
                    const size_t skip =
                        static_cast<size_t>(std::min<int64_t>(soundAt - want, static_cast<int64_t>(frames)));
                    pcm += skip * m_audioChannels;
                    frames -= skip;
                }
            }
            if (frames == 0)
                return true;
            soundAt += static_cast<int64_t>(frames);
            return m_writer->WriteAudio(pcm, frames);
        };
        std::vector<uint8_t> last; // the last picture written
        Item item;
        while (m_queue.Pop(&item)) {
            if (failed)
                continue;
            bool ok = true;
            if (item.video) {
                m_queuedPictures--;
                int64_t index = nextIndex;
                bool skip = false;
                if (item.time >= 0) {
                    if (!haveBase) {
                        base = item.time;
                        haveBase = true;
                    }
                    const double exact = (item.time - base) / period;
                    index = std::llround(exact);
                    if (index < nextIndex) {
                        // Its place is taken. A picture well ahead of its time (the source runs
                        // faster than the stream) is left out; one only a little early (jitter)
                        // takes the next place.
                        skip = exact < static_cast<double>(nextIndex) - 0.75;
                        index = nextIndex;
                    }
                } else if (!haveBase) {
                    haveBase = true;
                }
                if (skip) {
                    m_droppedPictures++;
                } else {
                    // Places the source left empty while nothing was dropped here: it runs slower
                    // than the stream (25 pictures a second into a 29.97 stream), so the last
                    // picture is shown again and the file plays in real time. After pictures
                    // were dropped for want of time, the gap stays: no more work is added.
                    const int64_t gap = index - nextIndex;
                    if (gap > 0 && gap <= kMaxRepeats && !item.afterDrop && !last.empty())
                        for (int64_t i = nextIndex; ok && i < index; ++i)
                            ok = m_writer->WriteVideo(last.data(), m_settings.width * 2, i) ||
                                 m_writer->LastError().empty();
                    if (m_slowMs > 0)
                        Sleep(static_cast<DWORD>(m_slowMs));
                    if (ok && m_writer->WriteVideo(item.data.data(), m_settings.width * 2, index)) {
                        nextIndex = index + 1;
                        m_written++;
                        last.swap(item.data);
                    } else if (!m_writer->LastError().empty()) {
                        ok = false;
                    }
                }
                if (ok && !early.empty()) {
                    for (const Item& e : early)
                        if (ok)
                            ok = writeSound(e);
                    early.clear();
                }
            } else if (m_settings.audio) {
                if (!haveBase) {
                    early.push_back(std::move(item));
                    // Hold only the last few seconds of it.
                    while (early.size() > 1 && early.back().time >= 0 && early.front().time >= 0 &&
                           early.back().time - early.front().time > kMaxEarlySound)
                        early.erase(early.begin());
                } else {
                    ok = writeSound(item);
                }
            }
            if (!ok) {
                failed = true;
                SetError(m_writer->LastError());
                NotifyEvent(EC_ERRORABORT, E_FAIL, 0);
            }
        }
    }

    EncoderInput* m_video;
    EncoderInput* m_audio;
    dshow::FileSinkName m_file{MEDIATYPE_Stream, MEDIASUBTYPE_MPEG2_PROGRAM, E_FAIL};
    Config m_config, m_pending;
    bool m_inConfig = false;
    dshow::CritSec m_errorLock;
    std::string m_error;
    // Streaming state (set at pause, read by the pins and the worker).
    MpegSettings m_settings;
    int m_audioRate = 0, m_audioChannels = 0;
    long m_frameBytes = 0;
    long m_blockAlign = 4;
    int m_slowMs = 0;
    bool m_pictureDropped = false; // the video pin's streaming thread only
    std::unique_ptr<MpegProgramWriter> m_writer;
    dshow::BoundedQueue<Item> m_queue;
    std::thread m_worker;
    std::atomic<bool> m_working{false};
    std::atomic<long> m_queuedPictures{0}, m_written{0}, m_droppedPictures{0}, m_droppedSound{0};
};

EncoderInput::EncoderInput(MpegEncoder* f, const wchar_t* name, bool video)
    : InputPin(f, name), m_encoder(f), m_video(video) {}

HRESULT EncoderInput::CheckMediaType(const AM_MEDIA_TYPE* mt) {
    if (!mt)
        return E_POINTER;
    const bool ok = m_video ? m_encoder->AcceptsVideo(mt) : MpegEncoder::AcceptsAudio(mt);
    if (!ok) {
        m_encoder->Refused(m_video, mt);
        return VFW_E_TYPE_NOT_ACCEPTED;
    }
    return S_OK;
}

STDMETHODIMP EncoderInput::Receive(IMediaSample* sample) {
    if (!sample)
        return E_POINTER;
    HRESULT hr = CheckStreaming();
    if (hr != S_OK)
        return hr;
    return m_encoder->Deliver(m_video, sample);
}

} // namespace

HRESULT CreateMpegEncoder(IUnknown** out) {
    auto* f = new (std::nothrow) MpegEncoder();
    if (!f)
        return E_OUTOFMEMORY;
    *out = static_cast<IBaseFilter*>(f);
    return S_OK;
}

} // namespace encoders
