#!/usr/bin/env python3
"""Checks that no function in the given folders is too long.

    scripts/check-function-size.py [--max N] [--report] FOLDER...

A function is counted from the first line of its head (return type, name,
parameters, initializers) to its closing brace, both included. Lambdas
and local classes count as part of the function around them; functions
defined inside a class body count on their own. Every function of N lines
or more (60 unless told) is listed, and the exit status is 1 when there
is one. --report also prints the longest function.
"""
import os
import re
import sys


def blank_out(text):
    """The text with comments, string and character literals replaced by
    spaces (line ends kept), so that braces in them do not count."""
    out = []
    i, n = 0, len(text)
    while i < n:
        c = text[i]
        nxt = text[i + 1] if i + 1 < n else ''
        if c == '/' and nxt == '/':
            j = text.find('\n', i)
            j = n if j < 0 else j
            out.append(' ' * (j - i))
            i = j
        elif c == '/' and nxt == '*':
            j = text.find('*/', i + 2)
            j = n if j < 0 else j + 2
            out.append(re.sub(r'[^\n]', ' ', text[i:j]))
            i = j
        elif c == 'R' and nxt == '"' and (i == 0 or not (text[i - 1].isalnum() or text[i - 1] == '_')):
            m = re.match(r'R"([^(\s]*)\(', text[i:])
            if not m:
                out.append(c)
                i += 1
                continue
            end = ')' + m.group(1) + '"'
            j = text.find(end, i + m.end())
            j = n if j < 0 else j + len(end)
            out.append(re.sub(r'[^\n]', ' ', text[i:j]))
            i = j
        elif c == '"' or (c == "'" and not (i > 0 and text[i - 1].isalnum())):
            # A quote after a digit or letter is a digit separator (1'000).
            j = i + 1
            while j < n and text[j] != c and text[j] != '\n':
                j += 2 if text[j] == '\\' else 1
            j = min(j + 1, n)
            out.append(re.sub(r'[^\n]', ' ', text[i:j]))
            i = j
        else:
            out.append(c)
            i += 1
    return ''.join(out)


def strip_preprocessor(text):
    return re.sub(r'(?m)^[ \t]*#.*(?:\\\n.*)*$', lambda m: re.sub(r'[^\n]', ' ', m.group(0)), text)


ACCESS = re.compile(r'\b(public|private|protected)\s*:(?!:)')


def functions(text):
    """Yields (name, first line, last line) of every function in text."""
    code = strip_preprocessor(blank_out(text))
    line_starts = [0]
    for m in re.finditer('\n', code):
        line_starts.append(m.end())

    def line_of(pos):
        lo, hi = 0, len(line_starts) - 1
        while lo < hi:
            mid = (lo + hi + 1) // 2
            if line_starts[mid] <= pos:
                lo = mid
            else:
                hi = mid - 1
        return lo + 1

    # Each open block: ('scope', _) for a namespace or class body, whose
    # members are looked at; ('body', start) for anything else.
    stack = []
    head_from = 0
    for i, c in enumerate(code):
        if c == '{':
            inside = stack and stack[-1][0] == 'body'
            head = code[head_from:i]
            if inside:
                stack.append(('body', None))
            else:
                last = None
                for m in ACCESS.finditer(head):
                    last = m
                offset = last.end() if last else 0
                head = head[offset:]
                stripped = head.strip()
                if re.search(r'\b(namespace|class|struct|union)\b', stripped) and '(' not in \
                        re.split(r'\b(?:namespace|class|struct|union)\b', stripped)[0] \
                        and not re.search(r'\)\s*$', stripped) or re.match(r'extern\s*$', stripped):
                    stack.append(('scope', None))
                elif ')' in stripped and not re.search(r'=\s*$', stripped):
                    start = head_from + offset + (len(head) - len(head.lstrip()))
                    name = re.search(r'([~\w:]+(?:operator\s*\S+?)?)\s*\(', stripped)
                    stack.append(('body', (name.group(1) if name else '?', line_of(start))))
                else:
                    stack.append(('body', None))
            head_from = i + 1
        elif c == '}':
            if stack:
                kind, info = stack.pop()
                if kind == 'body' and info is not None:
                    yield info[0], info[1], line_of(i)
            head_from = i + 1
        elif c == ';':
            if not stack or stack[-1][0] == 'scope':
                head_from = i + 1


def main(argv):
    limit = 60
    report = False
    folders = []
    args = iter(argv)
    for a in args:
        if a == '--max':
            limit = int(next(args))
        elif a == '--report':
            report = True
        else:
            folders.append(a)
    longest = (0, '', '')
    bad = False
    for folder in folders:
        for root, _, files in sorted(os.walk(folder)):
            for f in sorted(files):
                if not f.endswith(('.cpp', '.h', '.inc')):
                    continue
                path = os.path.join(root, f)
                with open(path, encoding='utf-8', errors='replace') as fh:
                    text = fh.read()
                for name, first, last in functions(text):
                    size = last - first + 1
                    if size > longest[0]:
                        longest = (size, f'{path}:{first}', name)
                    if size >= limit:
                        print(f'{path}:{first}: {name} is {size} lines (fewer than {limit} wanted)')
                        bad = True
    if report:
        print(f'longest: {longest[2]} at {longest[1]}, {longest[0]} lines')
    return 1 if bad else 0


if __name__ == '__main__':
    sys.exit(main(sys.argv[1:]))
