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
    CQuitSignals(std::function<void()> quit, QObject* parent);
    ~CQuitSignals() override;
    CQuitSignals(const CQuitSignals&) = delete;
    CQuitSignals& operator=(const CQuitSignals&) = delete;

  private:
    static void OnSignal(int signal);

    std::function<void()> quit;
    QSocketNotifier* notifier = nullptr;
};

}  // namespace korvex::shell
