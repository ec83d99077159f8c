// Input switching, muting and input names over the crossbar router.
#include "engine/input_control.h"

#include <windows.h>

#include <cstring>

#include "engine/capture_graph.h"
#include "engine/card_rules.h"
#include "engine/tuner_control.h"

namespace tunaro {

int InputControl::SetVideoSource(int index) {
    CrossbarRouter* router = m_graph.Router();
    if (!router)
        return E_POINTER;
    const HRESULT hr = router->Route(index, true);
    if (hr == E_FAIL || hr == E_POINTER)
        return hr;
    if (m_graph.CardType() == kCardUtv)
        m_tuner.ApplyCountry();
    return index;
}

EngineResult InputControl::AudioMute(int mute) {
    CrossbarRouter* router = m_graph.Router();
    if (!router || !router->HasCrossbar())
        return kEngineFailed;
    return EngineResultOf(SUCCEEDED(router->Route(router->CurrentIndex(), mute == 0)));
}

EngineResult InputControl::GetSourceName(int index, char* buffer, int length) const {
    if (!buffer || length <= 0)
        return kEngineFailed;
    const char* name = m_graph.Router() ? m_graph.Router()->Name(index) : nullptr;
    if (!name) {
        buffer[0] = '\0';
        return kEngineFailed;
    }
    lstrcpynA(buffer, name, length);
    return kEngineOk;
}

bool InputControl::IsTunerInput() const {
    const CrossbarRouter* router = m_graph.Router();
    const char* name = router ? router->Name(router->CurrentIndex()) : nullptr;
    return name && std::strstr(name, "Tuner") != nullptr;
}

} // namespace tunaro
