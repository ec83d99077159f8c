// Loading IrRecv.dll and calling its entry points; a missing library or entry point is never called.
#include "remote/receiver.h"

#include "remote/key_table.h"

namespace tunaro::remote {

namespace {

template <class Fn> Fn Resolve(HMODULE module, const char* name) {
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

} // namespace

bool Receiver::Load() {
    if (m_library)
        return true;
    m_library.Reset(LoadLibraryA(kReceiverLibrary));
    if (!m_library)
        return false;
    m_start = Resolve<StartFn>(m_library.get(), "Zel3in1_Start");
    m_readRemote = Resolve<ReadRemoteFn>(m_library.get(), "Zel3in1_ReadRemote");
    m_findCard = Resolve<FindCardFn>(m_library.get(), "Zel3in1_FindCard");
    m_stop = Resolve<StopFn>(m_library.get(), "Zel3in1_Stop");
    return true;
}

void Receiver::Unload() {
    m_start = nullptr;
    m_readRemote = nullptr;
    m_findCard = nullptr;
    m_stop = nullptr;
    m_library.Reset();
}

bool Receiver::Start() {
    return m_start && m_start() != 0;
}

uint32_t Receiver::Read() {
    if (!m_readRemote)
        return kNoKey;
    int32_t code = static_cast<int32_t>(kNoKey);
    m_readRemote(&code);
    return static_cast<uint32_t>(code);
}

void Receiver::Stop() {
    if (m_stop)
        m_stop();
}

} // namespace tunaro::remote
