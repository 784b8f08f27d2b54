#!/usr/bin/env python3
"""Writes a program's manual page from its own --help text.

The build runs the freshly built program, so the page can never drift from
what `PROGRAM --help` prints. The help text is read as blocks separated by
blank lines:
  - "Usage:" and the lines after it      -> SYNOPSIS
  - "TERM  description" lists            -> COMMANDS, or OPTIONS when every
    (continuation lines indented deeper)    term starts with "-"
  - "Exit status: ..."                   -> EXIT STATUS
  - any other block                      -> DESCRIPTION, as prose when it
                                            reads as prose, else kept as laid out
"""

import argparse
import datetime
import os
import re
import subprocess
import sys

TERM_LINE = re.compile(r"^(?P<indent> *)(?P<term>\S(?:.*?\S)?)(?: {2,}(?P<text>\S.*))?$")


def escape(text):
    text = text.replace("\\", "\\e").replace("-", "\\-")
    return text


def line(text):
    """One roff text line: a leading dot or quote would read as a request."""
    text = escape(text)
    return "\\&" + text if text[:1] in (".", "'") else text


def blocks_of(help_text):
    block = []
    for raw in help_text.expandtabs().splitlines():
        if raw.strip():
            block.append(raw.rstrip())
        elif block:
            yield block
            block = []
    if block:
        yield block


def indent_of(text):
    return len(text) - len(text.lstrip(" "))


def definition_list(block):
    """[(term, description)] when the block is a list of terms, else None."""
    entries = []
    term_indent = None
    for text in block:
        indent = indent_of(text)
        if entries and term_indent is not None and indent > term_indent:
            entries[-1][1].append(text.strip())
            continue
        match = TERM_LINE.match(text)
        if not match:
            return None
        # A term alone on its line must look like an option; anything else
        # is prose.
        if match.group("text") is None and not match.group("term").startswith("-"):
            return None
        if term_indent is not None and indent != term_indent:
            return None
        term_indent = indent
        description = [match.group("text")] if match.group("text") else []
        entries.append((match.group("term"), description))
    return [(term, " ".join(words)) for term, words in entries]


def format_term(term):
    words = term.split(" ")
    out = []
    for i, word in enumerate(words):
        if i == 0 or word.startswith("-"):
            out.append("\\fB" + escape(word) + "\\fR")
        else:
            out.append("\\fI" + escape(word) + "\\fR")
    return " ".join(out)


def is_prose(block):
    first = indent_of(block[0])
    return all(indent_of(t) == first and "  " not in t.strip() for t in block)


def preformatted(block):
    base = min(indent_of(t) for t in block)
    return [".nf"] + [line(t[base:]) for t in block] + [".fi"]


def synopsis(block, program):
    first = re.sub(r"^\s*usage:\s*", "", block[0], flags=re.I)
    texts = ([first] if first else []) + block[1:]
    base = min(indent_of(t) for t in texts)
    out = [".nf"]
    for text in texts:
        text = text[base:]
        if text.startswith(program + " ") or text == program:
            out.append("\\fB" + escape(program) + "\\fR" + escape(text[len(program):]))
        else:
            out.append(line(text))
    out.append(".fi")
    return out


def page(program, section, version, summary, description, see_also, help_text, date):
    sections = {"SYNOPSIS": [], "DESCRIPTION": [], "COMMANDS": [], "OPTIONS": [], "EXIT STATUS": []}
    if description:
        sections["DESCRIPTION"] += [".PP", line(description)]
    for block in blocks_of(help_text):
        head = block[0].strip()
        if re.match(r"usage:", head, re.I):
            sections["SYNOPSIS"] += synopsis(block, program)
            continue
        if re.match(r"exit status:", head, re.I):
            rest = re.sub(r"^exit status:\s*", "", " ".join(t.strip() for t in block), flags=re.I)
            sections["EXIT STATUS"] += [".PP", line(rest)]
            continue
        entries = definition_list(block)
        if entries:
            name = "OPTIONS" if all(t.startswith("-") for t, _ in entries) else "COMMANDS"
            for term, text in entries:
                sections[name] += [".TP", format_term(term)] + ([line(text)] if text else [])
            continue
        if is_prose(block):
            sections["DESCRIPTION"] += [".PP", line(" ".join(t.strip() for t in block))]
        else:
            sections["DESCRIPTION"] += [".PP"] + preformatted(block)

    out = [
        '.\\" Generated from "%s --help" when the program is built; edit the help text instead.'
        % program,
        '.TH %s %s "%s" "%s" "User Commands"' % (escape(program.upper()), section, date,
                                                escape(version)),
        ".SH NAME",
        "%s \\- %s" % (escape(program), escape(summary)),
    ]
    for name, body in sections.items():
        if body:
            out += [".SH " + name] + body
    if see_also:
        out += [".SH SEE ALSO", ", ".join("\\fB%s\\fR(%s)" % (escape(n), s) for n, s in see_also)]
    return "\n".join(out) + "\n"


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--program", required=True, help="the built program to run")
    parser.add_argument("--name", required=True, help="the command's name")
    parser.add_argument("--section", default="1")
    parser.add_argument("--version", required=True, help='shown in the page footer, e.g. "Brelvik 2.0.3"')
    parser.add_argument("--summary", required=True, help="the one line of NAME")
    parser.add_argument("--description", default="", help="a first paragraph of DESCRIPTION")
    parser.add_argument("--see-also", action="append", default=[], metavar="NAME(SECTION)")
    parser.add_argument("--output", required=True)
    args = parser.parse_args()

    result = subprocess.run([args.program, "--help"], capture_output=True, text=True,
                            encoding="utf-8", timeout=60)
    if result.returncode != 0 or not result.stdout.strip():
        sys.exit("%s --help failed (exit %d): %s" % (args.program, result.returncode,
                                                    result.stderr.strip()))
    see_also = []
    for ref in args.see_also:
        match = re.fullmatch(r"(.+)\((\w+)\)", ref)
        if not match:
            sys.exit("--see-also wants NAME(SECTION), not " + ref)
        see_also.append((match.group(1), match.group(2)))
    # Reproducible builds fix the date through SOURCE_DATE_EPOCH.
    epoch = os.environ.get("SOURCE_DATE_EPOCH")
    when = (datetime.datetime.fromtimestamp(int(epoch), datetime.timezone.utc) if epoch
            else datetime.datetime.now(datetime.timezone.utc))
    text = page(args.name, args.section, args.version, args.summary, args.description,
                see_also, result.stdout, when.strftime("%Y-%m-%d"))
    temporary = args.output + ".new"
    with open(temporary, "w", encoding="utf-8") as f:
        f.write(text)
    os.replace(temporary, args.output)


if __name__ == "__main__":
    main()
