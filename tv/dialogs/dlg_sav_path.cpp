// The directory settings page: the two directories in their edits, the shell's folder browser
// beside each, the disks C to K with their sizes, and on OK the directories checked, created and
// handed to the settings.
#include "tv/dialogs/dlg_sav_path.h"

#include <shlobj.h>

#include "framework/format.h"
#include "res/tunaro/resource.h"
#include "tv/dialogs/setup_rules.h"
#include "tv/directories.h"
#include "tv/profile_ini.h"

namespace tunaro {

namespace {

// BIF_RETURNONLYFSDIRS | BIF_RETURNFSANCESTORS | BIF_NEWDIALOGSTYLE
constexpr UINT kBrowseFlags = 73;
constexpr const char* kBrowseStart = "C:\\";

int CALLBACK BrowseCallback(HWND hwnd, UINT msg, LPARAM, LPARAM data) {
    if (msg == BFFM_INITIALIZED)
        ::SendMessageA(hwnd, BFFM_SETSELECTIONA, TRUE, data);
    return 0;
}

// True when a file can be made in the directory (it is removed again at once).
bool DirectoryTakesFiles(const std::string& dir) {
    char file[MAX_PATH + 16] = "";
    if (!::GetTempFileNameA(dir.c_str(), "tun", 0, file))
        return false;
    ::DeleteFileA(file);
    return true;
}

} // namespace

CDlgSavPath::CDlgSavPath(SetupHost& host)
    : PropertyPage(IDD_SAV_PATH, host.Text("Directory Setting", "目录设置")), m_host(host) {}

const MessageMap* CDlgSavPath::GetMessageMap() const {
    using C = CDlgSavPath;
    static const MessageMap kMap{
        Command<&C::OnBrowseImage>(IDC_SP_IMAGE_BROWSE),
        Command<&C::OnBrowseMovie>(IDC_SP_MOVIE_BROWSE),
    };
    return &kMap;
}

BOOL CDlgSavPath::OnInitDialog() {
    if (!m_host.Chinese()) {
        SetItemText(IDC_SP_GROUP, "Directory Setting");
        SetItemText(IDC_SP_IMAGE_LABEL, "Image path:");
        SetItemText(IDC_SP_MOVIE_LABEL, "Movie path:");
        SetItemText(IDC_SP_IMAGE_BROWSE, "Brower");
        SetItemText(IDC_SP_MOVIE_BROWSE, "Brower");
    }
    // The kit's grid list draws the disks: boxed cells, texts shortened with "...".
    m_disks.SubclassDlgItem(IDC_SP_DISKS, m_hWnd);
    const char* titles[] = {m_host.Text("Disk", "盘符"), m_host.Text("Total Space", "总硬盘空间"),
                            m_host.Text("Spent Space", "已用空间"), m_host.Text("Free Space", "可用空间")};
    RECT rc = {};
    ::GetWindowRect(Item(IDC_SP_DISKS), &rc);
    const std::vector<int> widths = DiskColumnWidths(rc.right - rc.left);
    for (int i = 0; i < 4; ++i) {
        LVCOLUMNA column = {};
        column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
        column.pszText = const_cast<char*>(titles[i]);
        column.cx = widths[static_cast<size_t>(i)];
        column.iSubItem = i;
        SendItemMessage(IDC_SP_DISKS, LVM_INSERTCOLUMNA, static_cast<WPARAM>(i),
                        reinterpret_cast<LPARAM>(&column));
    }
    SendItemMessage(IDC_SP_DISKS, LVM_SETEXTENDEDLISTVIEWSTYLE, 0, LVS_EX_FULLROWSELECT);
    ListDisks();
    SendItemMessage(IDC_SP_IMAGE_PATH, EM_LIMITTEXT, kSettingPathMax, 0);
    SendItemMessage(IDC_SP_MOVIE_PATH, EM_LIMITTEXT, kSettingPathMax, 0);
    SetItemText(IDC_SP_IMAGE_PATH, m_host.Settings().strImagePath);
    SetItemText(IDC_SP_MOVIE_PATH, m_host.Settings().strVideoPath);
    return TRUE;
}

void CDlgSavPath::ListDisks() {
    const auto kindOf = [](const std::string& root) {
        switch (::GetDriveTypeA(root.c_str())) {
        case DRIVE_FIXED:
            return DriveKind::Fixed;
        case DRIVE_REMOVABLE:
            return DriveKind::Removable;
        default:
            return DriveKind::Other;
        }
    };
    const auto sizeOf = [](const std::string& root, uint64_t* total, uint64_t* free) {
        ULARGE_INTEGER available = {}, bytes = {}, freeBytes = {};
        if (!::GetDiskFreeSpaceExA(root.c_str(), &available, &bytes, &freeBytes))
            return false;
        *total = bytes.QuadPart;
        *free = freeBytes.QuadPart; // the volume's free space, not only the caller's share
        return true;
    };
    int row = 0;
    for (const DiskRow& disk : tunaro::ListDisks(kindOf, sizeOf)) {
        const std::string texts[] = {disk.root, disk.sizes.total, disk.sizes.used, disk.sizes.free};
        LVITEMA item = {};
        item.mask = LVIF_TEXT;
        item.iItem = row;
        item.pszText = const_cast<char*>(texts[0].c_str());
        const int index = static_cast<int>(
            SendItemMessage(IDC_SP_DISKS, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)));
        for (int column = 1; column < 4; ++column) {
            LVITEMA sub = {};
            sub.iSubItem = column;
            sub.pszText = const_cast<char*>(texts[column].c_str());
            SendItemMessage(IDC_SP_DISKS, LVM_SETITEMTEXTA, static_cast<WPARAM>(index),
                            reinterpret_cast<LPARAM>(&sub));
        }
        ++row;
    }
}

