#pragma once

namespace korvex::shell {

class CChildFrame;
class CKorvexView;
class CMainFrame;

// Where the windows of the other folders join the shell: each function is the
// one explicit list of what its part of the shell receives. A folder adds its
// line here and nowhere else in the shell.
//
// The view's commands: 32771 device configuration, 32793 preset frames, 32805
// clearing the recorder, 32820 alias names, 46001/46002 the other tools'
// file formats, 47001/47002/47005 the signal databases, plot and Bits view,
// each with view.SetCommandHandler(id, handler). A device dialog takes the
// recorder with korvex::shell::TakeRecorder() (RecorderAccess.h) before it
// opens it.
void InstallViewCommands(CKorvexView& view);

// The panes' contents: frame.SetPaneFactory(paneId, factory) for 3072 search,
// 3071 search results, 3074 classification settings and 3073 its results,
// and the signal pane 47004.
void InstallPaneContents(CChildFrame& frame);

// Windows of the main frame: frame.SetBusStatusWindow(window) for 32854; the
// signal databases (restored from the settings) and the signal plot.
void InstallMainFrameWindows(CMainFrame& frame);

}  // namespace korvex::shell
