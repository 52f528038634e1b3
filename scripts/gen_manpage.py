#!/usr/bin/env python3
"""Makes quandor-tool.1 from the hand-written page and the program's own help texts.

Usage: gen_manpage.py QUANDOR_TOOL TEMPLATE OUTPUT VERSION

The template's @COMMANDS@ line becomes one subsection per command, made from
'quandor-tool COMMAND --help'; the commands are those that 'quandor-tool --help' lists. So the
manual and --help cannot tell different stories.
"""
import re
import subprocess
import sys


def run_help(tool, *args):
    result = subprocess.run([tool, *args, "--help"], capture_output=True, text=True, check=False)
    if result.returncode != 0:
        sys.exit(f"{tool} {' '.join(args)} --help ended with status {result.returncode}")
    return result.stdout


def command_names(overview):
    names, listing = [], False
    for line in overview.splitlines():
        if line.strip() == "Commands:":
            listing = True
        elif listing and re.match(r"^  \S", line):
            names.append(line.split()[0])
        elif listing and line.strip() == "":
            if names:
                break
    if not names:
        sys.exit("no commands found in the overview")
    return names


def escape(text):
    """Roff text: backslashes and hyphens escaped; a line never starts with a control char."""
    text = text.replace("\\", "\\e").replace("-", "\\-")
    if text.startswith((".", "'")):
        text = "\\&" + text
    return text


def option_syntax(syntax):
    """'--width W' -> bold option words, the rest italic."""
    parts = []
    for word in syntax.split(" "):
        if word.startswith("-"):
            # --interleaved|--planar style alternatives stay bold together.
            parts.append("\\fB" + escape(word) + "\\fR")
        else:
            parts.append("\\fI" + escape(word) + "\\fR")
    return " ".join(parts)


def synopsis_line(line, name):
    rest = line.split(name, 1)[1].strip() if name in line else line.strip()
    prefix = "\\fBquandor\\-tool " + escape(name) + "\\fR"
    return prefix + (" " + escape(rest) if rest else "")


def command_section(name, usage):
    out = [".SS " + escape(name)]
    lines = usage.rstrip("\n").splitlines()
    synopsis = []
    # "Usage: quandor-tool NAME ..." and any further synopsis lines indented under it.
    while lines and (lines[0].startswith("Usage:") or
                     (synopsis and re.match(r"^\s+quandor-tool\s", lines[0]))):
        synopsis.append(synopsis_line(lines.pop(0), name))
    if synopsis:
        out.append(".nf")
        out.extend(synopsis)
        out.append(".fi")
    paragraph, mode = [], None  # mode: None, "text" or "option"

    def flush():
        nonlocal paragraph
        if paragraph:
            out.extend(escape(p) for p in paragraph)
        paragraph = []

    for line in lines:
        if not line.strip():
            flush()
            mode = None
            continue
        option = re.match(r"^\s{1,3}(-\S.*?)(?:\s{2,}(.*))?$", line)
        if option:
            flush()
            out.append(".TP")
            out.append(option_syntax(option.group(1).strip()))
            if option.group(2):
                paragraph.append(option.group(2).strip())
            mode = "option"
        elif mode == "option" and re.match(r"^\s{4,}\S", line):
            paragraph.append(line.strip())
        else:
            if mode != "text":
                flush()
                out.append(".PP")
                mode = "text"
            paragraph.append(line.strip())
    flush()
    return "\n".join(out)


def main():
    if len(sys.argv) != 5:
        sys.exit(__doc__)
    tool, template_path, output_path, version = sys.argv[1:]
    names = command_names(run_help(tool))
    sections = "\n".join(command_section(n, run_help(tool, n)) for n in names)
    with open(template_path, encoding="utf-8") as f:
        template = f.read()
    if "@COMMANDS@" not in template:
        sys.exit(f"{template_path} has no @COMMANDS@ line")
    page = template.replace("@COMMANDS@", sections).replace("@VERSION@", version)
    with open(output_path, "w", encoding="utf-8") as f:
        f.write(page)


if __name__ == "__main__":
    main()
