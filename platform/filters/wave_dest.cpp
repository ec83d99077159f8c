// The WAV writer ("WaveDest"): sound in (PCM, or compressed sound such as MPEG Layer-3 with its
// own format tag), a RIFF/WAVE stream out to the File Writer (samples time-stamped with their
// byte offsets). The header goes first with empty sizes; the sizes are written when the
// recording ends (stop, or the end of the stream), so even a stopped-short file is complete.
#include "filters.h"

#include "dshow/filter.h"
#include "offset_writer.h"
#include "outside_filters.h"
#include "wave_file.h"

#include <uuids.h>

#include <memory>
#include <new>

using dshow::AutoLock;
using dshow::MediaType;

namespace filters {

namespace {

class WaveDest;

// Largest piece one output sample carries.
constexpr LONG kOutputBuffer = 64 * 1024;

class WaveInput final : public dshow::InputPin {
public:
    WaveInput(WaveDest* f);
    HRESULT GetMediaType(int, MediaType*) override { return VFW_S_NO_MORE_ITEMS; }
    HRESULT CheckMediaType(const AM_MEDIA_TYPE* mt) override;
    STDMETHODIMP Receive(IMediaSample* sample) override;
    STDMETHODIMP EndOfStream() override;

private:
    WaveDest* owner_;
};

class WaveDest final : public dshow::BaseFilter {
public:
    WaveDest() : BaseFilter(tunaro::kClsidWaveDest, L"WaveDest") {
        input_ = new WaveInput(this);
        output_ = new OffsetWriterPin(this, L"Out", MEDIASUBTYPE_WAVE, 4, kOutputBuffer);
        AddPin(input_);
        AddPin(output_);
    }

    HRESULT Write(IMediaSample* sample);
    HRESULT Ended();

protected:
    HRESULT OnPause() override {
        AutoLock lock(writeLock_);
        if (State() == State_Running) {
            // Leaving the running state ends the recording: the sizes go in now, while the
            // writer downstream still takes data.
            accepting_ = false;
            Finish();
            return S_OK;
        }
        if (State() != State_Stopped)
            return S_OK;
        header_.reset();
        dataBytes_ = 0;
        headerWritten_ = false;
        failed_ = false;
        full_ = false;
        if (!input_->IsConnected())
            return S_OK; // nothing will arrive
        if (!output_->IsConnected())
            return VFW_E_NOT_CONNECTED; // sound would arrive and go nowhere
        const AM_MEDIA_TYPE& mt = input_->CurrentMediaType();
        header_ = std::make_unique<WaveHeader>(std::vector<uint8_t>(mt.pbFormat, mt.pbFormat + mt.cbFormat));
        return header_->Valid() ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
    }
    HRESULT OnRun(REFERENCE_TIME) override {
        AutoLock lock(writeLock_);
        accepting_ = header_ != nullptr && !failed_;
        return S_OK;
    }
    HRESULT OnStop() override {
        AutoLock lock(writeLock_);
        accepting_ = false;
        Finish();
        header_.reset();
        return S_OK;
    }

private:
    // Header with the final sizes, and the pad byte of an odd data chunk.
    void Finish() {
        if (!header_ || failed_ || !headerWritten_)
            return;
        const uint32_t data = static_cast<uint32_t>(dataBytes_);
        const std::vector<uint8_t> head = header_->Build(data);
        bool ok = true;
        if (data & 1) {
            const uint8_t pad = 0;
            ok = output_->Write(head.size() + data, &pad, 1);
        }
        if (!ok || !output_->Write(0, head.data(), head.size()))
            Fail();
        headerWritten_ = false; // complete: nothing more to patch
    }
    void Fail() {
        if (failed_)
            return;
        failed_ = true;
        accepting_ = false;
        NotifyEvent(EC_ERRORABORT, E_FAIL, 0);
    }

    WaveInput* input_;
    OffsetWriterPin* output_;
    dshow::CritSec writeLock_;
    std::unique_ptr<WaveHeader> header_;
    uint64_t dataBytes_ = 0;
    bool headerWritten_ = false;
    bool accepting_ = false;
    bool failed_ = false;
    bool full_ = false;
};

WaveInput::WaveInput(WaveDest* f) : InputPin(f, L"In"), owner_(f) {}

HRESULT WaveInput::CheckMediaType(const AM_MEDIA_TYPE* mt) {
    if (!mt || mt->majortype != MEDIATYPE_Audio || mt->formattype != FORMAT_WaveFormatEx || !mt->pbFormat ||
        mt->cbFormat < sizeof(WAVEFORMAT))
        return VFW_E_TYPE_NOT_ACCEPTED;
    return WaveHeader(std::vector<uint8_t>(mt->pbFormat, mt->pbFormat + mt->cbFormat)).Valid()
               ? S_OK
               : VFW_E_TYPE_NOT_ACCEPTED;
}

STDMETHODIMP WaveInput::Receive(IMediaSample* sample) {
    if (!sample)
        return E_POINTER;
    HRESULT hr = CheckStreaming();
    if (hr != S_OK)
        return hr;
    return owner_->Write(sample);
}

STDMETHODIMP WaveInput::EndOfStream() {
    if (CheckStreaming() != S_OK)
        return S_OK;
    return owner_->Ended();
}

HRESULT WaveDest::Write(IMediaSample* sample) {
    AutoLock lock(writeLock_);
    if (!accepting_ || !header_)
        return failed_ ? E_FAIL : S_OK;
    BYTE* data = nullptr;
    if (FAILED(sample->GetPointer(&data)))
        return E_FAIL;
    const long len = sample->GetActualDataLength();
    if (len <= 0)
        return S_OK;
    if (!headerWritten_) {
        const std::vector<uint8_t> head = header_->Build(0);
        if (!output_->Write(0, head.data(), head.size())) {
            Fail();
            return E_FAIL;
        }
        headerWritten_ = true;
    }
    // A RIFF file ends at 4 GB: what does not fit is left out, the file stays whole, and the
    // graph hears of it once.
    uint64_t n = static_cast<uint64_t>(len);
    const uint64_t room = header_->MaxDataBytes() - 1 - dataBytes_; // one byte for a pad
    if (n > room) {
        n = room;
        if (!full_) {
            full_ = true;
            NotifyEvent(EC_ERRORABORT, HRESULT_FROM_WIN32(ERROR_FILE_TOO_LARGE), 0);
        }
    }
    if (n > 0 && !output_->Write(header_->Size() + dataBytes_, data, static_cast<size_t>(n))) {
        Fail();
        return E_FAIL;
    }
    dataBytes_ += n;
    return S_OK;
}

HRESULT WaveDest::Ended() {
    {
        AutoLock lock(writeLock_);
        accepting_ = false;
        Finish();
    }
    if (output_->IsConnected())
        output_->DeliverEndOfStream();
    return S_OK;
}

} // namespace

HRESULT CreateWaveDest(IUnknown** out) {
    auto* f = new (std::nothrow) WaveDest();
    if (!f)
        return E_OUTOFMEMORY;
    *out = static_cast<IBaseFilter*>(f);
    return S_OK;
}

} // namespace filters
