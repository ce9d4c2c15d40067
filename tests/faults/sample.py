#!/usr/bin/env python3
"""Draws single-point faults from the code, for run.sh --sample.

Scans the .cpp files under src/core, src/gui and tools/cli (comments, string and character contents and
preprocessor lines left out) for sites of four kinds of fault:
  compare  a comparison flipped: < and <=, > and >=, == and != (either way)
  bound    +1 or -1 on an integer literal, or on the right-hand bound of a comparison
  drop     a statement that only calls something (foo(...); obj->bar(...); emit x(...);) left out
  swap     two neighbouring call arguments of the same kind (identifiers, numbers or string literals)
           exchanged
Lines that only place or size widgets (pixel positions, gaps, grid cells) are left out: a pixel more or less
is not a fault of the program's behaviour, and no test tells it. With a seeded generator it picks N of them: a kind at random, a file weighted by its sites of that kind, then
one of those sites. The same seed on the same tree gives the same faults. Each is printed as an entry of
faults.txt (area @@ file @@ from @@ to @@ what), where "from" is the whole line, widened by neighbouring
lines until it occurs once in the file.

Usage: tests/faults/sample.py SEED N        (run from the top of the tree)
"""

import random
import re
import subprocess
import sys

FOLDERS = ("src/core", "src/gui", "tools/cli")
KINDS = ("compare", "bound", "drop", "swap")
# Marks the contents of a string or character literal in the code view.
HIDDEN = "\x01"

FLIPPED = {"<": "<=", "<=": "<", ">": ">=", ">=": ">", "==": "!=", "!=": "=="}
KEYWORDS = {
    "if", "for", "while", "switch", "return", "case", "do", "else", "delete", "new", "throw", "sizeof",
    "static_cast", "const_cast", "reinterpret_cast", "dynamic_cast", "decltype", "alignof", "typeid",
}
IDENTIFIER = r"[A-Za-z_]\w*(?:(?:::|\.|->)[A-Za-z_]\w*)*"
NUMBER = re.compile(r"(?<![\w.'])(0[xX][0-9a-fA-F]+|\d+)([uUlL]*)(?![\w.'])")
COMPARISON = re.compile(r"(?<=\s)(<=|>=|==|!=|<|>)(?=\s)")
# A bound: a name, member or call without arguments, ending the comparison.
BOUND = re.compile(r"(?:" + IDENTIFIER + r")(?:\(\))?(?=\)|;|,|\s*&&|\s*\|\||\s*\?|\s*$)", re.M)
CALL_STATEMENT = re.compile(r"^([ \t]*)((?:emit\s+)?(" + IDENTIFIER + r")\s*\(.*\)\s*;)[ \t]*$", re.M)
SIMPLE_ARGUMENT = {
    "identifier": re.compile(r"^(?!(?:this|nullptr|true|false)$)" + IDENTIFIER + r"$"),
    "bool": re.compile(r"^(?:true|false)$"),
    "number": re.compile(r"^-?(?:0[xX][0-9a-fA-F]+|\d+(?:\.\d+)?)[uUlLfF]*$"),
    "string": re.compile(r'^(?:(?:QStringLiteral|QLatin1String)\()?"\x01*"\)?$'),
}
OPENING = {"(": ")", "[": "]", "{": "}"}
# Calls that only place or size widgets.
GEOMETRY = re.compile(r"\b(?:Place(?:Widget|RightOf|Below)|setGeometry|resize|move|setFixed(?:Size|Width|Height)|"
                      r"setMinimum(?:Size|Width|Height)|setMaximum(?:Size|Width|Height)|setContentsMargins|"
                      r"addSpacing|setSpacing|addWidget|addLayout|QSize|QRect|QPoint)\b")
# Calls whose arguments may be given in either order.
SYMMETRIC = {"min", "max", "qMin", "qMax", "swap", "qSwap"}


