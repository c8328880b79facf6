#pragma once

#include <string>

class CKorvexGlobal;

namespace korvex::framelist {

// The clear command, from the frame list's menu and the main window's alike:
// empties the current channel's first frame list and gives the text that
// status-bar pane 2 shows then, the frame total of 0 ("总帧数 ：0").
std::string ClearCurrentList(CKorvexGlobal& global);

}  // namespace korvex::framelist
