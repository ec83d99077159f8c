// Recording and playback from the control panel. The commands are accepted from buttons, keys
// and the other programs; recording and playback are not part of the program yet, so they do
// nothing for now.
#include "tv/app/panel_recording.h"

#include "tv/app/control_panel.h"

void PanelRecording::OnRecord() {}
void PanelRecording::OnQuickRecord() {}
void PanelRecording::OnOpenFile() {}
void PanelRecording::OnPlayback(UINT) {}
void PanelRecording::OnQuickPlay() {}