def code_view(text):
    """The text with comments and preprocessor lines blanked and literal contents hidden (same length)."""
    out = list(text)
    i, n = 0, len(text)

    def prefix(at):
        return re.search(r"\w*$", text[max(0, at - 40):at]).group(0)

    def blank(start, end, mark):
        for k in range(start, min(end, n)):
            if text[k] != "\n":
                out[k] = mark

    while i < n:
        c = text[i]
        line_end = text.find("\n", i)
        line_end = n if line_end < 0 else line_end
        if (i == 0 or text[i - 1] == "\n") and text[i:line_end].lstrip().startswith("#"):
            # A preprocessor line, with its continuations.
            while line_end < n and text[line_end - 1] == "\\":
                following = text.find("\n", line_end + 1)
                line_end = n if following < 0 else following
            blank(i, line_end, " ")
            i = line_end
        elif text.startswith("//", i):
            blank(i, line_end, " ")
            i = line_end
        elif text.startswith("/*", i):
            end = text.find("*/", i + 2)
            end = n if end < 0 else end + 2
            blank(i, end, " ")
            i = end
        elif c == "R" and re.match(r'R"([^()\s]*)\(', text[i:i + 20]) and prefix(i) in ("", "u8", "u", "U", "L"):
            raw = re.match(r'R"([^()\s]*)\(', text[i:i + 20])
            close = text.find(")" + raw.group(1) + '"', i)
            close = n if close < 0 else close
            blank(i + len(raw.group(0)), close, HIDDEN)
            i = close + len(raw.group(1)) + 2
        elif c == "'" and prefix(i) and prefix(i)[-1].isdigit():
            i += 1  # a digit separator
        elif c in "\"'":
            k = i + 1
            while k < line_end and text[k] != c:
                k += 2 if text[k] == "\\" else 1
            blank(i + 1, min(k, line_end), HIDDEN)
            i = k + 1
        else:
            i += 1
    return "".join(out)


def line_of(text, offset):
    return text.count("\n", 0, offset) + 1


def closing(code, start):
    """Offset of the bracket closing the one at `start`, or -1."""
    stack = []
    for k in range(start, len(code)):
        c = code[k]
        if c in OPENING:
            stack.append(OPENING[c])
        elif c in ")]}":
            if not stack or stack.pop() != c:
                return -1
            if not stack:
                return k
    return -1


def top_level_arguments(code, open_at, close_at):
    """(start, end) of each argument between the brackets, split at commas outside inner brackets."""
    spans, depth, start = [], 0, open_at + 1
    for k in range(open_at + 1, close_at):
        c = code[k]
        if c in OPENING:
            depth += 1
        elif c in ")]}":
            depth -= 1
        elif c == "," and depth == 0:
            spans.append((start, k))
            start = k + 1
    spans.append((start, close_at))
    return spans


def trimmed(code, start, end):
    while start < end and code[start].isspace():
        start += 1
    while end > start and code[end - 1].isspace():
        end -= 1
    return start, end


def kind_of_argument(code, start, end):
    text = code[start:end]
    for kind, pattern in SIMPLE_ARGUMENT.items():
        if pattern.match(text):
            return kind
    return None


def comparison_sites(text, code):
    found = []
    for m in COMPARISON.finditer(code):
        op = m.group(1)
        found.append(("compare", m.start(), m.end(), FLIPPED[op], f"`{op}` flipped to `{FLIPPED[op]}`"))
        bound = BOUND.match(code, m.end() + 1)
        if op in ("==", "!=") or not bound or bound.group(0) in ("nullptr", "true", "false"):
            continue
        for delta in ("+ 1", "- 1"):
            found.append(("bound", bound.start(), bound.end(), f"{bound.group(0)} {delta}",
                          f"bound `{bound.group(0)}` changed to `{bound.group(0)} {delta}`"))
    return found


def number_sites(code):
    found = []
    for m in NUMBER.finditer(code):
        digits, suffix = m.group(1), m.group(2)
        hexadecimal = digits[:2].lower() == "0x"
        if digits.startswith("0") and len(digits) > 1 and not hexadecimal:
            continue  # octal
        value = int(digits, 16 if hexadecimal else 10)
        for changed in (value + 1, value - 1):
            if changed < 0:
                continue
            if hexadecimal:
                case = "x" if digits[2:] != digits[2:].upper() else "X"
                new = f"{digits[:2]}{changed:0{len(digits) - 2}{case}}{suffix}"
            else:
                new = f"{changed}{suffix}"
            found.append(("bound", m.start(), m.end(), new, f"`{m.group(0)}` changed to `{new}`"))
    return found


def statement_start_before(code, offset):
    """Whether a statement may start at `offset`, and whether it is the body of an if/for/while/else
    without braces."""
    before = code[:offset].rstrip()
    if not before or before[-1] in ";{}:":
        return True, False
    if re.search(r"\belse$", before):
        return True, True
    if before[-1] == ")":
        depth = 0
        for k in range(len(before) - 1, -1, -1):
            depth += {")": 1, "(": -1}.get(before[k], 0)
            if depth == 0:
                return re.search(r"\b(if|for|while)\s*$", before[:k]) is not None, True
    return False, False


def only_calls(code, at):
    """Whether the code from `at` on is (...) with further ->name(...) or .name(...), up to a ;."""
    while True:
        while code[at:at + 1] in (" ", "\t"):
            at += 1
        if code[at:at + 1] != "(":
            return False
        at = closing(code, at)
        if at < 0:
            return False
        if re.match(r"\)[ \t]*;", code[at:at + 20]):
            return True
        member = re.compile(r"\)(?:\.|->)[A-Za-z_]\w*").match(code, at)
        if not member:
            return False
        at = member.end()


