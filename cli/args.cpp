#include "cli/args.h"

#include <cctype>

namespace orv::cli {

std::string ParsedArgs::Value(const std::string& name, const std::string& fallback) const {
    for (auto it = options.rbegin(); it != options.rend(); ++it)
        if (it->first == name) return it->second;
    return fallback;
}

bool ParsedArgs::Has(const std::string& name) const {
    for (const auto& option : options)
        if (option.first == name) return true;
    return false;
}

bool ParseArgs(int argc, char** argv, std::initializer_list<OptionDef> known, ParsedArgs& args) {
    args = ParsedArgs{};
    bool ok = true, optionsEnded = false;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        const bool option = !optionsEnded && a.size() > 1 && a[0] == '-' &&
                            !std::isdigit(static_cast<unsigned char>(a[1]));
        if (!option) {
            if (a == "--" && !optionsEnded)
                optionsEnded = true;
            else
                args.operands.push_back(a);
            continue;
        }
        if (a == "--") {
            optionsEnded = true;
        } else if (a == "-h" || a == "--help") {
            args.help = true;
        } else {
            const OptionDef* def = nullptr;
            for (const OptionDef& k : known)
                if (a == k.name) def = &k;
            if (!def || (def->takesValue && i + 1 >= argc)) {
                ok = false;
                continue;
            }
            args.options.emplace_back(a, def->takesValue ? std::string(argv[++i]) : std::string());
        }
    }
    return ok || args.help;
}

}  // namespace orv::cli
