// The arguments of an orvlog command: options anywhere before "--",
// operands, and -h/--help.
#pragma once

#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

namespace orv::cli {

struct OptionDef {
    const char* name;  // "-o", "--into"
    bool takesValue;
};

struct ParsedArgs {
    bool help = false;                                         // -h or --help was given
    std::vector<std::pair<std::string, std::string>> options;  // name, value in order
    std::vector<std::string> operands;
    // The value of the last option name given, or fallback.
    std::string Value(const std::string& name, const std::string& fallback = {}) const;
    bool Has(const std::string& name) const;
};

// Reads argv[1..argc) of a command: "--" ends the options, "-" alone and a
// dash before a digit (a negative number) are operands. False on an unknown
// option or an option without its value (a usage error); -h/--help
// anywhere before "--" wins over both.
bool ParseArgs(int argc, char** argv, std::initializer_list<OptionDef> known, ParsedArgs& args);

}  // namespace orv::cli
