// The record-by-record reader against the archive reader that opens
// documents: the same messages in the same order, the same verdict on cut
// and damaged files, and every message read again from its recorded place.
#include "library/docscan.h"

#include <gtest/gtest.h>

#include <random>

#include "core/archive.h"
#include "fakes/testfiles.h"
#include "library/librarytestutil.h"

using namespace orv;
using namespace orv::test;

namespace {

struct Flat {
    std::int32_t number;
    std::string fields[5];
    friend bool operator==(const Flat&, const Flat&) = default;
};

std::vector<Flat> FromStore(const CCommentStore& store) {
    std::vector<Flat> out;
    WalkDocumentOrder(store.Roots(), [&](CComment& r, int) {
        out.push_back(
            {r.GetNumber(),
             {std::string(r.GetId()), std::string(r.GetAuthor()), std::string(r.GetTitle()),
              std::string(r.GetDateTime()), std::string(r.GetText())}});
    });
    return out;
}

Flat FromScan(const ScannedRecord& r) {
    return {r.number,
            {std::string(r.id), std::string(r.author), std::string(r.title),
             std::string(r.dateTime), std::string(r.text)}};
}

TEST(DocScan, AgreesWithTheArchiveReaderOnWholeCutAndDamagedFiles) {
    TempDir dir;
    const std::string path = dir.File("d.mld");
    ASSERT_TRUE(WriteRandomDocument(path, 42, 60));
    const std::string whole = ReadAll(path);
    std::mt19937 rng(7);
    std::vector<std::string> variants = {whole};
    for (std::size_t cut = 0; cut < whole.size(); cut += 1 + rng() % 97)
        variants.push_back(whole.substr(0, cut));
    for (int i = 0; i < 40; ++i) {
        std::string damaged = whole;
        damaged[rng() % damaged.size()] = static_cast<char>(rng());
        variants.push_back(damaged);
    }
    for (std::size_t v = 0; v < variants.size(); ++v) {
        SCOPED_TRACE(v);
        const std::string file = dir.Write("v.mld", variants[v]);
        CCommentStore store;
        const ArchiveResult expected = ReadArchive(variants[v].data(), variants[v].size(), store);
        std::FILE* f = std::fopen(file.c_str(), "rb");
        ASSERT_TRUE(f);
        std::vector<Flat> scanned;
        std::vector<std::uint64_t> where;
        EXPECT_EQ(ScanArchive(f,
                              [&](const ScannedRecord& r) {
                                  scanned.push_back(FromScan(r));
                                  where.push_back(r.where);
                                  return true;
                              }),
                  expected);
        if (expected == ArchiveResult::Ok) {
            EXPECT_EQ(scanned, FromStore(store));
            CRecordReader reader;
            ScannedRecord again;
            for (std::size_t i = scanned.size(); i-- > 0;) {  // backwards: every read seeks
                ASSERT_TRUE(reader.ReadAt(f, where[i], again));
                EXPECT_EQ(FromScan(again), scanned[i]);
            }
        }
        std::fclose(f);
    }
}

}  // namespace
