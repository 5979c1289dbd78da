// A plain reference for the log import: one line at a time through
// ReadLogLine, with the same questions, cancel checks and end states, and a
// dump of a document's records to compare two imports by.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "core/import/linereader.h"
#include "core/orvdoc.h"
#include "res/strings.h"

namespace orv::test {

// The import as a line-at-a-time loop over ReadLogLine, with the same
// questions, cancel checks and end states.
inline void ReferenceImport(COrvDoc& doc, const std::vector<std::string>& paths,
                            IPrompter& prompter, IProgressFactory* progressFactory) {
    bool cancelled = false;
    CLogFileList list(paths);
    for (std::size_t i = 0;; ++i) {
        if (cancelled || !list.OpenLogFile(i)) {
            if (cancelled)
                prompter.MessageBox(res::IDS_IMPORT_CANCELLED, "", MsgIcon::Exclamation,
                                    MsgButtons::Ok);
            if (i > 0) doc.BuildTree();
            return;
        }
        std::unique_ptr<IProgressDlg> progress =
            progressFactory ? progressFactory->CreateProgress(false) : nullptr;
        bool overwriteAll = false;
        std::string line;
        LineKind kind = LineKind::Other;
        bool found = false;
        while (ReadLogLine(list, line, &kind, &prompter))
            if (kind == LineKind::MessageStart) {
                found = true;
                break;
            }
        if (!found) {
            prompter.MessageBox(res::IDS_NOT_A_LOG, "", MsgIcon::Exclamation, MsgButtons::Ok);
            return;
        }
        while (kind == LineKind::MessageStart && !cancelled) {
            HeaderTokenArray tokens;
            SplitHeaderTokens(line, tokens);
            const std::int32_t n =
                ParseLeadingInt(tokens[0].m_strToken.data(), tokens[0].m_strToken.size());
            CComment* existing = doc.FindByNumber(n);
            if (existing && !overwriteAll) {
                if (prompter.MessageBox(res::IDS_IMPORT_DUPLICATE, "", MsgIcon::Question,
                                        MsgButtons::YesNo) != MsgAnswer::Yes)
                    break;
                overwriteAll = true;
            }
            CComment* rec = existing ? existing : &doc.NewRecord();
            rec->ParseHeader(tokens);
            std::string line2;
            LineKind kind2;
            if (!ReadLogLine(list, line2, &kind2, &prompter) || kind2 != LineKind::HeaderLine2) {
                prompter.MessageBox(res::IDS_NOT_A_LOG, "", MsgIcon::Exclamation, MsgButtons::Ok);
                return;
            }
            rec->SetDateTime(line2.size() > 5 ? line2.substr(5, 17) : std::string());
            bool placed = false;
            const std::size_t marker = FindMbcs(line2, kCommentMarker);
            if (marker != std::string::npos)
                if (CComment* parent = doc.FindParentOf(line2, marker)) {
                    if (!existing) doc.AddReplyTo(*parent, *rec);
                    placed = true;
                }
            std::string text;
            kind = LineKind::Other;
            while (ReadLogLine(list, line, &kind, &prompter)) {
                if (kind == LineKind::MessageStart) break;
                text += line;
                if (progress && progress->CheckCancel())
                    cancelled =
                        prompter.MessageBox(res::IDS_IMPORT_ASK_CANCEL, "", MsgIcon::Information,
                                            MsgButtons::YesNo) == MsgAnswer::Yes;
                if (cancelled) {
                    kind = LineKind::Other;
                    break;
                }
            }
            rec->SetText(text);
            if (!existing && !placed) doc.AddRoot(*rec);
        }
    }
}

// Every record in document order: depth, number and the five fields.
inline std::vector<std::string> Dump(const COrvDoc& doc) {
    std::vector<std::string> out;
    WalkDocumentOrder(doc.GetRoots(), [&](CComment& r, int depth) {
        out.push_back(std::to_string(depth) + "|" + std::to_string(r.GetNumber()) + "|" +
                      std::string(r.GetId()) + "|" + std::string(r.GetAuthor()) + "|" +
                      std::string(r.GetTitle()) + "|" + std::string(r.GetDateTime()) + "|" +
                      std::string(r.GetText()));
    });
    return out;
}

}  // namespace orv::test
