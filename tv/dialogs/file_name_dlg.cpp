// The recording-name prompt: the proposed name, the characters taken back as they arrive, and
// OK only for a name that can be a file's.
#include "tv/dialogs/file_name_dlg.h"

#include <ctime>
#include <utility>

#include "res/tunaro/resource.h"
#include "tv/recording_names.h"

namespace tunaro {

namespace {

// Room for the directory and the extension beside the name within a Windows path.
constexpr int kNameMax = 200;

} // namespace

CFileNameDlg::CFileNameDlg(LanguageMode language, std::string caption)
    : Dialog(IDD_FILE_NAME), m_language(language), m_strCaption(std::move(caption)) {}

const MessageMap* CFileNameDlg::GetMessageMap() const {
    using C = CFileNameDlg;
    static const MessageMap kMap{
        CommandCode<&C::OnNameChanged>(IDC_FN_NAME, EN_CHANGE),
    };
    return &kMap;
}

BOOL CFileNameDlg::OnInitDialog() {
    if (m_language != kLanguageChinese) {
        SetWindowText("Please input file name");
        SetItemText(IDOK, "OK");
        SetItemText(IDCANCEL, "Cancel");
    }
    SendItemMessage(IDC_FN_NAME, EM_LIMITTEXT, kNameMax, 0);
    m_strName = TimeName(time(nullptr));
    m_strLastGood = m_strName;
    m_boRestoring = true;
    SetItemText(IDC_FN_NAME, m_strName);
    m_boRestoring = false;
    CenterWindow(::GetParent(m_hWnd));
    ::SetForegroundWindow(m_hWnd);
    return TRUE;
}

void CFileNameDlg::OnNameChanged() {
    if (m_boRestoring)
        return;
    const std::string text = GetItemText(IDC_FN_NAME);
    if (!HasReservedCharacter(text)) {
        m_strLastGood = text;
        return;
    }
    ::MessageBoxA(m_hWnd,
                  Text("Some characters cannot be included in the file name such as\n/:*?\"<>| \n, Please "
                       "input it again",
                       "文件名中不能包含下列字符\n/:*?\"<>| \n, 请重新输入"),
                  m_strCaption.c_str(), MB_OK);
    m_boRestoring = true;
    SetItemText(IDC_FN_NAME, m_strLastGood);
    m_boRestoring = false;
    const int end = static_cast<int>(m_strLastGood.size());
    SendItemMessage(IDC_FN_NAME, EM_SETSEL, static_cast<WPARAM>(end), end);
}

void CFileNameDlg::OnOK() {
    const std::string name = GetItemText(IDC_FN_NAME);
    const char* refusal = nullptr;
    switch (CheckRecordingName(name)) {
    case NameProblem::None:
        break;
    case NameProblem::Empty:
        refusal = Text("Please input file name!", "请输入文件名!");
        break;
    case NameProblem::Reserved:
        refusal = Text("Some characters cannot be included in the file name such as\n/:*?\"<>| \n, Please "
                       "input it again",
                       "文件名中不能包含下列字符\n/:*?\"<>| \n, 请重新输入");
        break;
    case NameProblem::Unusable:
        refusal =
            Text("A file cannot have this name (control characters, only dots, or a dot or blank at the "
                 "end). Please input another name.",
                 "文件不能使用这个名字(控制字符、只有点、或以点或空格结尾), 请重新输入");
        break;
    }
    if (refusal) {
        ::MessageBoxA(m_hWnd, refusal, m_strCaption.c_str(), MB_OK | MB_ICONWARNING);
        ::SetFocus(Item(IDC_FN_NAME));
        return;
    }
    m_strName = name;
    EndDialog(IDOK);
}

} // namespace tunaro
