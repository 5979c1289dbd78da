// A document wired to fake ports, with a folder for the files a test writes.
#pragma once

#include <gtest/gtest.h>

#include <vector>

#include "core/orvdoc.h"
#include "fakes/fakeports.h"
#include "fakes/testfiles.h"

namespace orv::test {

struct DocFixture : ::testing::Test {
    TempDir dir;
    FakePrompter prompter;
    FakeProgressFactory progress;
    FakeTitleTree tree;
    COrvDoc doc;
    void SetUp() override { doc.SetPorts({&tree, &progress, &prompter, nullptr, nullptr}); }

    // The numbers of the records in the order of the tree.
    std::vector<int> TreeNumbers() {
        std::vector<int> n;
        for (TreeItem item : doc.GetTreeItems()) n.push_back(tree.GetItemData(item)->GetNumber());
        return n;
    }
};

}  // namespace orv::test
