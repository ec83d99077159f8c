// Property sheets and pages over the common-controls PropertySheet: a modal sheet with a
// caption, no Apply button and no Help button, pages with their own tab titles, and wizard mode.
#pragma once

#include <windows.h>
#include <commctrl.h>
#include <prsht.h>

#include <string>
#include <vector>

#include "framework/dialog.h"

namespace tunaro {

class PropertySheet;

class PropertyPage : public Dialog {
public:
    // An empty title keeps the template's caption on the tab.
    explicit PropertyPage(UINT templateId, const std::string& title = std::string(),
                          HINSTANCE instance = nullptr);

    void SetTitle(const std::string& title) { m_title = title; }
    const std::string& Title() const { return m_title; }
    // The sheet window holding this page (null before the page is created).
    HWND SheetWindow() const { return m_hWnd ? ::GetParent(m_hWnd) : nullptr; }

    // Wizard helpers: which of Back / Next / Finish are offered (PSWIZB_BACK | PSWIZB_NEXT,
    // PSWIZB_FINISH, PSWIZB_DISABLEDFINISH), and the Finish button's text.
    void SetWizardButtons(DWORD flags) const;
    void SetFinishText(const std::string& text) const;

    // PROPSHEETPAGE for this page (filled by the sheet).
    PROPSHEETPAGEA MakePage() const;

protected:
    // The page becomes current; return false to skip it (the sheet moves on).
    virtual bool OnSetActive() { return true; }
    // The page is left (another tab, Next, Back, OK); return false to stay.
    virtual bool OnKillActive() { return true; }
    // OK or Finish; the page saves its values. Return false to keep the sheet open on this page.
    virtual bool OnApply() { return true; }
    // Cancel; nothing is saved.
    virtual void OnReset() {}
    // Wizard navigation: 0 goes to the adjacent page, -1 stays, a page's template id goes there.
    virtual LRESULT OnWizardNext() { return 0; }
    virtual LRESULT OnWizardBack() { return 0; }
    // Finish: return false to stay on the page.
    virtual bool OnWizardFinish() { return true; }

    // Enter and Escape belong to the sheet; a page never ends itself.
    void OnOK() override {}
    void OnCancel() override {}
    bool ProcessMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;

private:
    static INT_PTR CALLBACK PageProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
    std::string m_title;
};

class PropertySheet : public Window {
public:
    explicit PropertySheet(const std::string& caption, bool wizard = false);
    PropertySheet(const PropertySheet&) = delete;
    PropertySheet& operator=(const PropertySheet&) = delete;

    // Pages appear in the order added; the sheet does not own them.
    void AddPage(PropertyPage* page) { m_pages.push_back(page); }
    void SetCaption(const std::string& caption) { m_caption = caption; }
    void SetWizardMode(bool wizard = true) { m_wizard = wizard; }
    // The page shown first (index into the added pages).
    void SetStartPage(UINT index) { m_startPage = index; }

    // Runs the sheet modally: IDOK after OK or Finish, IDCANCEL after Cancel, -1 on failure.
    INT_PTR DoModal(HWND parent = nullptr);

    // While the sheet runs: the current page's index, and moving to a page.
    int GetActiveIndex() const;
    bool SetActivePage(int index) const;

protected:
    // The sheet window exists and its first page is shown.
    virtual void OnInitialized() {}

private:
    static int CALLBACK SheetCallback(HWND hwnd, UINT msg, LPARAM lp);
    static thread_local PropertySheet* g_starting;

    std::string m_caption;
    bool m_wizard;
    UINT m_startPage = 0;
    std::vector<PropertyPage*> m_pages;
};

} // namespace tunaro
