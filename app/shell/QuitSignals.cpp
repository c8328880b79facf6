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

void Drain() {
    char bytes[16];
    while (::read(pipeEnds[0], bytes, sizeof bytes) > 0) {
    }
}

}  // namespace

void CQuitSignals::Install() {
    if (pipeEnds[0] >= 0 || ::pipe2(pipeEnds, O_CLOEXEC | O_NONBLOCK) != 0) return;
    struct sigaction action {};
    action.sa_handler = &CQuitSignals::OnSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int signal : kHandled) ::sigaction(signal, &action, nullptr);
}

CQuitSignals::CQuitSignals(std::function<void()> quit, QObject* parent)
    : QObject(parent), quit(std::move(quit)) {
    Install();
    if (pipeEnds[0] < 0) return;
    notifier = new QSocketNotifier(pipeEnds[0], QSocketNotifier::Read, this);
    connect(notifier, &QSocketNotifier::activated, this, [this] {
        Drain();
        if (this->quit) this->quit();
    });
}

CQuitSignals::~CQuitSignals() {
    delete notifier;
    notifier = nullptr;
    if (pipeEnds[0] >= 0) Drain();
}

void CQuitSignals::OnSignal(int) {
    const int saved = errno;
    const char byte = 1;
    if (pipeEnds[1] >= 0) (void)!::write(pipeEnds[1], &byte, 1);
    errno = saved;
}

}  // namespace korvex::shell
