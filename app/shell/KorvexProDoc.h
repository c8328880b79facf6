#pragma once

#include <QObject>
#include <QString>
#include <cstdint>
#include <string>

class CKorvexGlobal;
class QWidget;

namespace korvex::shell {

class IStatusSink;

// The document: a title, an index and a plain modified flag, and the device
// configuration file commands. Frames live in the frame list, not here.
class CKorvexProDoc : public QObject {
    Q_OBJECT

  public:
    CKorvexProDoc(CKorvexGlobal& global, int documentIndex, QObject* parent = nullptr);

    int DocumentIndex() const { return documentIndex; }
    const QString& Title() const { return title; }
    void SetTitle(const QString& text) { title = text; }
    void SetModifiedFlag(bool modified) { this->modified = modified; }
    bool IsModified() const { return modified; }

    // A new document holds nothing of its own; always succeeds.
    bool OnNewDocument();
    // Reads a stream data file into the frame list; false (nothing changed)
    // when the file cannot be read or is no data file. The frame total goes to
    // `status` (pane 2 of the main window).
    bool OnOpenDocument(const std::string& path, IStatusSink& status);

    // 32849: asks for a .kvset name and exports DevCfg.ini into it; string
    // 114 when that fails. 32848: asks for a .kvset name, imports it and tells
    // the plug-in the time display type (IOCtl 35). `owner` owns the dialogs.
    void OnExportDeviceConfig(QWidget* owner);
    void OnImportDeviceConfig(QWidget* owner);

  private:
    CKorvexGlobal& global;
    int documentIndex;
    QString title;
    bool modified = false;
};

// Where the frame-count texts of a load go: pane 2 of the main window.
class IStatusSink {
  public:
    virtual void ShowFrameStatus(const std::string& text) = 0;

  protected:
    ~IStatusSink() = default;
};

}  // namespace korvex::shell
