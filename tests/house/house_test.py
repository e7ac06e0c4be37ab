#!/usr/bin/env python3
"""The shape of the house, which no compiler checks.

  house_test.py lengths ROOT DIR...   no function in DIR runs past MAX_LINES
  house_test.py circles ROOT DIR      no two concepts (x.h with x.cpp) in DIR
                                      reach each other through includes

A function longer than a screen is usually a record and a few functions in
disguise; a circle means two files hold one concept between them.
"""
import pathlib
import re
import sys

MAX_LINES = 80
BLOCK_WORDS = {"if", "for", "while", "switch", "catch", "with"}
# A `/` after one of these starts a JavaScript regular expression, not a division.
REGEX_AFTER = set("(,=:[!&|?{};+-*%<>~^") | {"return", "typeof"}
TOKEN = re.compile(r"[A-Za-z_$][\w$]*|=>|->|\S")


def skip_quoted(text, i, quote):
    """The index just past the string or character literal opening at i."""
    i += 1
    while text[i] != quote:
        i += 2 if text[i] == "\\" else 1
    return i + 1


def skip_template(text, i):
    """The index just past the JavaScript template literal opening at i."""
    i += 1
    while text[i] != "`":
        if text[i] == "\\":
            i += 2
        elif text.startswith("${", i):
            _, i = code_tokens(text, i + 2, until_close=True)
        else:
            i += 1
    return i + 1


def skip_regex(text, i):
    in_class = False
    i += 1
    while in_class or text[i] != "/":
        if text[i] == "\\":
            i += 1
        elif text[i] in "[]":
            in_class = text[i] == "["
        i += 1
    return i + 1


def code_tokens(text, i=0, until_close=False):
    """(offset, token) of the code from i, with comments, strings, templates and
    regular expressions left out; with until_close, up to the `}` that closes
    a template's `${`, returning the index past it."""
    tokens, depth = [], 0
    while i < len(text):
        c = text[i]
        if c.isspace():
            i += 1
        elif text.startswith("//", i):
            end = text.find("\n", i)
            i = len(text) if end < 0 else end
        elif text.startswith("/*", i):
            i = text.index("*/", i) + 2
        elif m := re.match(r'(?:u8|[uUL])?R"([^(\s]*)\(', text[i:i + 24]):
            i = text.index(")" + m.group(1) + '"', i) + len(m.group(1)) + 2
        elif c in "\"'":
            i = skip_quoted(text, i, c)
        elif c == "`":
            i = skip_template(text, i)
        elif c == "/" and (not tokens or tokens[-1][1] in REGEX_AFTER):
            i = skip_regex(text, i)
        else:
            t = TOKEN.match(text, i).group(0)
            if until_close and t in "{}":
                depth += 1 if t == "{" else -1
                if depth < 0:
                    return tokens, i + 1
            tokens.append((i, t))
            i += len(t)
    return tokens, i


def function_start(tokens, k):
    """The token index where a function whose body opens at tokens[k] begins, or None."""
    j = k - 1
    while j >= 0 and tokens[j][1] in {"const", "override", "noexcept", "final", "mutable"}:
        j -= 1
    if j >= 0 and tokens[j][1] == "=>":
        return j
    if j < 0 or tokens[j][1] != ")":
        return None
    depth = 0
    while j >= 0:
        depth += {")": 1, "(": -1}.get(tokens[j][1], 0)
        if depth == 0:
            break
        j -= 1
    return None if j <= 0 or tokens[j - 1][1] in BLOCK_WORDS else j - 1


def long_functions(path):
    text = path.read_text(encoding="utf-8")
    tokens, _ = code_tokens(text)
    line = lambda k: text.count("\n", 0, tokens[k][0]) + 1
    opened, found = [], []
    for k, (_, t) in enumerate(tokens):
        if t == "{":
            opened.append((k, function_start(tokens, k)))
        elif t == "}" and opened:
            _, start = opened.pop()
            if start is not None and line(k) - line(start) + 1 > MAX_LINES:
                found.append(f"{path}:{line(start)}: {line(k) - line(start) + 1} lines (at most {MAX_LINES})")
    return found


def circles(src):
    """Each circle of concepts below src, as a list of names."""
    reaches = {}
    for f in sorted(src.rglob("*")):
        if f.suffix in {".h", ".cpp"}:
            concept = str(f.relative_to(src).with_suffix(""))
            heads = re.findall(r'^#include "([^"]+)\.h"', f.read_text(encoding="utf-8"), re.M)
            reaches.setdefault(concept, set()).update(h for h in heads if h != concept)
    found, done = [], set()

    def walk(concept, path):
        if concept in path:
            found.append(path[path.index(concept):] + [concept])
        elif concept not in done:
            for other in sorted(reaches.get(concept, ())):
                walk(other, path + [concept])
            done.add(concept)

    for concept in sorted(reaches):
        walk(concept, [])
    return found


def main(job, root, *dirs):
    root = pathlib.Path(root)
    if job == "lengths":
        files = [f for d in dirs for f in sorted((root / d).rglob("*")) if f.suffix in {".h", ".cpp", ".js", ".mjs"}]
        faults = [fault for f in files for fault in long_functions(f)]
        print(f"{len(files)} files read")
    else:
        faults = [" -> ".join(c) for c in circles(root / dirs[0])]
    print("\n".join(faults) or "none found")
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main(*sys.argv[1:]))
