#pragma once

#include <QObject>
#include <functional>

class QSocketNotifier;

namespace korvex::shell {

// Turns SIGTERM and SIGINT into a call of `quit` on the user-interface thread,
// so that ending the program from outside closes it the same orderly way as
// its Exit command. The handler only writes one byte into a pipe, the one
// thing a signal handler may safely do here. One instance at a time.
class CQuitSignals : public QObject {
    Q_OBJECT

  public:
    // Catches the two signals from now until the process ends (calling it
    // again changes nothing). A signal that comes while no instance listens
    // waits for the next one: the program installs the handlers first thing,
    // so a signal during its start-up ends it as soon as its windows can
    // close.
    static void Install();

    // Installs the handlers and listens for them.
    CQuitSignals(std::function<void()> quit, QObject* parent);
    // Stops listening. The handlers stay, so that a signal while the program
    // takes its windows down and writes its settings does not cut that short;
    // what comes then is dropped.
    ~CQuitSignals() override;
    CQuitSignals(const CQuitSignals&) = delete;
    CQuitSignals& operator=(const CQuitSignals&) = delete;

  private:
    static void OnSignal(int signal);

    std::function<void()> quit;
    QSocketNotifier* notifier = nullptr;
};

}  // namespace korvex::shell
