#include "cli/interrupt.h"

#include <csignal>

namespace orv::cli {

namespace {
volatile std::sig_atomic_t g_signal = 0;

void OnInterrupt(int sig) { g_signal = sig; }
}  // namespace

void CatchInterrupts() {
    std::signal(SIGINT, OnInterrupt);
    std::signal(SIGTERM, OnInterrupt);
}

int PendingInterrupt() { return g_signal; }

void EndByPendingInterrupt() {
    const int sig = g_signal;
    if (!sig) return;
    std::signal(sig, SIG_DFL);
    std::raise(sig);
}

}  // namespace orv::cli
