#include "core/htmlexport.h"

#include <cstring>

#include "core/fileio.h"
#include "core/htmlmarkup.h"
#include "core/htmlplan.h"
#include "core/htmlsitefolder.h"
#include "res/strings.h"

namespace orv {

HtmlExportResult WriteHtmlSite(const CommentList& roots, const std::string& documentNameUtf8,
                               ISiteSink& sink, IProgressFactory* progressFactory,
                               IPrompter* prompter) {
    const html::SitePlan plan = html::PlanSite(roots);
    std::unique_ptr<IProgressDlg> dlg;
    if (progressFactory) dlg = progressFactory->CreateProgress(false);
    if (dlg) dlg->SetCaption(kHtmlExportCaption);
    // Units of work: each message on its thread page, in the date index,
    // in the author index and in the search index; each front page.
    const std::size_t frontPages = html::FrontPageCount(plan);
    const std::size_t units =
        plan.messages.size() * (2 + 2 * html::kUnitsPerListedMessage) + frontPages;
    html::SiteWriter w(plan, sink, documentNameUtf8, dlg.get(), prompter, units);
    using Step = void (*)(html::SiteWriter&);
    for (Step step : {html::WriteStyleSheet, html::WriteThreadPages, html::WriteFrontPages,
                      html::WriteDatePages, html::WriteAuthorPages, html::WriteSearchFiles}) {
        step(w);
        if (w.Stopped()) break;
    }
    return w.result;
}

HtmlExportResult ExportHtmlSite(const CommentList& roots, const std::string& documentNameUtf8,
                                const std::string& outDir, IProgressFactory* progress,
                                IPrompter* prompter) {
    HtmlExportResult result;
    result.path = outDir;
    int err = 0;
    switch (CHtmlSiteFolder::Inspect(outDir, err)) {
        case CHtmlSiteFolder::TargetState::Missing:
        case CHtmlSiteFolder::TargetState::Empty:
            break;
        case CHtmlSiteFolder::TargetState::NotEmpty:
            result.status = HtmlExportStatus::NotEmpty;
            return result;
        case CHtmlSiteFolder::TargetState::NotAFolder:
            result.status = HtmlExportStatus::NotAFolder;
            return result;
        case CHtmlSiteFolder::TargetState::Unreadable:
            result.status = HtmlExportStatus::Failed;
            result.err = err;
            return result;
    }

    // A failure names the folder the user gave, with the system's error: the
    // temporary folder it happened in is gone by the time it is reported.
    CHtmlSiteFolder folder(outDir);
    if (!folder.Begin()) {
        result.status = HtmlExportStatus::Failed;
        result.err = folder.LastError();
        return result;
    }
    result = WriteHtmlSite(roots, documentNameUtf8, folder, progress, prompter);
    if (result.status == HtmlExportStatus::Ok && !folder.Commit())
        result.status = HtmlExportStatus::Failed;
    if (result.status == HtmlExportStatus::Failed) {
        result.err = folder.LastError();
        result.path = outDir;
    }
    if (result.status != HtmlExportStatus::Ok) folder.Discard();
    return result;
}

std::string DescribeHtmlExportFailure(const HtmlExportResult& result) {
    switch (result.status) {
        case HtmlExportStatus::NotEmpty:
            return res::Format(res::IDS_HTML_NOT_EMPTY, result.path);
        case HtmlExportStatus::NotAFolder:
            return res::Format(res::IDS_HTML_NOT_A_FOLDER, result.path);
        case HtmlExportStatus::Failed: {
            std::string text = res::Format(res::IDS_HTML_FAILED, result.path);
            if (result.err) {
                text += "\n";
                text += FileErrorText(result.err);
            }
            return text;
        }
        default:
            return std::string();
    }
}

}  // namespace orv
