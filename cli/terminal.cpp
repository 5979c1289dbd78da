#include "cli/terminal.h"

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "cli/console.h"
#include "cli/interrupt.h"
#include "core/cp932.h"
#include "res/strings.h"

namespace orv::cli {

namespace {
bool g_barOnLine = false;  // a progress bar stands on standard error's current line
std::string g_workingFile;
}  // namespace

void SetWorkingFile(const std::string& path) { g_workingFile = path; }
const std::string& WorkingFile() { return g_workingFile; }

std::string MessageLine(const std::string& subject, const std::string& text) {
    // The core puts the file's name on a line of its own before the
    // system's text, as a message box shows it; the subject names it here.
    std::string_view body = text;
    if (!subject.empty() && body.size() > subject.size() &&
        body.substr(0, subject.size()) == subject && body[subject.size()] == '\n')
        body.remove_prefix(subject.size() + 1);
    std::string line = "orvlog: ";
    if (!subject.empty()) line += subject + ": ";
    for (std::size_t i = 0; i < body.size(); ++i) {
        if (body[i] != '\n') {
            line += body[i];
        } else if (i + 1 < body.size() && !line.empty() && line.back() != ' ') {
            line += ' ';
        }
    }
    return line + '\n';
}

void EndProgressLine() {
    if (!g_barOnLine) return;
    std::fputc('\n', stderr);
    g_barOnLine = false;
}

MsgAnswer TerminalPrompter::MessageBox(int id, const std::string& textUtf8, MsgIcon,
                                       MsgButtons buttons) {
    const bool cancelQuestion = id == res::IDS_HTML_ASK_CANCEL || id == res::IDS_IMPORT_ASK_CANCEL;
    if (cancelQuestion && PendingInterrupt()) return MsgAnswer::Yes;
    std::string about = subject;
    if (importing && about.empty()) {
        if (id == res::IDS_LOG_READ_FAILED) return MsgAnswer::Ok;
        if (id == res::IDS_NOT_A_LOG && importing->Failed()) return MsgAnswer::Ok;
        if (id == res::IDS_OUT_OF_MEMORY) about = importing->GetFilePath();
    }
    EndProgressLine();
    std::fputs(MessageLine(about, textUtf8).c_str(), stderr);
    switch (buttons) {
        case MsgButtons::Ok:
            return MsgAnswer::Ok;
        case MsgButtons::YesNo:
        case MsgButtons::YesNoCancel:
            return MsgAnswer::No;
    }
    return MsgAnswer::No;
}

std::string ProgressBarText(const std::string& caption, int percent) {
    const int width = 30;
    percent = percent < 0 ? 0 : percent > 100 ? 100 : percent;
    const int filled = percent * width / 100;
    std::string bar(static_cast<std::size_t>(filled), '#');
    bar.append(static_cast<std::size_t>(width - filled), '.');
    char tail[16];
    std::snprintf(tail, sizeof tail, "] %3d%%", percent);
    return caption + " [" + bar + tail;
}

namespace {

class TerminalProgress : public IProgressDlg {
public:
    TerminalProgress(bool draw, bool cancelOnInterrupt)
        : m_draw(draw), m_cancelOnInterrupt(cancelOnInterrupt) {}
    ~TerminalProgress() override {
        if (m_shown && g_barOnLine) std::fputs("\r\033[K", stderr);
        g_barOnLine = false;
    }
    void SetCaption(const std::string& caption) override {
        m_caption = caption;
        Draw();
    }
    void SetPos(int percent) override {
        m_percent = percent;
        Draw();
    }
    bool CheckCancel() override { return m_cancelOnInterrupt && PendingInterrupt() != 0; }

private:
    void Draw() {
        if (!m_draw) return;
        std::fprintf(stderr, "\r\033[K%s", ProgressBarText(m_caption, m_percent).c_str());
        std::fflush(stderr);
        m_shown = true;
        g_barOnLine = true;
    }
    bool m_draw;
    bool m_cancelOnInterrupt;
    std::string m_caption;
    int m_percent = 0;
    bool m_shown = false;
};

}  // namespace

std::unique_ptr<IProgressDlg> TerminalProgressFactory::CreateProgress(bool) {
    const bool draw = StderrIsTerminal();
    if (!draw && !cancelOnInterrupt) return nullptr;
    return std::make_unique<TerminalProgress>(draw, cancelOnInterrupt);
}

int SaveDocument(COrvDoc& doc, TerminalPrompter& prompter, const std::string& path) {
    prompter.subject = path;
    SetWorkingFile(path);
    const bool saved = doc.OnSaveDocument(path);
    prompter.subject.clear();
    if (saved) return kExitOk;
    return doc.LastSaveResult() == COrvDoc::SaveResult::OutOfMemory ? kExitNoMemory : kExitUsage;
}

int OpenDocument(COrvDoc& doc, TerminalPrompter& prompter, const std::string& path) {
    prompter.subject = path;
    SetWorkingFile(path);
    const bool opened = doc.OnOpenDocument(path);
    prompter.subject.clear();
    if (opened) return kExitOk;
    switch (doc.LastOpenResult()) {
        case COrvDoc::OpenResult::Malformed:
            return kExitMalformed;
        case COrvDoc::OpenResult::BadSchema:
            return kExitSchema;
        case COrvDoc::OpenResult::OutOfMemory:
            return kExitNoMemory;
        default:
            return kExitUsage;
    }
}

bool ParseMessageNumber(const char* text, std::int32_t& number) {
    char* end = nullptr;
    errno = 0;
    long long n = std::strtoll(text, &end, 10);
    if (!*text || *end || errno == ERANGE || n < INT32_MIN || n > INT32_MAX) return false;
    number = static_cast<std::int32_t>(n);
    return true;
}

std::string ToTerminal(std::string_view cp932) {
    std::string utf8 = Cp932ToUtf8(cp932);
    std::string out;
    out.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        if (utf8[i] == '\r' && i + 1 < utf8.size() && utf8[i + 1] == '\n') continue;
        out += utf8[i];
    }
    return out;
}

}  // namespace orv::cli
