#include "app/ConsoleHost.h"

#include "platform/CodePage.h"
#include "platform/DateTime.h"

#include <csignal>

namespace app {

namespace {

volatile std::sig_atomic_t g_stopSignal = 0;

extern "C" void OnStopSignal(int) {
    g_stopSignal = 1;
}

} // namespace

TConsoleHost::TConsoleHost(std::ostream& err) : err_(err) {
    g_stopSignal = 0;
    struct sigaction action {};
    action.sa_handler = OnStopSignal;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

TConsoleHost::~TConsoleHost() {
    std::signal(SIGINT, SIG_DFL);
    std::signal(SIGTERM, SIG_DFL);
}

bool TConsoleHost::StopSignalled() {
    return g_stopSignal != 0;
}

void TConsoleHost::WriteLines(const std::string& text) {
    // One output line per line of the message; CR LF and lone CRs become line ends.
    std::string line;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\r' || c == '\n') {
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
                ++i;
            err_ << line << '\n';
            line.clear();
        } else {
            line += c;
        }
    }
    err_ << line << '\n';
    err_.flush();
}

TMsgAnswer TConsoleHost::ShowMessage(TMsgKind, const std::string& text, TMsgButtons,
                                     TMsgAnswer unattended) {
    WriteLines(text);
    return unattended;
}

void TConsoleHost::ShowException(const std::string& message) {
    WriteLines(message);
}

void TConsoleHost::AddStampedLine(const std::string& text) {
    const platform::TDateTime now = platform::Now();
    std::string line = "<";
    line += platform::DateToStr(now);
    line += ' ';
    line += platform::TimeToStr(now);
    line += '>';
    line += text;
    WriteLines(line);
}

void TConsoleHost::AddLine(const std::string& text) {
    WriteLines(text);
}

void TConsoleHost::ProcessEvents() {
    if (g_stopSignal && !stopDelivered_) {
        stopDelivered_ = true;
        if (OnStopRequested)
            OnStopRequested();
    }
}

void TConsoleHost::OpenDocument(const std::string& path) {
    // A viewer started from cron could wait on a terminal forever: name the file instead.
    WriteLines(path);
}

} // namespace app
