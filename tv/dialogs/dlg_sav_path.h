// The directory settings page (template 271, the setup sheet's "Directory Setting" page, also
// opened alone from the video window's menu): where snapshots and recordings are saved, with the
// local disks and their free space beside them.
#pragma once

#include <string>

#include "framework/property_sheet.h"
#include "tv/dialogs/setup_host.h"
#include "uikit/grid_list.h"

namespace tunaro {

class CDlgSavPath : public PropertyPage {
public:
    explicit CDlgSavPath(SetupHost& host);

protected:
    BOOL OnInitDialog() override;
    const MessageMap* GetMessageMap() const override;
    // OK: both directories must exist (they are created when missing) and take files; otherwise
    // the page says which one cannot be used and stays open.
    bool OnApply() override;

private:
    void ListDisks();
    void OnBrowseImage();
    void OnBrowseMovie();
    void Browse(int editId, const char* english, const char* chinese);
    // The usable form of the directory in editId, or "" after telling the user why it is not.
    std::string CheckedDirectory(int editId, const char* english, const char* chinese);

    SetupHost& m_host;
    GridList m_disks;
};

} // namespace tunaro
