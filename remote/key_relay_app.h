// The remote-control agent's application object: one copy only, then the agent's window.
#pragma once

#include "framework/application.h"
#include "framework/raii.h"

namespace tunaro::remote {

class CKeyRelayApp : public Application {
protected:
    bool InitInstance() override;

private:
    Handle m_instanceMutex;
};

} // namespace tunaro::remote
