// RXServer.exe, the stand-in server. Started without arguments by the tool's Start Service button,
// with "-setting" by its Option button. Further switches, for tests and demonstrations:
//   -port:N      port to listen on (default QAR_VEXNET_PORT, else 8796; 0 lets the system choose)
//   -bind:ADDR   one more address to accept clients on (also QAR_RXSERVER_BIND)
//   -reply:MS    pause between unasked 290 replies (default 30000; 0: only on request)
//   -poll:MS     pause between reads of the change-log table (default 2000)
//   -nowindow    no X11 window even when a display is there
// SIGUSR1 sends a 290 reply to every client; SIGTERM and SIGINT end the server.

#include "RxServer.h"
#include "vexnet/VexProtocol.h"

#include <csignal>
#include <cstdlib>
#include <string>
#include <string_view>
#include <sys/signalfd.h>
#include <unistd.h>

namespace
{

bool number(std::string_view text, long& value)
{
    if (text.empty()) {
        return false;
    }
    char* end = nullptr;
    const std::string copy(text);
    value = std::strtol(copy.c_str(), &end, 10);
    return *end == '\0' && value >= 0;
}

} // namespace

int main(int argc, char** argv)
{
    using qar::rxserver::say;
    qar::rxserver::ServerOptions options;
    options.port = qar::vexnetPort();
    if (const char* extra = std::getenv("QAR_RXSERVER_BIND"); extra != nullptr && *extra != '\0') {
        options.addresses.emplace_back(extra);
    }
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        long value = 0;
        if (arg == "-setting") {
            // The platform's server opens its settings here; the stand-in has none to show.
            say("settings requested (-setting)");
            return 0;
        } else if (arg.starts_with("-port:") && number(arg.substr(6), value) && value <= 65535) {
            options.port = static_cast<std::uint16_t>(value);
        } else if (arg.starts_with("-bind:") && arg.size() > 6) {
            options.addresses.emplace_back(arg.substr(6));
        } else if (arg.starts_with("-reply:") && number(arg.substr(7), value)) {
            options.replyInterval = std::chrono::milliseconds(value);
        } else if (arg.starts_with("-poll:") && number(arg.substr(6), value) && value > 0) {
            options.pollInterval = std::chrono::milliseconds(value);
        } else if (arg == "-nowindow") {
            options.window = false;
        } else {
            say("ignored argument " + std::string(arg));
        }
    }

    // The signals are taken in the event loop, so a stop never interrupts a half-written answer.
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGTERM);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGUSR1);
    sigprocmask(SIG_BLOCK, &signals, nullptr);
    std::signal(SIGPIPE, SIG_IGN);
    const int signalFd = signalfd(-1, &signals, SFD_CLOEXEC);
    if (signalFd < 0) {
        say("cannot take signals");
        return 1;
    }
    int code = 0;
    {
        qar::rxserver::RxServer server(options);
        code = server.run(signalFd);
    }
    ::close(signalFd);
    say("stopped");
    return code;
}
