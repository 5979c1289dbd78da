// Compares an import of log files with the line-at-a-time reference import.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/orvdoc.h"
#include "fakes/fakeports.h"
#include "fakes/refimport.h"

namespace orv::test {

// Imports paths into a fresh document, watched by a progress dialog (line
// by line) or not (plain lines in runs), with every question answered
// answer; expects the records and the messages shown to be the reference
// import's. On a difference, the first record that differs is shown.
// Returns the records.
inline std::vector<std::string> ExpectSameAsReference(const std::vector<std::string>& paths,
                                                      bool watched,
                                                      MsgAnswer answer = MsgAnswer::Yes) {
    FakePrompter prompter, refPrompter;
    prompter.defaultAnswer = refPrompter.defaultAnswer = answer;
    FakeProgressFactory progress, refProgress;
    CListTitleTree tree, refTree;
    COrvDoc doc, ref;
    doc.SetPorts({&tree, watched ? &progress : nullptr, &prompter, nullptr, nullptr});
    ref.SetPorts({&refTree, nullptr, nullptr, nullptr, nullptr});
    CLogFileList list(paths);
    doc.ImportLogFiles(list);
    ReferenceImport(ref, paths, refPrompter, &refProgress);
    const std::vector<std::string> got = Dump(doc), want = Dump(ref);
    if (got != want) {
        std::size_t i = 0;
        while (i < got.size() && i < want.size() && got[i] == want[i]) ++i;
        auto at = [i](const std::vector<std::string>& v) {
            return i < v.size() ? v[i].substr(0, 120) : std::string("<none>");
        };
        ADD_FAILURE() << "records " << got.size() << " against " << want.size()
                      << "; first difference at " << i
                      << "\n import:    " << testing::PrintToString(at(got))
                      << "\n reference: " << testing::PrintToString(at(want));
    }
    EXPECT_EQ(prompter.Ids(), refPrompter.Ids());
    return got;
}

}  // namespace orv::test
