#include "cli/terminal.h"

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "cli/console.h"
#include "core/cp932.h"

namespace orv::cli {

namespace {
bool g_barOnLine = false;  // a progress bar stands on standard error's current line
}  // namespace

void EndProgressLine() {
    if (!g_barOnLine) return;
    std::fputc('\n', stderr);
    g_barOnLine = false;
}

MsgAnswer TerminalPrompter::MessageBox(int id, const std::string& textUtf8, MsgIcon,
                                       MsgButtons buttons) {
    lastId = id;
    EndProgressLine();
    if (subject.empty())
        std::fprintf(stderr, "orvlog: %s\n", textUtf8.c_str());
    else
        std::fprintf(stderr, "orvlog: %s: %s\n", subject.c_str(), textUtf8.c_str());
    switch (buttons) {
        case MsgButtons::Ok:
            return MsgAnswer::Ok;
        case MsgButtons::YesNo:
        case MsgButtons::YesNoCancel:
            return id == 60007 ? duplicateAnswer : MsgAnswer::No;
    }
    return MsgAnswer::No;
}

namespace {

class TerminalProgress : public IProgressDlg {
public:
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
    bool CheckCancel() override { return false; }

private:
    void Draw() {
        const int width = 30;
        int filled = m_percent * width / 100;
        std::string bar(static_cast<std::size_t>(filled), '#');
        bar.append(static_cast<std::size_t>(width - filled), '.');
        std::fprintf(stderr, "\r\033[K%s [%s] %3d%%", m_caption.c_str(), bar.c_str(), m_percent);
        std::fflush(stderr);
        m_shown = true;
        g_barOnLine = true;
    }
    std::string m_caption;
    int m_percent = 0;
    bool m_shown = false;
};

}  // namespace

std::unique_ptr<IProgressDlg> TerminalProgressFactory::CreateProgress(bool) {
    if (!StderrIsTerminal()) return nullptr;
    return std::make_unique<TerminalProgress>();
}

bool SaveDocument(COrvDoc& doc, TerminalPrompter& prompter, const std::string& path) {
    prompter.subject = path;
    const bool saved = doc.OnSaveDocument(path);
    prompter.subject.clear();
    return saved;
}

int OpenDocument(COrvDoc& doc, TerminalPrompter& prompter, const std::string& path) {
    prompter.subject = path;
    const bool opened = doc.OnOpenDocument(path);
    prompter.subject.clear();
    if (opened) return kExitOk;
    switch (doc.LastOpenResult()) {
        case COrvDoc::OpenResult::Malformed:
            return kExitMalformed;
        case COrvDoc::OpenResult::BadSchema:
            return kExitSchema;
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
