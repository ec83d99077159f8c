// The history view: four columns (when, task, channel, what became of the run) filled from the
// history file, in the language of the run.
#include "schedule/app/history_dlg.h"

#include <commctrl.h>

#include "framework/file_replace.h"
#include "res/schedule/resource.h"
#include "schedule/app/schedule_app.h"
#include "schedule/task_history.h"

namespace tunaro {

CHistoryDlg::CHistoryDlg(std::string historyFile, const std::vector<ScheduleChannel>& channels)
    : Dialog(IDD_HISTORY), m_historyFile(std::move(historyFile)), m_channels(channels) {}

BOOL CHistoryDlg::OnInitDialog() {
    const ScheduleGlobals& g = Globals();
    const bool chinese = g.Chinese();
    SetWindowText(g.Text("History", "历史记录"));
    SetItemText(IDOK, g.Text("&Close", "关闭(&C)"));

    HWND list = Item(IDC_HISTORY_LIST);
    ListView_SetExtendedListViewStyle(list, LVS_EX_FULLROWSELECT);
    RECT inside = {};
    ::GetClientRect(list, &inside);
    const int w = int(inside.right - inside.left) - GetSystemMetrics(SM_CXVSCROLL);
    const int widths[kTaskHistoryColumnCount] = {w * 20 / 100, w * 18 / 100, w * 12 / 100, w * 50 / 100};
    AddListColumns(list, widths, kTaskHistoryColumnCount, TaskHistoryColumnTitle);

    std::string text;
    if (FileExists(m_historyFile)) {
        ReadFileBytes(m_historyFile, text);
    }
    const std::vector<TaskHistoryEntry> entries = ReadTaskHistory(text);
    int row = 0;
    for (const TaskHistoryEntry& e : entries) {
        const std::size_t position = std::size_t(e.channel);
        const std::string cells[kTaskHistoryColumnCount] = {TaskHistoryWhenText(e), e.name,
                                                            e.channel >= 0 && position < m_channels.size()
                                                                ? m_channels[position].name
                                                                : std::to_string(e.channel),
                                                            TaskHistoryOutcomeText(e, chinese)};
        LVITEMA item = {};
        item.mask = LVIF_TEXT;
        item.iItem = row;
        item.pszText = const_cast<char*>(cells[0].c_str());
        const int at = int(::SendMessageA(list, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)));
        for (int c = 1; c < kTaskHistoryColumnCount; ++c) {
            LVITEMA sub = {};
            sub.iSubItem = c;
            sub.pszText = const_cast<char*>(cells[c].c_str());
            ::SendMessageA(list, LVM_SETITEMTEXTA, WPARAM(at), reinterpret_cast<LPARAM>(&sub));
        }
        ++row;
    }
    SetItemText(IDC_HISTORY_EMPTY,
                entries.empty() ? g.Text("No task has run yet.", "还没有任务运行过。") : "");
    return TRUE;
}

} // namespace tunaro
