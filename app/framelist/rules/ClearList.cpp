#include "app/framelist/rules/ClearList.h"

#include "app/framelist/rules/KorvexListCommands.h"
#include "core/DataFileReader.h"
#include "core/KorvexGlobal.h"
#include "xtp/XTPResourceManager.h"

namespace korvex::framelist {

std::string ClearCurrentList(CKorvexGlobal& global) {
    std::vector<CDataShowBase*>& sinks = global.CurrentSinks();
    if (!sinks.empty()) sinks.front()->ClearList();
    return FrameCountText(XTPLoadString(kStrFrameTotal), 0);
}

}  // namespace korvex::framelist
