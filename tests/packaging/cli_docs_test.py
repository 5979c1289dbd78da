#!/usr/bin/env python3
"""Checks that the bash completion and the manual pages say what the
programs' --help says, both ways:

- every command of `orvlog --help` has its rows in the completion table and
  its subsection under COMMANDS in orvlog(1), and every command there is one
  of orvlog's;
- every option of `orvlog COMMAND --help` is in that command's rows and
  subsection, with the same values where --help names them (stop|overwrite,
  title,content,...), and nothing more is there;
- the options of orvlog itself (--version) are in the completion and the page;
- every switch of `orv --help` is in orv(1), and every switch listed in
  orv(1) is one of orv's.

usage: cli_docs_test.py ORVLOG COMPLETION ORVLOG_MAN ORV ORV_MAN
"""
import re
import subprocess
import sys

OPTION = re.compile(r"(?<![\w-])(--?[A-Za-z][\w-]*)")
HELP_OPTIONS = {"-h", "--help"}
errors = []


def fail(message):
    errors.append(message)


def run(*args):
    result = subprocess.run(args, capture_output=True, text=True, timeout=60)
    if result.returncode != 0:
        sys.exit(f"{' '.join(args)} ended with {result.returncode}: {result.stderr}")
    return result.stdout


def usage_block(text):
    """The lines of the usage: the "usage:" line and the indented ones after
    it, up to the first line that explains an option ("  --encoding  ...")."""
    lines, inside = [], False
    for line in text.splitlines():
        if line.startswith("usage:"):
            inside = True
        elif not line.startswith(" ") or line.lstrip().startswith("-"):
            inside = False
        if inside:
            lines.append(line)
    return lines


def placeholder_kind(word):
    """The completion kind a placeholder of --help asks for, or None for any."""
    word = word.rstrip(".")
    if word.lower().endswith(".mld"):
        return "<mld>"
    if word == "LOG":
        return "<log>"
    if word == "NUMBER":
        return "<number>"
    if word.endswith("DIR"):
        return "<dir>"
    return None


def parse_command_usage(text):
    """Options of one command's usage: {option: values}, values being None for
    a flag, ("any", kind) for a placeholder, ("words", [...]) for choices and
    ("list", "a,b,c") for a comma-separated list; and the operand
    placeholders in order."""
    tokens = " ".join(usage_block(text)).replace("[", " [ ").replace("]", " ] ").split()
    tokens = tokens[3:]  # "usage:", "orvlog", the command
    options, operands = {}, []
    i = 0
    while i < len(tokens):
        token = tokens[i]
        nxt = tokens[i + 1] if i + 1 < len(tokens) else ""
        if "|" in token and all(OPTION.fullmatch(t) for t in token.split("|")):
            # --read|--unread: one of several flags.
            for flag in token.split("|"):
                options[flag] = None
        elif OPTION.fullmatch(token):
            if not nxt or nxt in "[]|" or OPTION.fullmatch(nxt):
                options[token] = None
            elif re.fullmatch(r"[a-z0-9-]+(\|[a-z0-9-]+)+", nxt):
                options[token] = ("words", sorted(nxt.split("|")))
                i += 1
            elif re.fullmatch(r"[a-z0-9-]+(,[a-z0-9-]+)+", nxt):
                options[token] = ("list", nxt)
                i += 1
            else:
                options[token] = ("any", placeholder_kind(nxt))
                i += 1
        elif token not in "[]|" and token != "options":
            operands.append(token)
        i += 1
    return options, operands


def read_orvlog_help(orvlog):
    text = run(orvlog, "--help")
    commands, global_options = [], {"--help"}
    for line in usage_block(text):
        m = re.match(r"(?:usage:)?\s*orvlog\s+(\S+)", line)
        if not m:
            continue
        if m.group(1).startswith("-"):
            global_options.add(m.group(1))
        else:
            commands.append(m.group(1))
    usages = {c: parse_command_usage(run(orvlog, c, "--help")) for c in commands}
    return usages, global_options


def read_completion(script):
    out = run("bash", "-c",
              'source "$1" && printf "%s\\n@@\\n%s" "$_orvlog_table" "$_orvlog_global_options"',
              "-", script)
    table_text, global_text = out.split("\n@@\n")
    table = {}
    for line in table_text.splitlines():
        fields = line.split()
        if not fields:
            continue
        command, option, values = fields[0], fields[1], fields[2:]
        rows = table.setdefault(command, {"options": {}, "operands": []})
        if option == "operands":
            rows["operands"] = values
        else:
            rows["options"][option] = values
    return table, set(global_text.split())


def check_completion(usages, global_options, table, table_globals):
    for command in sorted(set(usages) - set(table)):
        fail(f"completion: command {command} of orvlog --help has no row in the table")
    for command in sorted(set(table) - set(usages)):
        fail(f"completion: command {command} of the table is not in orvlog --help")
    if table_globals != global_options:
        fail(f"completion: orvlog's own options are {sorted(table_globals)}, "
             f"--help says {sorted(global_options)}")
    for command in sorted(set(usages) & set(table)):
        options, operands = usages[command]
        rows = table[command]
        want = {o: v for o, v in options.items() if o not in HELP_OPTIONS}
        for option in sorted(set(want) - set(rows["options"])):
            fail(f"completion: {command} {option} of --help has no row in the table")
        for option in sorted(set(rows["options"]) - set(want)):
            fail(f"completion: {command} {option} of the table is not in its --help")
        for option in sorted(set(want) & set(rows["options"])):
            check_values(command, option, want[option], rows["options"][option])
        check_operands(command, operands, rows["operands"])