def drop_sites(text, code):
    found = []
    for m in CALL_STATEMENT.finditer(code):
        statement, callee = m.group(2), m.group(3)
        if re.split(r"::|\.|->", callee)[0] in KEYWORDS or callee.split("::")[-1].isupper():
            continue
        if not only_calls(code, m.end(3)):
            continue
        starts, body = statement_start_before(code, m.start(2))
        if not starts:
            continue
        # The whole line goes; the body of an if/for/while/else without braces becomes an empty statement, so
        # that the statement after it does not take its place.
        shown = text[m.start(2):m.end(2)]
        shown = shown if len(shown) <= 60 else shown[:57] + "..."
        found.append(("drop", m.start(), m.end(), m.group(1) + ";" if body else "", f"`{shown}` left out"))
    return found


def swap_sites(text, code):
    found = []
    for m in re.finditer(r"(" + IDENTIFIER + r")\s*(?:<[^<>;()]*>)?\(", code):
        name = re.split(r"::|\.|->", m.group(1))[-1]
        if name in KEYWORDS or name in SYMMETRIC:
            continue
        open_at = m.end() - 1
        close_at = closing(code, open_at)
        if close_at < 0:
            continue
        arguments = [trimmed(code, s, e) for s, e in top_level_arguments(code, open_at, close_at)]
        for (s1, e1), (s2, e2) in zip(arguments, arguments[1:]):
            kind = kind_of_argument(code, s1, e1)
            first, second = text[s1:e1], text[s2:e2]
            if kind and kind == kind_of_argument(code, s2, e2) and first != second:
                found.append(("swap", s1, e2, second + text[e1:s2] + first,
                              f"arguments `{first}` and `{second}` swapped"))
    return found


def sites(text):
    """Every fault site of the file: (kind, start, end, replacement, description)."""
    code = code_view(text)
    found = comparison_sites(text, code) + number_sites(code) + drop_sites(text, code) + swap_sites(text, code)
    return [site for site in found if not GEOMETRY.search(line_text(code, site[1]))]


def line_text(text, offset):
    """The whole line that holds `offset`."""
    first = text.rfind("\n", 0, offset) + 1
    last = text.find("\n", offset)
    return text[first:len(text) if last < 0 else last]


def entry(path, text, site):
    """The faults.txt entry of one site: whole lines, widened until they occur once in the file."""
    kind, start, end, replacement, description = site
    first = text.rfind("\n", 0, start) + 1
    last = text.find("\n", end)
    last = len(text) if last < 0 else last
    grow_down = True
    while text.count(text[first:last]) != 1:
        if grow_down and last < len(text):
            following = text.find("\n", last + 1)
            last = len(text) if following < 0 else following
        elif first > 0:
            first = text.rfind("\n", 0, first - 1) + 1
        grow_down = not grow_down
    old = text[first:last]
    new = text[first:start] + replacement + text[end:last]
    if "@@" in old or "<NL>" in old:
        return None
    area = path.rsplit("/", 2)[-2]
    what = f"line {line_of(text, start)}: {description}"
    return " @@ ".join((area, path, old.replace("\n", "<NL>"), new.replace("\n", "<NL>"), what))


def main():
    if len(sys.argv) != 3:
        sys.exit(__doc__.split("\n\n")[-1].strip())
    seed, count = sys.argv[1], int(sys.argv[2])
    files = subprocess.run(["git", "ls-files", "--", *FOLDERS], capture_output=True, text=True,
                           check=True).stdout.split()
    files = sorted(f for f in files if f.endswith(".cpp") and not re.search(r"(^|/)(moc_|qrc_|ui_)", f))
    texts, by_kind = {}, {kind: [] for kind in KINDS}
    for path in files:
        with open(path, encoding="utf-8") as source:
            texts[path] = source.read()
        for site in sites(texts[path]):
            by_kind[site[0]].append((path, site))
    rng = random.Random(f"lumaplex-faults-{seed}")
    kinds = [kind for kind in KINDS if by_kind[kind]]
    chosen, entries = set(), []
    attempts = 0
    while len(entries) < count and attempts < count * 50:
        attempts += 1
        kind = rng.choice(kinds)
        per_file = {}
        for path, site in by_kind[kind]:
            per_file.setdefault(path, []).append(site)
        paths = sorted(per_file)
        path = rng.choices(paths, weights=[len(per_file[p]) for p in paths])[0]
        site = rng.choice(per_file[path])
        if (path, site[1], site[2], site[3]) in chosen:
            continue
        chosen.add((path, site[1], site[2], site[3]))
        line = entry(path, texts[path], site)
        if line:
            entries.append(line)
    print("\n".join(entries))


if __name__ == "__main__":
    main()
