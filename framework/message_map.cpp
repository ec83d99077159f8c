// Matching and dispatch of message-map entries.
// Entries are tried in table order; a handler may decline (handled = false) and let later ones run.
#include "framework/message_map.h"

namespace tunaro {

bool MessageEntry::Matches(const MessageArgs& m) const {
    if (m.message < first || m.message > last)
        return false;
    switch (kind) {
    case kMessage:
        return true;
    case kCommand: {
        UINT id = LOWORD(m.wParam);
        UINT notifyCode = HIWORD(m.wParam);
        // Menus (0), accelerators (1) and commands sent by other programs carry no control;
        // from a control only a click counts as the command itself.
        bool isCommand = m.lParam == 0 || notifyCode == BN_CLICKED;
        return isCommand && id >= idFirst && id <= idLast;
    }
    case kCommandCode: {
        UINT id = LOWORD(m.wParam);
        return m.lParam != 0 && HIWORD(m.wParam) == code && id >= idFirst && id <= idLast;
    }
    case kNotify: {
        const NMHDR* hdr = reinterpret_cast<const NMHDR*>(m.lParam);
        return hdr && hdr->idFrom >= idFirst && hdr->idFrom <= idLast && hdr->code == code;
    }
    case kSysCommand: {
        UINT id = static_cast<UINT>(m.wParam) & 0xFFF0u;
        return id >= idFirst && id <= idLast;
    }
    }
    return false;
}

bool MessageMap::Dispatch(Window* self, const MessageArgs& args, LRESULT& result) const {
    for (const MessageEntry& e : m_entries) {
        if (!e.Matches(args))
            continue;
        bool handled = true;
        LRESULT r = e.thunk(self, args, handled);
        if (handled) {
            result = r;
            return true;
        }
    }
    return false;
}

} // namespace tunaro
