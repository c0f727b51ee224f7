#!/usr/bin/env python3
"""Dialog templates name their ids: every template id and control id in a
.rc file is a name that a header the file includes defines (or -1, IDOK,
IDCANCEL), so that the templates, the dialog code and the tests read the
numbers from one place. Prints each file and line that breaks the rule;
fails when there is one.
  tools/check_rc_ids.py [file.rc ...]   (default: every .rc of the repository)
"""
import os
import re
import subprocess
import sys

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
ALLOWED = {"-1", "IDOK", "IDCANCEL"}
# Controls whose statement begins with their text, then the id.
TEXT_FIRST = {"CONTROL", "LTEXT", "RTEXT", "CTEXT", "PUSHBUTTON", "DEFPUSHBUTTON", "PUSHBOX", "GROUPBOX",
              "CHECKBOX", "AUTOCHECKBOX", "RADIOBUTTON", "AUTORADIOBUTTON", "STATE3", "AUTO3STATE", "ICON"}
# Controls whose statement begins with the id.
ID_FIRST = {"EDITTEXT", "COMBOBOX", "LISTBOX", "SCROLLBAR"}
DEFINE = re.compile(r"^\s*#\s*define\s+([A-Za-z_]\w*)\s+(\S+)")
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"')
TEMPLATE = re.compile(r"^\s*(\S+)\s+DIALOG(?:EX)?\b")


def strip_comment(line):
    """The line without a // comment outside its strings."""
    quoted = False
    for i, ch in enumerate(line):
        if ch == '"':
            quoted = not quoted
        elif not quoted and line.startswith("//", i):
            return line[:i]
    return line


def fields(statement):
    """The comma-separated fields of a statement, strings kept whole."""
    out, current, quoted = [], "", False
    for ch in statement:
        if ch == '"':
            quoted = not quoted
        if ch == "," and not quoted:
            out.append(current.strip())
            current = ""
        else:
            current += ch
    out.append(current.strip())
    return out


def header_names(rc_path, include):
    """The names the included header defines; None when it cannot be found."""
    for base in (os.path.dirname(rc_path), ROOT):
        path = os.path.join(base, include)
        if os.path.isfile(path):
            with open(path, encoding="utf-8") as f:
                return {m.group(1) for m in map(DEFINE.match, f) if m}
    return None


def check(path, shown):
    problems = []
    names = set()
    with open(path, encoding="utf-8") as f:
        lines = [strip_comment(line.rstrip("\n")) for line in f]
    in_template = in_body = False
    statement, first = "", 0
    for number, line in enumerate(lines, 1):
        where = f"{shown}:{number}"
        include = INCLUDE.match(line)
        if include:
            defined = header_names(path, include.group(1))
            if defined is None:
                problems.append(f"{where}: no such header: {include.group(1)}")
            else:
                names |= defined
            continue
        text = line.strip()
        if not in_body:
            template = TEMPLATE.match(line)
            if template:
                in_template = True
                if template.group(1) not in names:
                    problems.append(f"{where}: template {template.group(1)}: not a name the included headers define")
            elif in_template and text in ("BEGIN", "{"):
                in_body = True
            continue
        if text in ("END", "}"):
            in_template = in_body = False
            continue
        if not text:
            continue
        # A statement goes on while its line ends with a comma or an or.
        if not statement:
            first = number
        statement += " " + text
        if text.endswith(",") or text.endswith("|"):
            continue
        where = f"{shown}:{first}"
        keyword, _, rest = statement.strip().partition(" ")
        statement = ""
        parts = fields(rest)
        if keyword in TEXT_FIRST and len(parts) > 1:
            control = parts[1]
        elif keyword in ID_FIRST and parts:
            control = parts[0]
        else:
            problems.append(f"{where}: a statement this check does not read: {keyword}")
            continue
        if control not in ALLOWED and control not in names:
            problems.append(f"{where}: control {control}: not a name the included headers define")
    return problems


def main(args):
    if args:
        files = args
    else:
        listed = subprocess.run(["git", "-C", ROOT, "ls-files", "*.rc"], capture_output=True, text=True)
        files = [os.path.join(ROOT, name) for name in listed.stdout.split()]
    problems, templates = [], 0
    for path in files:
        shown = os.path.relpath(path, ROOT)
        problems += check(path, shown)
        with open(path, encoding="utf-8") as f:
            templates += sum(1 for line in f if TEMPLATE.match(strip_comment(line)))
    for problem in problems:
        print(problem)
    if problems:
        print("check_rc_ids: a template names an id that no included header defines", file=sys.stderr)
        return 1
    print(f"check_rc_ids: {templates} templates in {len(files)} files, every id named")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
