#include "cli/StopOnSignal.h"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace tralex {

namespace {

// The pipe from the handler to the watching thread; one object at a time owns it.
int gPipe[2] = {-1, -1};
struct sigaction gFormerInt;
struct sigaction gFormerTerm;

// The byte that ends the watching thread: no signal has number 0.
constexpr char EndOfWatch = 0;

void onSignal(int number)
{
    const int saved = errno;
    const char byte = static_cast<char>(number);
    [[maybe_unused]] const ssize_t written = ::write(gPipe[1], &byte, 1);
    errno = saved;
}

void install(int number, struct sigaction& former)
{
    struct sigaction action = {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    // The handler is taken back at its first call: a second signal ends the program.
    action.sa_flags = SA_RESTART | SA_RESETHAND;
    ::sigaction(number, &action, &former);
}

}  // namespace

StopOnSignal::StopOnSignal(std::function<void()> stop) : mStop(std::move(stop))
{
    if (::pipe2(gPipe, O_CLOEXEC) != 0) {
        gPipe[0] = gPipe[1] = -1;
        return;  // without a pipe the signals keep their default: the program ends at once
    }
    install(SIGINT, gFormerInt);
    install(SIGTERM, gFormerTerm);
    mWatcher = std::thread([this] { watch(); });
}

StopOnSignal::~StopOnSignal()
{
    if (gPipe[1] < 0)
        return;
    ::sigaction(SIGINT, &gFormerInt, nullptr);
    ::sigaction(SIGTERM, &gFormerTerm, nullptr);
    const char end = EndOfWatch;
    while (::write(gPipe[1], &end, 1) < 0 && errno == EINTR) {
    }
    mWatcher.join();
    ::close(gPipe[0]);
    ::close(gPipe[1]);
    gPipe[0] = gPipe[1] = -1;
}

void StopOnSignal::watch()
{
    for (;;) {
        char byte = EndOfWatch;
        const ssize_t got = ::read(gPipe[0], &byte, 1);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0 || byte == EndOfWatch)
            return;
        if (mSignal.exchange(byte) == 0)
            mStop();
    }
}

}  // namespace tralex
