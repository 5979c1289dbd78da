// The folding tables against the system's own comparison of code page 932
// text, CompareStringA with the Japanese locale, as a second witness. Every
// pair of characters in each folding class and a sample of unrelated pairs
// are compared under all eight flag combinations; where the two disagree,
// fold_system_disagreements.txt must list the pair with both answers and the
// reason ours stands.
#include <fstream>
#include <map>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "search/fold.h"
#include "tests/search/searchtestutil.h"
// After the search headers: windows.h defines the flag names as macros.
#include <windows.h>
#undef FoldString  // the system's FoldStringA, not ours

namespace orv {
namespace {

using namespace testing;

// The combinations in the order of the answer masks of the list.
const std::uint32_t kCombos[8] = {0,     kCase,         kWidth,         kCase | kWidth,
                                  kKana, kCase | kKana, kWidth | kKana, kAll};

const LCID kJapanese = MAKELCID(MAKELANGID(LANG_JAPANESE, SUBLANG_DEFAULT), SORT_DEFAULT);

std::string OursMask(const std::string& a, const std::string& b) {
    std::string m;
    for (std::uint32_t f : kCombos) m += FoldedEqual(f, a, b) ? '1' : '0';
    return m;
}

std::string SystemMask(const std::string& a, const std::string& b) {
    std::string m;
    for (std::uint32_t f : kCombos)
        m += CompareStringA(kJapanese, f, a.data(), static_cast<int>(a.size()), b.data(),
                            static_cast<int>(b.size())) == CSTR_EQUAL
                 ? '1'
                 : '0';
    return m;
}

std::string HexCodes(const std::string& s) {
    std::string out;
    char buf[8];
    for (std::size_t i = 0; i < s.size(); i += CharLengthAt(s, i)) {
        unsigned c = static_cast<unsigned char>(s[i]);
        if (CharLengthAt(s, i) == 2) c = c << 8 | static_cast<unsigned char>(s[i + 1]);
        std::snprintf(buf, sizeof buf, c > 0xFF ? "%04X" : "%02X", c);
        out += out.empty() ? buf : std::string("+") + buf;
    }
    return out;
}

// Every character of code page 932 that the system decodes to one UTF-16
// unit (the second and third codes of a character included).
std::vector<std::string> AssignedCharacters() {
    std::vector<std::string> chars;
    auto decodes = [](const std::string& s) {
        wchar_t w[4];
        return MultiByteToWideChar(932, MB_ERR_INVALID_CHARS, s.data(), static_cast<int>(s.size()),
                                   w, 4) == 1;
    };
    for (unsigned b = 0x20; b <= 0xDF; ++b)
        if (b <= 0x7E || b >= 0xA1) chars.push_back(Code(b));
    for (unsigned lead = 0x81; lead <= 0xFC; ++lead) {
        if (!IsLeadByte(static_cast<unsigned char>(lead))) continue;
        for (unsigned trail = 0x40; trail <= 0xFC; ++trail) {
            if (!IsCp932Trail(static_cast<unsigned char>(trail))) continue;
            std::string c = Code(lead << 8 | trail);
            if (decodes(c)) chars.push_back(c);
        }
    }
    return chars;
}

struct Listed {
    std::string ours, system;
};

// The checked-in list: "A B ours=MASK system=MASK reason", # for comments.
std::map<std::pair<std::string, std::string>, Listed> ReadList() {
    std::map<std::pair<std::string, std::string>, Listed> list;
    std::ifstream in(std::string(ORV_SOURCE_DIR) + "/tests/search/fold_system_disagreements.txt");
    EXPECT_TRUE(in.good()) << "fold_system_disagreements.txt is missing";
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#') continue;
        std::istringstream fields(line);
        std::string a, b, ours, system;
        fields >> a >> b >> ours >> system;
        EXPECT_TRUE(ours.rfind("ours=", 0) == 0 && system.rfind("system=", 0) == 0) << line;
        list[{a, b}] = {ours.substr(5), system.substr(7)};
    }
    return list;
}

TEST(FoldWitness, FoldingClassesAgreeWithTheSystemComparisonOrAreListed) {
    const std::vector<std::string> chars = AssignedCharacters();
    ASSERT_GT(chars.size(), 7000u);

    std::vector<std::pair<std::string, std::string>> pairs;
    // Every pair within a class of the fullest folding.
    std::map<std::vector<FoldKey>, std::vector<std::string>> classes;
    for (const std::string& c : chars) classes[FoldString(kAll, c)].push_back(c);
    for (const auto& [keys, members] : classes)
        for (std::size_t i = 0; i < members.size(); ++i)
            for (std::size_t j = i + 1; j < members.size(); ++j)
                pairs.emplace_back(members[i], members[j]);
    // A fixed sample of unrelated pairs.
    std::mt19937 random(932);
    std::uniform_int_distribution<std::size_t> pick(0, chars.size() - 1);
    for (int i = 0; i < 20000; ++i) pairs.emplace_back(chars[pick(random)], chars[pick(random)]);
    // The voiced katakana against the half-width letter and mark.
    for (const char* half : {"ｶﾞ", "ﾊﾟ", "ｳﾞ", "ｱﾞ"})
        for (const char* full : {"ガ", "パ", "ヴ", "ア゛"}) pairs.emplace_back(Sj(half), Sj(full));

    auto list = ReadList();
    std::ostringstream unlisted;
    std::size_t disagreements = 0;
    for (const auto& [a, b] : pairs) {
        const std::string ours = OursMask(a, b), system = SystemMask(a, b);
        if (ours == system) continue;
        ++disagreements;
        const std::pair<std::string, std::string> key{HexCodes(a), HexCodes(b)};
        auto it = list.find(key);
        if (it != list.end() && it->second.ours == ours && it->second.system == system) {
            list.erase(it);
            continue;
        }
        unlisted << key.first << ' ' << key.second << " ours=" << ours << " system=" << system
                 << "  " << Cp932ToUtf8(a) << " / " << Cp932ToUtf8(b) << '\n';
    }
    EXPECT_TRUE(unlisted.str().empty()) << "disagreements not listed:\n" << unlisted.str();
    std::ostringstream stale;
    for (const auto& [key, answers] : list) stale << key.first << ' ' << key.second << '\n';
    EXPECT_TRUE(list.empty()) << "listed pairs that now agree or no longer occur:\n" << stale.str();
    RecordProperty("disagreements", static_cast<int>(disagreements));
}

}  // namespace
}  // namespace orv
