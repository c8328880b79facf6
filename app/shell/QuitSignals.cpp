#include "app/shell/QuitSignals.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <QSocketNotifier>
#include <cerrno>

namespace korvex::shell {
namespace {

int pipeEnds[2] = {-1, -1};
constexpr int kHandled[] = {SIGTERM, SIGINT};

}  // namespace

CQuitSignals::CQuitSignals(std::function<void()> quit, QObject* parent)
    : QObject(parent), quit(std::move(quit)) {
    if (::pipe2(pipeEnds, O_CLOEXEC | O_NONBLOCK) != 0) return;
    notifier = new QSocketNotifier(pipeEnds[0], QSocketNotifier::Read, this);
    connect(notifier, &QSocketNotifier::activated, this, [this] {
        char bytes[16];
        while (::read(pipeEnds[0], bytes, sizeof bytes) > 0) {
        }
        if (this->quit) this->quit();
    });
    struct sigaction action {};
    action.sa_handler = &CQuitSignals::OnSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int signal : kHandled) ::sigaction(signal, &action, nullptr);
}

CQuitSignals::~CQuitSignals() {
    struct sigaction action {};
    action.sa_handler = SIG_DFL;
    sigemptyset(&action.sa_mask);
    for (int signal : kHandled) ::sigaction(signal, &action, nullptr);
    delete notifier;
    notifier = nullptr;
    for (int& end : pipeEnds) {
        if (end >= 0) ::close(end);
        end = -1;
    }
}

void CQuitSignals::OnSignal(int) {
    const int saved = errno;
    const char byte = 1;
    if (pipeEnds[1] >= 0) (void)!::write(pipeEnds[1], &byte, 1);
    errno = saved;
}

}  // namespace korvex::shell
