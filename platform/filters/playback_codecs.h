// The playback parts this platform may lack for MPEG program streams (stockplayback.ax), under
// the identities of the stock ones: the stream splitter, the MPEG-1/2 video decoder and the
// MPEG audio decoder. Factories, and the pass-through of seeking the decoders' outputs offer.
#pragma once

#include <windows.h>

#include <dshow.h>

namespace filters {

// CLSID_MPEG1Splitter: MPEG-1 or MPEG-2 program stream in (pulled from IAsyncReader), the
// video and audio elementary streams out.
HRESULT CreateMpegSplitter(IUnknown** out);
// CLSID_CMpegVideoCodec: MPEG-1/2 video in, RGB32 out (libavcodec).
HRESULT CreateMpegVideoDecoder(IUnknown** out);
// CLSID_CMpegAudioCodec: MPEG audio Layer I/II in, 16-bit PCM out (libavcodec).
HRESULT CreateMpegAudioDecoder(IUnknown** out);

// IMediaSeeking of a filter's output pin handed to the pin its input is connected to, so the
// renderer's seeks reach the splitter. The pin supplies IUnknown and the upstream pin.
class SeekingPassThrough : public IMediaSeeking {
public:
    STDMETHODIMP GetCapabilities(DWORD* caps) override;
    STDMETHODIMP CheckCapabilities(DWORD* caps) override;
    STDMETHODIMP IsFormatSupported(const GUID* format) override;
    STDMETHODIMP QueryPreferredFormat(GUID* format) override;
    STDMETHODIMP GetTimeFormat(GUID* format) override;
    STDMETHODIMP IsUsingTimeFormat(const GUID* format) override;
    STDMETHODIMP SetTimeFormat(const GUID* format) override;
    STDMETHODIMP GetDuration(LONGLONG* duration) override;
    STDMETHODIMP GetStopPosition(LONGLONG* stop) override;
    STDMETHODIMP GetCurrentPosition(LONGLONG* current) override;
    STDMETHODIMP ConvertTimeFormat(LONGLONG* target, const GUID* targetFormat, LONGLONG source,
                                   const GUID* sourceFormat) override;
    STDMETHODIMP SetPositions(LONGLONG* current, DWORD currentFlags, LONGLONG* stop,
                              DWORD stopFlags) override;
    STDMETHODIMP GetPositions(LONGLONG* current, LONGLONG* stop) override;
    STDMETHODIMP GetAvailable(LONGLONG* earliest, LONGLONG* latest) override;
    STDMETHODIMP SetRate(double rate) override;
    STDMETHODIMP GetRate(double* rate) override;
    STDMETHODIMP GetPreroll(LONGLONG* preroll) override;

protected:
    virtual ~SeekingPassThrough() = default;
    // The output pin of the filter upstream (null while the input is unconnected).
    virtual IPin* UpstreamPin() = 0;

private:
    // The upstream IMediaSeeking with a reference, or null.
    IMediaSeeking* Upstream();
};

} // namespace filters
