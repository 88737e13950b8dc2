#include "app/ConsoleHost.h"

#include "platform/CodePage.h"
#include "platform/DateTime.h"

#include <csignal>
#include <iostream>
#include <unistd.h>

namespace app {

namespace {

volatile std::sig_atomic_t g_stopSignal = 0;

extern "C" void OnStopSignal(int) {
    g_stopSignal = 1;
}

} // namespace

TConsoleHost::TConsoleHost(std::ostream& err) : err_(err) {
    progressLine_ = &err == &std::cerr && ::isatty(STDERR_FILENO);
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

void TConsoleHost::SetBusy(bool busy) {
    busy_ = busy;
    if (!busy)
        ClearProgress();
}

void TConsoleHost::SetStatusText(int panel, const std::string& text) {
    if (panel < 0 || panel > 1)
        return;
    panels_[panel] = text;
    DrawProgress(false);
}

void TConsoleHost::DrawProgress(bool force) {
    if (!progressLine_ || !busy_)
        return;
    // Redrawn at most every 400 ms.
    const std::uint64_t now = platform::TickCount();
    if (!force && progressShown_ && now - lastDraw_ < 400)
        return;
    lastDraw_ = now;
    std::string line = "[" + std::to_string(row_ < 0 ? 0 : row_) + "] " + panels_[1];
    if (!panels_[0].empty())
        line += "  " + panels_[0];
    // One terminal line: cut long text, never wrap.
    if (line.size() > 100)
        line = line.substr(0, 48) + "..." + line.substr(line.size() - 49);
    err_ << "\r\x1b[K" << line;
    err_.flush();
    progressShown_ = true;
}

void TConsoleHost::ClearProgress() {
    if (progressShown_) {
        err_ << "\r\x1b[K";
        err_.flush();
        progressShown_ = false;
    }
}

void TConsoleHost::WriteLines(const std::string& text) {
    ClearProgress();
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

host::TMsgAnswer TConsoleHost::ShowMessage(host::TMsgKind, const std::string& text,
                                           host::TMsgButtons, host::TMsgAnswer unattended) {
    WriteLines(text);
    return unattended;
}

void TConsoleHost::ShowException(const std::string& message) {
    WriteLines(message);
}

void TConsoleHost::ShowErrorLine(const std::string& line) {
    WriteLines(line);
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
