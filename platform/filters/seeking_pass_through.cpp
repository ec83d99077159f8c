// Forwarding of IMediaSeeking from a decoder's output to the output pin upstream of it.
#include "platform/filters/playback_codecs.h"

namespace filters {

IMediaSeeking* SeekingPassThrough::Upstream() {
    IPin* pin = UpstreamPin();
    IMediaSeeking* seeking = nullptr;
    if (!pin || FAILED(pin->QueryInterface(IID_IMediaSeeking, reinterpret_cast<void**>(&seeking))))
        return nullptr;
    return seeking;
}

// Calls one method upstream; E_NOTIMPL while there is nothing to ask.
#define PASS_THROUGH(call)                                                                                   \
    IMediaSeeking* up = Upstream();                                                                          \
    if (!up)                                                                                                 \
        return E_NOTIMPL;                                                                                    \
    const HRESULT hr = up->call;                                                                             \
    up->Release();                                                                                           \
    return hr;

STDMETHODIMP SeekingPassThrough::GetCapabilities(DWORD* caps){
    PASS_THROUGH(GetCapabilities(caps))} STDMETHODIMP SeekingPassThrough::CheckCapabilities(DWORD* caps){
    PASS_THROUGH(CheckCapabilities(caps))} STDMETHODIMP
    SeekingPassThrough::IsFormatSupported(const GUID* format){PASS_THROUGH(
        IsFormatSupported(format))} STDMETHODIMP SeekingPassThrough::QueryPreferredFormat(GUID* format){
        PASS_THROUGH(QueryPreferredFormat(format))} STDMETHODIMP
    SeekingPassThrough::GetTimeFormat(GUID* format){PASS_THROUGH(GetTimeFormat(format))} STDMETHODIMP
    SeekingPassThrough::IsUsingTimeFormat(const GUID* format){PASS_THROUGH(
        IsUsingTimeFormat(format))} STDMETHODIMP SeekingPassThrough::SetTimeFormat(const GUID* format){
        PASS_THROUGH(SetTimeFormat(format))} STDMETHODIMP SeekingPassThrough::GetDuration(LONGLONG* duration){
        PASS_THROUGH(GetDuration(duration))} STDMETHODIMP SeekingPassThrough::GetStopPosition(LONGLONG* stop){
        PASS_THROUGH(GetStopPosition(stop))} STDMETHODIMP
    SeekingPassThrough::GetCurrentPosition(LONGLONG* current){
        PASS_THROUGH(GetCurrentPosition(current))} STDMETHODIMP
    SeekingPassThrough::ConvertTimeFormat(LONGLONG* target, const GUID* targetFormat, LONGLONG source,
                                          const GUID* sourceFormat){
        PASS_THROUGH(ConvertTimeFormat(target, targetFormat, source, sourceFormat))} STDMETHODIMP
    SeekingPassThrough::SetPositions(LONGLONG* current, DWORD currentFlags, LONGLONG* stop, DWORD stopFlags){
        PASS_THROUGH(SetPositions(current, currentFlags, stop, stopFlags))} STDMETHODIMP
    SeekingPassThrough::GetPositions(LONGLONG* current, LONGLONG* stop){PASS_THROUGH(GetPositions(
        current, stop))} STDMETHODIMP SeekingPassThrough::GetAvailable(LONGLONG* earliest, LONGLONG* latest){
        PASS_THROUGH(GetAvailable(earliest, latest))} STDMETHODIMP SeekingPassThrough::SetRate(double rate){
        PASS_THROUGH(SetRate(rate))} STDMETHODIMP SeekingPassThrough::GetRate(double* rate){
        PASS_THROUGH(GetRate(rate))} STDMETHODIMP SeekingPassThrough::GetPreroll(LONGLONG* preroll) {
    PASS_THROUGH(GetPreroll(preroll))
}

#undef PASS_THROUGH

} // namespace filters
