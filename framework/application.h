// The one application object of a program: initialisation (which runs the main dialog
// modally), message pre-translation with the accelerator table, and its suspend switch.
#pragma once

#include <windows.h>

namespace tunaro {

class Dialog;

class Application {
public:
    Application();
    Application(const Application&) = delete;
    Application& operator=(const Application&) = delete;
    virtual ~Application();

    // The application object of this process (null when none exists).
    static Application* Current() { return g_current; }

    // Initialises common controls and COM, installs the message filter, and calls InitInstance.
    // A dialog-based program runs its main dialog there and returns false, which ends the
    // program without a second message loop; returning true runs a message loop until WM_QUIT.
    // Returns ExitInstance's value (or WM_QUIT's).
    int Run(HINSTANCE instance);

    HINSTANCE Instance() const { return m_instance; }
    Dialog* MainWindow() const { return m_mainWindow; }
    void SetMainWindow(Dialog* main) { m_mainWindow = main; }

    // The accelerator table translated for the main window, by resource id (module-owned) or handle.
    bool LoadAccelerators(UINT resourceId);
    void SetAccelerators(HACCEL table) { m_accelerators = table; }
    HACCEL Accelerators() const { return m_accelerators; }

    // While suspended (counted: every Suspend needs its Resume) accelerators are not translated
    // and keys take their normal path. AcceleratorSuspension does the pairing in a scope.
    void SuspendAccelerators() { ++m_suspendCount; }
    void ResumeAccelerators() {
        if (m_suspendCount > 0)
            --m_suspendCount;
    }
    bool AcceleratorsSuspended() const { return m_suspendCount > 0; }

    // Every message of this thread's message loops (ours, modal dialogs', property sheets',
    // message boxes') passes here before dispatch. The default offers it to the framework
    // dialogs from its target window upwards, then translates the accelerator table for the
    // main window unless suspended. Return true when the message has been dealt with.
    virtual bool PreTranslateMessage(MSG* msg);

protected:
    virtual bool InitInstance() = 0;
    virtual int ExitInstance() { return 0; }

private:
    static LRESULT CALLBACK MessageFilterProc(int code, WPARAM wp, LPARAM lp);

    static Application* g_current;
    HINSTANCE m_instance = nullptr;
    Dialog* m_mainWindow = nullptr;
    HACCEL m_accelerators = nullptr;
    int m_suspendCount = 0;
    HHOOK m_filterHook = nullptr;
};

// Suspends the current application's accelerators for the life of the object.
class AcceleratorSuspension {
public:
    AcceleratorSuspension() : m_app(Application::Current()) {
        if (m_app)
            m_app->SuspendAccelerators();
    }
    AcceleratorSuspension(const AcceleratorSuspension&) = delete;
    AcceleratorSuspension& operator=(const AcceleratorSuspension&) = delete;
    ~AcceleratorSuspension() {
        if (m_app)
            m_app->ResumeAccelerators();
    }

private:
    Application* m_app;
};

} // namespace tunaro
