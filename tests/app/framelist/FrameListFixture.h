#pragma once

#include <QAbstractItemModelTester>
#include <QString>
#include <cstdint>
#include <string>
#include <vector>

#include "app/framelist/KorvexList.h"
#include "app/resources/rules/BuiltInResources.h"
#include "core/KorvexGlobal.h"
#include "protolens/include/MessageWindow.h"
#include "protolens/include/protolens.h"
#include "tests/support/FakeUiServices.h"

namespace korvex::test {

// A main window stand-in that keeps the status texts posted to it.
class StatusReceiver : public IMessageWindow {
  public:
    void PostMessage(unsigned msg, std::uintptr_t wParam, std::intptr_t) override {
        messages.push_back(msg);
        texts.emplace_back(reinterpret_cast<const char*>(wParam));
    }
    std::vector<unsigned> messages;
    std::vector<std::string> texts;
};

// Sets a list up as the program does: the built-in resources, the list as
// the channel's first sink, its columns and colours from the plug-in.
inline void ConnectToPlugin(CKorvexGlobal& global, CKorvexList& list) {
    InstallBuiltInResources();
    global.frameSinks[0] = {&list};
    SetControlList(&list);
    std::int32_t language = 0;
    IOCtl(15, &language, sizeof language, 0, 0);
}

// A frame list set up as the program sets it up, with a model tester
// watching every change of the model.
struct FrameListFixture {
    FrameListFixture() : list(global) {
        ConnectToPlugin(global, list);
        list.SetMessageWindow(&status);
        list.resize(900, 400);
    }
    ~FrameListFixture() { SetControlList(nullptr); }

    QString Cell(int row, int column) const {
        return list.model()->index(row, column).data().toString();
    }

    CKorvexGlobal global;
    FakeUiServices ui;
    StatusReceiver status;
    CKorvexList list;
    QAbstractItemModelTester tester{list.model()};
};

}  // namespace korvex::test
