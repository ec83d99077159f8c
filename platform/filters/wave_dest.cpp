// The WAV writer ("WaveDest"): sound in (PCM, or compressed sound such as MPEG Layer-3 with its
// own format tag), a RIFF/WAVE stream out to the File Writer (samples time-stamped with their
// byte offsets). The header goes first with empty sizes; the sizes are written when the
// recording ends (stop, or the end of the stream), so even a stopped-short file is complete.
#include "platform/filters/filters.h"

#include "platform/dshow/filter.h"
#include "platform/filters/offset_writer.h"
#include "platform/include/outside_filters.h"
#include "platform/filters/wave_file.h"

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
    WaveDest* m_owner;
};

class WaveDest final : public dshow::BaseFilter {
public:
    WaveDest() : BaseFilter(tunaro::kClsidWaveDest, L"WaveDest") {
        m_input = new WaveInput(this);
        m_output = new OffsetWriterPin(this, L"Out", MEDIASUBTYPE_WAVE, 4, kOutputBuffer);
        AddPin(m_input);
        AddPin(m_output);
    }

    HRESULT Write(IMediaSample* sample);
    HRESULT Ended();

protected:
    HRESULT OnPause() override {
        AutoLock lock(m_writeLock);
        if (State() == State_Running) {
            // Leaving the running state ends the recording: the sizes go in now, while the
            // writer downstream still takes data.
            m_accepting = false;
            Finish();
            return S_OK;
        }
        if (State() != State_Stopped)
            return S_OK;
        m_header.reset();
        m_dataBytes = 0;
        m_headerWritten = false;
        m_failed = false;
        m_full = false;
        if (!m_input->IsConnected())
            return S_OK; // nothing will arrive
        if (!m_output->IsConnected())
            return VFW_E_NOT_CONNECTED; // sound would arrive and go nowhere
        const AM_MEDIA_TYPE& mt = m_input->CurrentMediaType();
        m_header = std::make_unique<WaveHeader>(std::vector<uint8_t>(mt.pbFormat, mt.pbFormat + mt.cbFormat));
        return m_header->Valid() ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
    }
    HRESULT OnRun(REFERENCE_TIME) override {
        AutoLock lock(m_writeLock);
        m_accepting = m_header != nullptr && !m_failed;
        return S_OK;
    }
    HRESULT OnStop() override {
        AutoLock lock(m_writeLock);
        m_accepting = false;
        Finish();
        m_header.reset();
        return S_OK;
    }

private:
    // Header with the final sizes. An odd data chunk (compressed sound) gets one zero byte more
    // inside it rather than a pad byte after it: some WAVE parsers refuse the pad byte, and a
    // decoder skips a zero byte after the last frame.
    void Finish() {
        if (!m_header || m_failed || !m_headerWritten)
            return;
        bool ok = true;
        if (m_dataBytes & 1) {
            const uint8_t zero = 0;
            ok = m_output->Write(m_header->Size() + m_dataBytes, &zero, 1);
            m_dataBytes += ok ? 1 : 0;
        }
        const uint32_t data = static_cast<uint32_t>(m_dataBytes);
        const std::vector<uint8_t> head = m_header->Build(data);
        if (!ok || !m_output->Write(0, head.data(), head.size()))
            Fail();
        m_headerWritten = false; // complete: nothing more to patch
    }
    void Fail() {
        if (m_failed)
            return;
        m_failed = true;
        m_accepting = false;
        NotifyEvent(EC_ERRORABORT, E_FAIL, 0);
    }

    WaveInput* m_input;
    OffsetWriterPin* m_output;
    dshow::CritSec m_writeLock;
    std::unique_ptr<WaveHeader> m_header;
    uint64_t m_dataBytes = 0;
    bool m_headerWritten = false;
    bool m_accepting = false;
    bool m_failed = false;
    bool m_full = false;
};

WaveInput::WaveInput(WaveDest* f) : InputPin(f, L"In"), m_owner(f) {}

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
    return m_owner->Write(sample);
}

STDMETHODIMP WaveInput::EndOfStream() {
    if (CheckStreaming() != S_OK)
        return S_OK;
    return m_owner->Ended();
}

HRESULT WaveDest::Write(IMediaSample* sample) {
    AutoLock lock(m_writeLock);
    if (!m_accepting || !m_header)
        return m_failed ? E_FAIL : S_OK;
    BYTE* data = nullptr;
    if (FAILED(sample->GetPointer(&data)))
        return E_FAIL;
    const long len = sample->GetActualDataLength();
    if (len <= 0)
        return S_OK;
    if (!m_headerWritten) {
        const std::vector<uint8_t> head = m_header->Build(0);
        if (!m_output->Write(0, head.data(), head.size())) {
            Fail();
            return E_FAIL;
        }
        m_headerWritten = true;
    }
    // A RIFF file ends at 4 GB: what does not fit is left out, the file stays whole, and the
    // graph hears of it once.
    uint64_t n = static_cast<uint64_t>(len);
    const uint64_t room = m_header->MaxDataBytes() - 1 - m_dataBytes; // one byte for a pad
    if (n > room) {
        n = room;
        if (!m_full) {
            m_full = true;
            NotifyEvent(EC_ERRORABORT, HRESULT_FROM_WIN32(ERROR_FILE_TOO_LARGE), 0);
        }
    }
    if (n > 0 && !m_output->Write(m_header->Size() + m_dataBytes, data, static_cast<size_t>(n))) {
        Fail();
        return E_FAIL;
    }
    m_dataBytes += n;
    return S_OK;
}

HRESULT WaveDest::Ended() {
    {
        AutoLock lock(m_writeLock);
        m_accepting = false;
        Finish();
    }
    if (m_output->IsConnected())
        m_output->DeliverEndOfStream();
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
