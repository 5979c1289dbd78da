#!/usr/bin/env python3
"""Tries cli_docs_test.py on copies of the completion and of orvlog(1) with
a known fault each, and passes when it finds every one (and none in the
real files).

usage: cli_docs_check_test.py ORVLOG COMPLETION ORVLOG_MAN ORV ORV_MAN
"""
import os
import re
import sys
import tempfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import cli_docs_test  # noqa: E402

# file, pattern, replacement, what the check must say
FAULTS = [
    ("completion", r"(?m)^search *--count\n", "", "search --count of --help has no row"),
    ("completion", r"(?m)^(search *--ranges)$", r"\1 <number>", "search --ranges is a flag in --help"),
    ("completion", r"stop overwrite", "stop", "import --duplicates takes"),
    ("completion", r"case,width,kana", "case,width", "search --ignore takes the list"),
    ("completion", r"(?m)^(dump *operands *<mld>)$", r"\1 <text>", "completion: dump takes the operands"),
    ("completion", r"(?m)^tree( *operands *)<mld>", r"tree\1<log>", "tree operand DOC.mld is <mld>"),
    ("completion", r"(?m)^(import *operands.*)$", r"\1\nmerge operands <mld>",
     "command merge of the table is not in orvlog --help"),
    ("completion", r"(?m)^_orvlog_global_options=.*$", "_orvlog_global_options='--help'",
     "orvlog's own options"),
    ("page", r'(?m)^\.SS "dump', '.SS "dumpx', "command dump has no subsection"),
    ("page", r"(?m)^\.B \\-\\-all$", r".B \\-\\-every", "search --all is not in its subsection"),
    ("page", r"(?m)^\.B \\-\\-all$", r".B \\-\\-every", "names --every, which its --help does not"),
]


def main():
    orvlog, completion, page, orv, orv_page = sys.argv[1:6]
    helps = cli_docs_test.read_help(orvlog, orv)
    originals = {}
    for name, path in (("completion", completion), ("page", page)):
        with open(path, encoding="utf-8") as f:
            originals[name] = f.read()
    failed = []
    if cli_docs_test.check(helps, completion, page, orv_page):
        failed.append("the real files do not pass")
    with tempfile.TemporaryDirectory() as scratch:
        for name, pattern, replacement, want in FAULTS:
            texts = dict(originals)
            texts[name], n = re.subn(pattern, replacement, texts[name])
            if n == 0:
                failed.append(f"the fault {pattern!r} matches nothing in the {name}")
                continue
            paths = {}
            for key, text in texts.items():
                paths[key] = os.path.join(scratch, key)
                with open(paths[key], "w", encoding="utf-8") as f:
                    f.write(text)
            found = cli_docs_test.check(helps, paths["completion"], paths["page"], orv_page)
            if not any(want in e for e in found):
                failed.append(f"with {pattern!r} -> {replacement!r} in the {name} "
                              f"the check says {found}")
    for f in failed:
        print("FAIL:", f)
    if failed:
        sys.exit(1)
    print(f"cli docs check: finds each of the {len(FAULTS)} faults it is shown")


if __name__ == "__main__":
    main()
