// Property sheets and pages: the page procedure turns PSN_* notifications into the page's
// virtual hooks; the sheet builds the PROPSHEETHEADER without Apply and Help and runs it modally.
#include "framework/property_sheet.h"

namespace tunaro {

thread_local PropertySheet* PropertySheet::g_starting = nullptr;

PropertyPage::PropertyPage(UINT templateId, const std::string& title, HINSTANCE instance)
    : Dialog(templateId, instance), m_title(title) {}

void PropertyPage::SetWizardButtons(DWORD flags) const {
    if (HWND sheet = SheetWindow())
        ::SendMessageA(sheet, PSM_SETWIZBUTTONS, 0, static_cast<LPARAM>(flags));
}

void PropertyPage::SetFinishText(const std::string& text) const {
    if (HWND sheet = SheetWindow())
        ::SendMessageA(sheet, PSM_SETFINISHTEXTA, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

PROPSHEETPAGEA PropertyPage::MakePage() const {
    PROPSHEETPAGEA psp = {};
    psp.dwSize = sizeof psp;
    psp.dwFlags = PSP_DEFAULT;
    psp.hInstance = m_instance;
    psp.pszTemplate = MAKEINTRESOURCEA(m_templateId);
    psp.pfnDlgProc = &PropertyPage::PageProc;
    psp.lParam = reinterpret_cast<LPARAM>(this);
    if (!m_title.empty()) {
        psp.dwFlags |= PSP_USETITLE;
        psp.pszTitle = m_title.c_str();
    }
    return psp;
}

bool PropertyPage::ProcessMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
    if (msg == WM_NOTIFY) {
        const NMHDR* hdr = reinterpret_cast<const NMHDR*>(lp);
        if (hdr && hdr->hwndFrom == SheetWindow()) {
            switch (hdr->code) {
            case PSN_SETACTIVE:
                result = OnSetActive() ? 0 : -1;
                return true;
            case PSN_KILLACTIVE:
                result = OnKillActive() ? FALSE : TRUE;
                return true;
            case PSN_APPLY:
                result = OnApply() ? PSNRET_NOERROR : PSNRET_INVALID_NOCHANGEPAGE;
                return true;
            case PSN_RESET:
                OnReset();
                result = 0;
                return true;
            case PSN_WIZNEXT:
                result = OnWizardNext();
                return true;
            case PSN_WIZBACK:
                result = OnWizardBack();
                return true;
            case PSN_WIZFINISH:
                result = OnWizardFinish() ? FALSE : TRUE;
                return true;
            default:
                break;
            }
        }
    }
    return Dialog::ProcessMessage(msg, wp, lp, result);
}

INT_PTR CALLBACK PropertyPage::PageProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_INITDIALOG) {
        // The sheet passes its copy of our PROPSHEETPAGE; its lParam is the page object.
        const PROPSHEETPAGEA* psp = reinterpret_cast<const PROPSHEETPAGEA*>(lp);
        return DialogProc(hwnd, msg, wp, psp ? psp->lParam : 0);
    }
    return DialogProc(hwnd, msg, wp, lp);
}

PropertySheet::PropertySheet(const std::string& caption, bool wizard)
    : m_caption(caption), m_wizard(wizard) {}

int CALLBACK PropertySheet::SheetCallback(HWND hwnd, UINT msg, LPARAM) {
    PropertySheet* self = g_starting;
    if (msg == PSCB_INITIALIZED && self) {
        self->m_hWnd = hwnd;
        // No page offers help, so the button has no use in either mode.
        if (HWND help = ::GetDlgItem(hwnd, IDHELP)) {
            ::ShowWindow(help, SW_HIDE);
            ::EnableWindow(help, FALSE);
        }
        self->OnInitialized();
    }
    return 0;
}

INT_PTR PropertySheet::DoModal(HWND parent) {
    if (m_pages.empty() || m_hWnd)
        return -1;
    std::vector<PROPSHEETPAGEA> pages;
    pages.reserve(m_pages.size());
    for (PropertyPage* p : m_pages)
        pages.push_back(p->MakePage());

    PROPSHEETHEADERA psh = {};
    // The original header size keeps the sheet working with every common-controls version.
    psh.dwSize = PROPSHEETHEADERA_V1_SIZE;
    psh.dwFlags = PSH_PROPSHEETPAGE | PSH_NOAPPLYNOW | PSH_USECALLBACK;
    if (m_wizard)
        psh.dwFlags |= PSH_WIZARD;
    psh.hwndParent = parent;
    psh.hInstance = m_pages.front()->Instance();
    psh.pszCaption = m_caption.c_str();
    psh.nPages = static_cast<UINT>(pages.size());
    psh.nStartPage = m_startPage < pages.size() ? m_startPage : 0;
    psh.ppsp = pages.data();
    psh.pfnCallback = &PropertySheet::SheetCallback;

    PropertySheet* outer = g_starting;
    g_starting = this;
    INT_PTR r = ::PropertySheetA(&psh);
    g_starting = outer;
    m_hWnd = nullptr;
    if (r < 0)
        return -1;
    return r > 0 ? IDOK : IDCANCEL;
}

int PropertySheet::GetActiveIndex() const {
    if (!m_hWnd)
        return -1;
    LRESULT page = ::SendMessageA(m_hWnd, PSM_GETCURRENTPAGEHWND, 0, 0);
    return page ? static_cast<int>(::SendMessageA(m_hWnd, PSM_HWNDTOINDEX, static_cast<WPARAM>(page), 0))
                : -1;
}

bool PropertySheet::SetActivePage(int index) const {
    return m_hWnd && ::SendMessageA(m_hWnd, PSM_SETCURSEL, static_cast<WPARAM>(index), 0) != 0;
}

} // namespace tunaro
