// Message maps: a static, declarative table per window class from (message, control id or id
// range, notification code) to a member function; the first matching entry that handles a message wins.
#pragma once

#include <windows.h>

#include <initializer_list>
#include <type_traits>
#include <vector>

#include "framework/window.h"

namespace tunaro {

// What a handler sees, and what it leaves for the window procedure.
struct MessageArgs {
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
};

using MessageThunk = LRESULT (*)(Window* self, const MessageArgs& args, bool& handled);

struct MessageEntry {
    enum Kind : unsigned char {
        kMessage,     // message in [first, last]
        kCommand,     // WM_COMMAND, id in [idFirst, idLast], from a menu, an accelerator, another
                      // program (lParam 0) or a button click (BN_CLICKED)
        kCommandCode, // WM_COMMAND, id in [idFirst, idLast], from a control with this code
        kNotify,      // WM_NOTIFY, idFrom in [idFirst, idLast], this code
        kSysCommand,  // WM_SYSCOMMAND, (wParam & 0xFFF0) in [idFirst, idLast]
    };
    Kind kind;
    UINT first, last;
    UINT idFirst, idLast;
    UINT code;
    MessageThunk thunk;

    bool Matches(const MessageArgs& m) const;
};

// The table of one class. Declare it as a static local of the class's GetMessageMap override:
//
//   const tunaro::MessageMap* CPanel::GetMessageMap() const {
//       static const tunaro::MessageMap map{
//           tunaro::Command<&CPanel::OnExit>(403),
//           tunaro::CommandRange<&CPanel::OnDigit>(1096, 1105),
//           tunaro::Timer<&CPanel::OnTimer>(),
//       };
//       return &map;
//   }
class MessageMap {
public:
    MessageMap(std::initializer_list<MessageEntry> entries) : m_entries(entries) {}
    // Runs the first entry that matches and handles the message; false when none did.
    bool Dispatch(Window* self, const MessageArgs& args, LRESULT& result) const;

private:
    std::vector<MessageEntry> m_entries;
};

namespace detail {

template <class F> struct MemberOf;
template <class R, class C, class... A> struct MemberOf<R (C::*)(A...)> { using Class = C; };
template <class R, class C, class... A> struct MemberOf<R (C::*)(A...) const> { using Class = C; };

template <class M> struct DataMemberOf;
template <class T, class C> struct DataMemberOf<T C::*> {
    using Class = C;
    using Type = T;
};

template <class R> LRESULT ToResult(R r) {
    if constexpr (std::is_pointer_v<R>)
        return reinterpret_cast<LRESULT>(r);
    else
        return static_cast<LRESULT>(r);
}

// Calls fn on obj with the given arguments and turns its return value (if any) into an LRESULT.
template <class F, class C, class... A> LRESULT Invoke(F fn, C* obj, A&&... args) {
    using R = std::invoke_result_t<F, C*, A...>;
    if constexpr (std::is_void_v<R>) {
        (obj->*fn)(std::forward<A>(args)...);
        return 0;
    } else {
        return ToResult((obj->*fn)(std::forward<A>(args)...));
    }
}

// A handler that is a member function F of the window class itself.
template <auto F> struct OnWindow {
    using C = typename MemberOf<decltype(F)>::Class;
    static_assert(std::is_base_of_v<Window, C>, "handlers are members of a window class");
    template <class... A> static constexpr bool Takes() { return std::is_invocable_v<decltype(F), C*, A...>; }
    template <class... A> static LRESULT Call(Window* self, A&&... args) {
        return Invoke(F, static_cast<C*>(self), std::forward<A>(args)...);
    }
};

// A handler that is a member function F of a part of the window: the object in the window's
// data member Part (one feature's commands kept apart from the window class).
template <auto Part, auto F> struct OnPart {
    using Owner = typename DataMemberOf<decltype(Part)>::Class;
    using Object = typename DataMemberOf<decltype(Part)>::Type;
    using C = typename MemberOf<decltype(F)>::Class;
    static_assert(std::is_base_of_v<Window, Owner>, "parts are data members of a window class");
    static_assert(std::is_base_of_v<C, Object>, "the handler is a member of the part's class");
    template <class... A> static constexpr bool Takes() { return std::is_invocable_v<decltype(F), C*, A...>; }
    template <class... A> static LRESULT Call(Window* self, A&&... args) {
        Object& part = static_cast<Owner*>(self)->*Part;
        return Invoke(F, static_cast<C*>(&part), std::forward<A>(args)...);
    }
};

template <class B> LRESULT MessageThunkOf(Window* self, const MessageArgs& m, bool& handled) {
    if constexpr (B::template Takes<UINT, WPARAM, LPARAM, bool&>())
        return B::Call(self, m.message, m.wParam, m.lParam, handled);
    else if constexpr (B::template Takes<WPARAM, LPARAM>())
        return B::Call(self, m.wParam, m.lParam);
    else {
        static_assert(B::template Takes<>(),
                      "message handler: R f(UINT, WPARAM, LPARAM, bool&), R f(WPARAM, LPARAM) or R f()");
        return B::Call(self);
    }
}

template <class B> LRESULT CommandThunkOf(Window* self, const MessageArgs& m, bool&) {
    UINT id = LOWORD(m.wParam);
    if constexpr (B::template Takes<UINT, UINT, HWND>())
        return B::Call(self, id, static_cast<UINT>(HIWORD(m.wParam)), reinterpret_cast<HWND>(m.lParam));
    else if constexpr (B::template Takes<UINT>())
        return B::Call(self, id);
    else {
        static_assert(B::template Takes<>(),
                      "command handler: void f(UINT id, UINT code, HWND ctl), void f(UINT id) or void f()");
        return B::Call(self);
    }
}

template <class B> LRESULT NotifyThunkOf(Window* self, const MessageArgs& m, bool&) {
    NMHDR* hdr = reinterpret_cast<NMHDR*>(m.lParam);
    if constexpr (B::template Takes<NMHDR*>())
        return B::Call(self, hdr);
    else {
        static_assert(B::template Takes<>(), "notify handler: R f(NMHDR*) or R f()");
        return B::Call(self);
    }
}

template <class B> LRESULT TimerThunkOf(Window* self, const MessageArgs& m, bool&) {
    return B::Call(self, static_cast<UINT_PTR>(m.wParam));
}

template <class B> LRESULT ScrollThunkOf(Window* self, const MessageArgs& m, bool&) {
    return B::Call(self, static_cast<UINT>(LOWORD(m.wParam)), static_cast<UINT>(HIWORD(m.wParam)),
                   reinterpret_cast<HWND>(m.lParam));
}

template <class B> LRESULT MouseThunkOf(Window* self, const MessageArgs& m, bool&) {
    POINT pt = {static_cast<short>(LOWORD(m.lParam)), static_cast<short>(HIWORD(m.lParam))};
    return B::Call(self, static_cast<UINT>(m.wParam), pt);
}

template <class B> LRESULT CopyDataThunkOf(Window* self, const MessageArgs& m, bool&) {
    return B::Call(self, reinterpret_cast<HWND>(m.wParam), reinterpret_cast<const COPYDATASTRUCT*>(m.lParam));
}

template <class B> LRESULT SysCommandThunkOf(Window* self, const MessageArgs& m, bool&) {
    return B::Call(self, static_cast<UINT>(m.wParam), m.lParam);
}

template <class B> LRESULT DeviceChangeThunkOf(Window* self, const MessageArgs& m, bool&) {
    return B::Call(self, static_cast<UINT>(m.wParam), static_cast<DWORD_PTR>(m.lParam));
}

template <class B> LRESULT EraseThunkOf(Window* self, const MessageArgs& m, bool&) {
    return B::Call(self, reinterpret_cast<HDC>(m.wParam));
}

// A null brush leaves the colours to default handling.
template <class B> LRESULT CtlColorThunkOf(Window* self, const MessageArgs& m, bool& handled) {
    LRESULT brush =
        B::Call(self, reinterpret_cast<HDC>(m.wParam), reinterpret_cast<HWND>(m.lParam), m.message);
    handled = brush != 0;
    return brush;
}

} // namespace detail

// Any message, or a range such as WM_USER+1..WM_USER+9. Handler forms:
//   LRESULT f(UINT msg, WPARAM, LPARAM, bool& handled)   (set handled = false to pass it on)
//   R f(WPARAM, LPARAM)   or   R f()                      (R void gives 0)
template <auto F> MessageEntry Message(UINT msg) {
    return {MessageEntry::kMessage, msg, msg, 0, 0, 0, &detail::MessageThunkOf<detail::OnWindow<F>>};
}
template <auto Part, auto F> MessageEntry Message(UINT msg) {
    return {MessageEntry::kMessage, msg, msg, 0, 0, 0, &detail::MessageThunkOf<detail::OnPart<Part, F>>};
}
template <auto F> MessageEntry MessageRange(UINT first, UINT last) {
    return {MessageEntry::kMessage, first, last, 0, 0, 0, &detail::MessageThunkOf<detail::OnWindow<F>>};
}

// WM_COMMAND from a menu, accelerator, another program or a button click. Handler forms:
//   void f()   void f(UINT id)   void f(UINT id, UINT code, HWND control)
template <auto F> MessageEntry Command(UINT id) {
    return {MessageEntry::kCommand,
            WM_COMMAND,
            WM_COMMAND,
            id,
            id,
            0,
            &detail::CommandThunkOf<detail::OnWindow<F>>};
}
template <auto F> MessageEntry CommandRange(UINT firstId, UINT lastId) {
    return {MessageEntry::kCommand,
            WM_COMMAND,
            WM_COMMAND,
            firstId,
            lastId,
            0,
            &detail::CommandThunkOf<detail::OnWindow<F>>};
}
// The same for a handler of a part of the window (a feature object the window holds in the data
// member Part): Command<&CPanel::m_recording, &PanelRecording::OnRecord>(411).
template <auto Part, auto F> MessageEntry Command(UINT id) {
    return {MessageEntry::kCommand,
            WM_COMMAND,
            WM_COMMAND,
            id,
            id,
            0,
            &detail::CommandThunkOf<detail::OnPart<Part, F>>};
}
template <auto Part, auto F> MessageEntry CommandRange(UINT firstId, UINT lastId) {
    return {MessageEntry::kCommand,
            WM_COMMAND,
            WM_COMMAND,
            firstId,
            lastId,
            0,
            &detail::CommandThunkOf<detail::OnPart<Part, F>>};
}
// WM_COMMAND from a control with a given notification code (EN_CHANGE, CBN_SELCHANGE, ...).
template <auto F> MessageEntry CommandCode(UINT id, UINT code) {
    return {MessageEntry::kCommandCode,
            WM_COMMAND,
            WM_COMMAND,
            id,
            id,
            code,
            &detail::CommandThunkOf<detail::OnWindow<F>>};
}
template <auto F> MessageEntry CommandCodeRange(UINT firstId, UINT lastId, UINT code) {
    return {MessageEntry::kCommandCode,
            WM_COMMAND,
            WM_COMMAND,
            firstId,
            lastId,
            code,
            &detail::CommandThunkOf<detail::OnWindow<F>>};
}

// WM_NOTIFY by control id and code (NM_CLICK, LVN_ITEMCHANGED, ...). Handler: R f(NMHDR*) or R f();
// the result is the notification's return value.
template <auto F> MessageEntry Notify(UINT id, UINT code) {
    return {MessageEntry::kNotify,
            WM_NOTIFY,
            WM_NOTIFY,
            id,
            id,
            code,
            &detail::NotifyThunkOf<detail::OnWindow<F>>};
}
template <auto F> MessageEntry NotifyRange(UINT firstId, UINT lastId, UINT code) {
    return {MessageEntry::kNotify,
            WM_NOTIFY,
            WM_NOTIFY,
            firstId,
            lastId,
            code,
            &detail::NotifyThunkOf<detail::OnWindow<F>>};
}

// WM_TIMER: void f(UINT_PTR timerId).
template <auto F> MessageEntry Timer() {
    return {MessageEntry::kMessage, WM_TIMER, WM_TIMER, 0, 0, 0, &detail::TimerThunkOf<detail::OnWindow<F>>};
}
// WM_HSCROLL / WM_VSCROLL: void f(UINT code, UINT pos, HWND bar).
template <auto F> MessageEntry HScroll() {
    return {
        MessageEntry::kMessage, WM_HSCROLL, WM_HSCROLL, 0, 0, 0, &detail::ScrollThunkOf<detail::OnWindow<F>>};
}
template <auto F> MessageEntry VScroll() {
    return {
        MessageEntry::kMessage, WM_VSCROLL, WM_VSCROLL, 0, 0, 0, &detail::ScrollThunkOf<detail::OnWindow<F>>};
}
// Mouse messages (WM_LBUTTONDOWN, WM_LBUTTONDBLCLK, WM_MOUSEMOVE, ...): void f(UINT keys, POINT client).
template <auto F> MessageEntry Mouse(UINT msg) {
    return {MessageEntry::kMessage, msg, msg, 0, 0, 0, &detail::MouseThunkOf<detail::OnWindow<F>>};
}
// WM_COPYDATA: BOOL f(HWND sender, const COPYDATASTRUCT*).
template <auto F> MessageEntry CopyData() {
    return {MessageEntry::kMessage,
            WM_COPYDATA,
            WM_COPYDATA,
            0,
            0,
            0,
            &detail::CopyDataThunkOf<detail::OnWindow<F>>};
}
template <auto Part, auto F> MessageEntry CopyData() {
    return {MessageEntry::kMessage,
            WM_COPYDATA,
            WM_COPYDATA,
            0,
            0,
            0,
            &detail::CopyDataThunkOf<detail::OnPart<Part, F>>};
}
// WM_SYSCOMMAND for ids (masked with 0xFFF0) in [firstId, lastId]: void f(UINT id, LPARAM).
// Other system commands go on to default handling.
template <auto F> MessageEntry SysCommand(UINT firstId, UINT lastId) {
    return {MessageEntry::kSysCommand,
            WM_SYSCOMMAND,
            WM_SYSCOMMAND,
            firstId,
            lastId,
            0,
            &detail::SysCommandThunkOf<detail::OnWindow<F>>};
}
// WM_DEVICECHANGE: BOOL f(UINT event, DWORD_PTR data).
template <auto F> MessageEntry DeviceChange() {
    return {MessageEntry::kMessage,
            WM_DEVICECHANGE,
            WM_DEVICECHANGE,
            0,
            0,
            0,
            &detail::DeviceChangeThunkOf<detail::OnWindow<F>>};
}
// WM_PAINT: void f() (paint with a PaintDc).
template <auto F> MessageEntry Paint() {
    return {
        MessageEntry::kMessage, WM_PAINT, WM_PAINT, 0, 0, 0, &detail::MessageThunkOf<detail::OnWindow<F>>};
}
// WM_ERASEBKGND: BOOL f(HDC), TRUE when erased.
template <auto F> MessageEntry EraseBackground() {
    return {MessageEntry::kMessage,
            WM_ERASEBKGND,
            WM_ERASEBKGND,
            0,
            0,
            0,
            &detail::EraseThunkOf<detail::OnWindow<F>>};
}
// All WM_CTLCOLOR* messages: HBRUSH f(HDC, HWND control, UINT message); null = default colours.
template <auto F> MessageEntry CtlColor() {
    return {MessageEntry::kMessage,
            WM_CTLCOLORMSGBOX,
            WM_CTLCOLORSTATIC,
            0,
            0,
            0,
            &detail::CtlColorThunkOf<detail::OnWindow<F>>};
}

} // namespace tunaro
