// Export of a document as a static site of HTML pages: front pages with
// the forum's figures and its threads, one page per thread (a top-level
// message with all its replies), an index by date and one by author, an
// offline search page, and a style sheet. Everything taken from a message
// is escaped; file names and anchors come from message numbers and
// positions, never from titles.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "core/comment.h"
#include "core/ports.h"

namespace orv {

// One file of a site being written.
class ISiteFile {
public:
    virtual ~ISiteFile() = default;
    virtual bool Write(std::string_view bytes) = 0;
    // Finishes the file; false when something could not be written.
    virtual bool Close() = 0;
};

// Where the files of a site go. Names are relative, with "/" between a
// folder and a file ("threads/t000001.html").
class ISiteSink {
public:
    virtual ~ISiteSink() = default;
    virtual bool MakeFolder(const std::string& name) = 0;
    // Null when the file cannot be created.
    virtual std::unique_ptr<ISiteFile> NewFile(const std::string& name) = 0;
};

enum class HtmlExportStatus {
    Ok,
    NotEmpty,    // the output folder exists and holds something
    NotAFolder,  // the output path exists and is no folder
    Cancelled,   // the user cancelled; nothing is left behind
    Failed,      // a file could not be written; nothing is left behind
};

struct HtmlExportResult {
    HtmlExportStatus status = HtmlExportStatus::Ok;
    int err = 0;       // errno of a failure, 0 when none is known
    std::string path;  // the file or folder a failure concerns
};

// Caption of the progress dialog of an export.
inline constexpr char kHtmlExportCaption[] = "HTML 書き出し中！";
// Visual nesting of the index's lists and the indent of the thread pages
// stop at this depth; deeper entries stand at this level with a marker of
// their real depth, so that a reply chain of any length stays readable and
// within what browsers build as nested elements.
inline constexpr int kHtmlMaxNesting = 16;

// Writes the site of the forest roots into sink. documentNameUtf8 is shown
// on the index. Progress goes to a progress dialog in percentage mode made
// by progress (may be null); a cancel request asks the question
// IDS_HTML_ASK_CANCEL through prompter (null: the request is granted).
// Returns Ok, Cancelled or Failed (with the name of the file in path).
HtmlExportResult WriteHtmlSite(const CommentList& roots, const std::string& documentNameUtf8,
                               ISiteSink& sink, IProgressFactory* progress, IPrompter* prompter);

// Writes the site into the folder outDir, which must not exist or be empty
// (otherwise NotEmpty or NotAFolder, and nothing is touched). The site is
// made in a temporary folder beside outDir and renamed to outDir when
// complete; on cancel or failure every file written is removed again.
HtmlExportResult ExportHtmlSite(const CommentList& roots, const std::string& documentNameUtf8,
                                const std::string& outDir, IProgressFactory* progress,
                                IPrompter* prompter);

// A one-line UTF-8 description of a result that is not Ok or Cancelled.
std::string DescribeHtmlExportFailure(const HtmlExportResult& result);

// Text as HTML character data: CP932 converted as the viewer shows it
// (bytes that are no character become U+FFFD), & < > " ' as references,
// other control characters than TAB and LF as U+FFFD. With multiline, CR LF
// and a lone CR become LF; otherwise line ends are kept as they are.
void AppendHtmlText(std::string& out, std::string_view cp932, bool multiline);

}  // namespace orv
