// The video standard on the capture filter's decoder and its proc-amp picture controls.
#include "engine/picture_control.h"

#include <windows.h>
#include <dshow.h>

#include "engine/capture_graph.h"
#include "engine/card_rules.h"
#include "engine/engine_build.h"
#include "engine/preview_graph.h"
#include "engine/video_rules.h"

namespace tunaro {

namespace {

ComPtr<IAMVideoProcAmp> ProcAmpOf(IBaseFilter* filter) {
    ComPtr<IAMVideoProcAmp> amp;
    if (filter)
        filter->QueryInterface(IID_IAMVideoProcAmp, amp.ReceiveVoid());
    return amp;
}

} // namespace

EngineResult PictureControl::SetVideoFormat(long standard) {
    ComPtr<IAMAnalogVideoDecoder> decoder;
    IBaseFilter* capture = m_graph.VideoCapture();
    if (!capture || FAILED(capture->QueryInterface(IID_IAMAnalogVideoDecoder, decoder.ReceiveVoid())))
        return kEngineFailed;
    if (m_graph.Capturing())
        return kEngineFailed; // a recording runs at the standard it started with
    const bool rebuild = m_graph.PreviewBuilt();
    m_preview.Stop();
    m_graph.TearDownChain();
    const HRESULT hr = decoder->put_TVFormat(standard);
    if (rebuild)
        m_preview.Start(m_preview.Mode());
    return EngineResultOf(SUCCEEDED(hr));
}

long PictureControl::GetVideoFormat() const {
    return m_graph.CurrentStandard();
}

EngineResult PictureControl::SetPicture(long property, long value) {
    ComPtr<IAMVideoProcAmp> amp = ProcAmpOf(m_graph.VideoCapture());
    if (!amp)
        return kEngineFailed;
    long device = value;
    if (kEngineBuild == EngineBuild::Tv) {
        long minimum = 0, maximum = 0, step = 0, defaultValue = 0, flags = 0;
        if (FAILED(amp->GetRange(property, &minimum, &maximum, &step, &defaultValue, &flags)))
            return kEngineFailed;
        device = PictureToDevice(value, minimum, maximum);
    }
    return EngineResultOf(SUCCEEDED(amp->Set(property, device, VideoProcAmp_Flags_Manual)));
}

EngineResult PictureControl::GetPicture(long property, long* value, long* maximum, long* minimum,
                                        long* defaultValue) {
    ComPtr<IAMVideoProcAmp> amp = ProcAmpOf(m_graph.VideoCapture());
    if (!amp)
        return kEngineFailed;
    long mn = 0, mx = 0, step = 0, df = 0, flags = 0, current = 0;
    if (FAILED(amp->GetRange(property, &mn, &mx, &step, &df, &flags)) ||
        FAILED(amp->Get(property, &current, &flags)))
        return kEngineFailed;
    if (kEngineBuild == EngineBuild::Tv) {
        current = PictureFromDevice(current, mn, mx);
        df = PictureFromDevice(df, mn, mx);
        mx = 255;
        mn = 0;
    }
    if (value)
        *value = current;
    if (maximum)
        *maximum = mx;
    if (minimum)
        *minimum = mn;
    if (defaultValue)
        *defaultValue = df;
    return kEngineOk;
}

EngineResult PictureControl::SetColorEnable(int on) {
    if (m_graph.CardType() != kCardTenBit)
        return kEngineFailed;
    ComPtr<IAMVideoProcAmp> amp = ProcAmpOf(m_graph.VideoCapture());
    if (!amp)
        return kEngineFailed;
    return EngineResultOf(SUCCEEDED(amp->Set(VideoProcAmp_ColorEnable, on, VideoProcAmp_Flags_Manual)));
}

} // namespace tunaro