void CDlgSavPath::OnBrowseImage() {
    Browse(IDC_SP_IMAGE_PATH, "Image path:", "单帧保存目录:");
}

void CDlgSavPath::OnBrowseMovie() {
    Browse(IDC_SP_MOVIE_PATH, "Movie Path:", "录像保存目录:");
}

void CDlgSavPath::Browse(int editId, const char* english, const char* chinese) {
    const std::string title = m_host.Text(english, chinese);
    BROWSEINFOA info = {};
    info.hwndOwner = m_hWnd;
    info.lpszTitle = title.c_str();
    info.ulFlags = kBrowseFlags;
    info.lpfn = &BrowseCallback;
    info.lParam = reinterpret_cast<LPARAM>(kBrowseStart);
    LPITEMIDLIST chosen = ::SHBrowseForFolderA(&info);
    if (!chosen)
        return; // cancelled: the edit stays as it was
    char path[MAX_PATH] = "";
    if (::SHGetPathFromIDListA(chosen, path))
        SetItemText(editId, path);
    ::CoTaskMemFree(chosen);
}

std::string CDlgSavPath::CheckedDirectory(int editId, const char* english, const char* chinese) {
    const std::string typed = GetItemText(editId);
    const std::string dir = TidyDirectory(typed);
    const char* which = m_host.Text(english, chinese);
    std::string problem;
    if (dir.empty())
        problem = Format(m_host.Text("Please enter the %s.", "请输入%s。"), which);
    else if (!IsFullDirectory(dir))
        problem = Format(
            m_host.Text("The %s \"%s\" is not a full path.\nPlease enter it with its drive, for example "
                        "C:\\Tunaro\\Image.",
                        "%s \"%s\" 不是完整路径。\n请输入带盘符的路径，例如 C:\\Tunaro\\Image。"),
            which, dir.c_str());
    else if (!CreateDirectoryTree(dir) || !DirectoryTakesFiles(dir))
        problem = Format(
            m_host.Text("The %s \"%s\" cannot be created or written.\nPlease choose another directory.",
                        "%s \"%s\" 无法创建或写入。\n请选择其他目录。"),
            which, dir.c_str());
    if (problem.empty())
        return dir;
    ::MessageBoxA(m_hWnd, problem.c_str(), m_host.Caption().c_str(), MB_OK | MB_ICONWARNING);
    ::SetFocus(Item(editId));
    SendItemMessage(editId, EM_SETSEL, 0, -1);
    return std::string();
}

bool CDlgSavPath::OnApply() {
    const std::string movie = CheckedDirectory(IDC_SP_MOVIE_PATH, "movie directory", "录像保存目录");
    if (movie.empty())
        return false;
    const std::string image = CheckedDirectory(IDC_SP_IMAGE_PATH, "image directory", "单帧保存目录");
    if (image.empty())
        return false;
    TvSettings& settings = m_host.Settings();
    settings.strVideoPath = movie;
    settings.strImagePath = image;
    // Kept at once as well, so a program that does not end normally still has them.
    WriteProfileValues(m_host.TunaroIniPath(), {ImagePathWrite(image), VideoPathWrite(movie)});
    return true;
}

} // namespace tunaro