def check_values(command, option, help_values, table_values):
    where = f"completion: {command} {option}"
    if help_values is None:
        if table_values:
            fail(f"{where} is a flag in --help but takes {table_values} in the table")
        return
    if not table_values:
        fail(f"{where} takes a value in --help but is a flag in the table")
        return
    kind, want = help_values
    if kind == "words" and sorted(table_values) != want:
        fail(f"{where} takes {want} in --help, {sorted(table_values)} in the table")
    if kind == "list" and table_values != [want]:
        fail(f"{where} takes the list {want} in --help, {table_values} in the table")
    if kind == "any" and want and table_values != [want]:
        fail(f"{where} takes {want} by its --help, {table_values} in the table")


def check_operands(command, help_operands, table_operands):
    where = f"completion: {command}"
    repeats = bool(help_operands) and help_operands[-1].endswith("...")
    if len(help_operands) != len(table_operands) or (
            repeats != (bool(table_operands) and table_operands[-1].endswith("..."))):
        fail(f"{where} takes the operands {help_operands} in --help, "
             f"{table_operands} in the table")
        return
    for word, kind in zip(help_operands, table_operands):
        want = placeholder_kind(word)
        if want and kind.rstrip(".") != want:
            fail(f"{where} operand {word} is {want} by its --help, {kind} in the table")


def roff_text(path):
    """The page's roff source with the escapes of dashes and fonts undone."""
    with open(path, encoding="utf-8") as f:
        text = f.read()
    text = text.replace("\\-", "-").replace("\\&", "").replace("\\,", "").replace("\\/", "")
    return re.sub(r"\\f[BIRP]|\\f\(\w\w|\\fR", "", text)


def subsections(text, section):
    """{first word of each .SS heading: its text} under the .SH section."""
    found, current, inside = {}, None, False
    for line in text.splitlines():
        if line.startswith(".SH"):
            inside = line[3:].strip().strip('"').upper() == section
            current = None
        elif inside and line.startswith(".SS"):
            heading = line[3:].strip().strip('"').split()
            current = heading[0] if heading else ""
            found[current] = line + "\n"
        elif current is not None:
            found[current] += line + "\n"
    return found


def check_orvlog_page(usages, global_options, page):
    text = roff_text(page)
    sections = subsections(text, "COMMANDS")
    for command in sorted(set(usages) - set(sections)):
        fail(f"orvlog(1): command {command} has no subsection under COMMANDS")
    for command in sorted(set(sections) - set(usages)):
        fail(f"orvlog(1): subsection {command} is no command of orvlog --help")
    for option in sorted(global_options):
        if not re.search(r"(?<![\w-])" + re.escape(option) + r"(?![\w-])", text):
            fail(f"orvlog(1): orvlog's option {option} is not in the page")
    for command in sorted(set(usages) & set(sections)):
        options = usages[command][0]
        body = sections[command]
        named = set(OPTION.findall(body)) - HELP_OPTIONS - {"--"}
        for option in sorted(set(options) - named - HELP_OPTIONS):
            fail(f"orvlog(1): {command} {option} is not in its subsection")
        for option in sorted(named - set(options)):
            fail(f"orvlog(1): {command} subsection names {option}, which its --help does not")
        for option, values in sorted(options.items()):
            if values and values[0] in ("words", "list"):
                words = values[1] if values[0] == "words" else values[1].split(",")
                for word in words:
                    if not re.search(r"\b" + re.escape(word) + r"\b", body):
                        fail(f"orvlog(1): {command} {option} value {word} is not in its subsection")
    if not re.search(r"^\.SH \"?EXIT STATUS", text, re.M):
        fail("orvlog(1): no EXIT STATUS section")


def read_orv_switches(orv):
    switches = {"--help"}
    for line in usage_block(run(orv, "--help")):
        switches.update(re.findall(r"(?<![\w./-])(/[a-z]+|--?[a-z][\w-]*)(?![\w./-])", line))
    return switches


def check_orv_page(switches, page):
    text = roff_text(page)
    listed = set(re.findall(r"^\.BI? (/[a-z]+|--?[a-z][\w-]*)", text, re.M))
    for switch in sorted(switches - listed):
        fail(f"orv(1): switch {switch} of orv --help is not listed in the page")
    for switch in sorted(listed - switches):
        fail(f"orv(1): the page lists {switch}, which orv --help does not")


def read_help(orvlog, orv):
    """What the programs say: orvlog's commands with their usage, orvlog's own
    options, orv's switches."""
    usages, global_options = read_orvlog_help(orvlog)
    if not usages:
        sys.exit("orvlog --help names no command")
    return usages, global_options, read_orv_switches(orv)


def check(helps, completion, orvlog_page, orv_page):
    """The faults found in the completion and the pages, as messages."""
    usages, global_options, orv_switches = helps
    errors.clear()
    table, table_globals = read_completion(completion)
    check_completion(usages, global_options, table, table_globals)
    check_orvlog_page(usages, global_options, orvlog_page)
    check_orv_page(orv_switches, orv_page)
    return list(errors)


def main():
    orvlog, completion, orvlog_page, orv, orv_page = sys.argv[1:6]
    helps = read_help(orvlog, orv)
    found = check(helps, completion, orvlog_page, orv_page)
    for e in found:
        print("FAIL:", e)
    if found:
        sys.exit(1)
    print(f"cli docs: {len(helps[0])} commands of orvlog and the switches of orv agree "
          "with the completion and the manual pages")


if __name__ == "__main__":
    main()
