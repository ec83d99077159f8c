// The setup sheet and its pages opened from the control panel. The commands are accepted from
// buttons, the menu and the other programs; the dialogs are not part of the program yet, so
// they do nothing for now.
#include "tv/app/panel_dialogs.h"

#include "tv/app/control_panel.h"

void PanelDialogs::OnSetting() {}
void PanelDialogs::OnRecordSetting() {}
void PanelDialogs::OnRecordType() {}
void PanelDialogs::OnColor() {}
void PanelDialogs::OnChannelEdit() {}
void PanelDialogs::OnDirectorySetting() {}
