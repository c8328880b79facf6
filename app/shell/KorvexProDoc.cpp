#include "app/shell/KorvexProDoc.h"

#include <cerrno>

#include "app/common/rules/WriteFailureText.h"
#include "app/services/WindowHandle.h"
#include "app/shell/FileLoadPump.h"
#include "app/shell/rules/ShellIds.h"
#include "core/DataFileReader.h"
#include "core/KorvexGlobal.h"
#include "protolens/include/protolens.h"
#include "xtp/XTPUiServices.h"

namespace korvex::shell {
namespace {

XTPFileDialogRequest KvsetDialog() {
    XTPFileDialogRequest request;
    request.defaultExt = "kvset";
    request.flags = xtp_ofn::kHideReadOnly | xtp_ofn::kOverwritePrompt;
    request.filter = "KorvexPro File(*.kvset)|*.kvset||";
    return request;
}

}  // namespace

CKorvexProDoc::CKorvexProDoc(CKorvexGlobal& global, int documentIndex, QObject* parent)
    : QObject(parent), global(global), documentIndex(documentIndex) {}

bool CKorvexProDoc::OnNewDocument() {
    modified = false;
    return true;
}

bool CKorvexProDoc::OnOpenDocument(const std::string& path, IStatusSink& status) {
    if (CFileLoadPump::Busy()) return false;
    const std::string label = XTPLoadString(res::kStrFrameTotal);
    CFileLoadPump pump(global, [&status, &label](long long count) {
        status.ShowFrameStatus(FrameCountText(label, count));
    });
    const DataFileStatus result = ReadStreamFile(
        path, global, [&status](const std::string& text) { status.ShowFrameStatus(text); }, label,
        pump.Split());
    pump.Finish();
    return result == DataFileStatus::kOk;
}

void CKorvexProDoc::OnExportDeviceConfig(QWidget* owner) {
    std::string path;
    if (!XTPUiServices().SaveFileDialog(ToCWnd(owner), KvsetDialog(), path)) return;
    errno = 0;
    const KvsetStatus status = global.ExportDeviceConfig(path);
    if (status == KvsetStatus::kOk) return;
    // The error number of the call that failed, taken before anything else.
    FileWriteProblem problem;
    problem.Set(status != KvsetStatus::kCannotCreate);
    XTPUiServices().MessageBox(
        ToCWnd(owner),
        XTPLoadString(res::kStrSaveConfigFailed) + "\n" + WriteFailureText(path, problem),
        XTPLoadString(res::kStrAppTitle), xtp_mb::kOk);
}

void CKorvexProDoc::OnImportDeviceConfig(QWidget* owner) {
    std::string path;
    if (!XTPUiServices().OpenFileDialog(ToCWnd(owner), KvsetDialog(), path)) return;
    // A file that cannot be opened changes nothing, so the plug-in is not told.
    if (global.ImportDeviceConfig(path).status == KvsetStatus::kCannotOpen) return;
    IOCtl(kIoctlTimeShowType, &global.TimeShowType, 1, 0, 0);
}

}  // namespace korvex::shell
