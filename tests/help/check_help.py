#!/usr/bin/env python3
"""Reads a built help.chm back with chmlib's extract_chmLib and checks it against docs/help.

  check_help.py contents --chm help.chm --src docs/help --pictures docs/screenshots
  check_help.py repro --build-script build_help.py --chmcmd chmcmd --src docs/help
                      --pictures docs/screenshots --work DIR
  check_help.py messages --src docs/help --sources src

contents: every page, style sheet, contents and index file of the sources is inside with
the same bytes; every picture a page shows is inside and equals its screenshot; the
texts are CP932 and say so; the contents, the index and #SYSTEM's default topic name
files that are inside; every href and src of every page (and every #anchor) resolves to
a file inside the CHM; every page is reachable from the contents.

repro: the help built twice, in two folders, from sources with other file times and at
two moments, gives the same bytes,
although chmcmd's own output differs between the two (its time stamps).

messages: every text the program shows in a message box (the literals of each msgBox,
messageBox and runtimeErrorReport call under src/, or the literal a named text or the
status line was last given) is explained on the troubleshooting page.
"""

import argparse
import html.parser
import os
import posixpath
import re
import runpy
import shutil
import struct
import subprocess
import sys
import tempfile
import time
import urllib.parse

failures = []


def check(ok, what):
    print(("ok   " if ok else "FAIL ") + what)
    if not ok:
        failures.append(what)


class Links(html.parser.HTMLParser):
    """hrefs, srcs, ids/names and the sitemap Local params of one page."""

    def __init__(self):
        super().__init__(convert_charrefs=True)
        self.refs, self.anchors, self.locals, self.charset = [], set(), [], None

    def handle_starttag(self, tag, attrs):
        a = dict(attrs)
        for key in ("href", "src"):
            if a.get(key):
                self.refs.append((tag, a[key]))
        for key in ("id", "name"):
            if a.get(key) and tag != "param":
                self.anchors.add(a[key])
        if tag == "param" and (a.get("name") or "").lower() == "local":
            self.locals.append(a.get("value") or "")
        if tag == "meta" and (a.get("http-equiv") or "").lower() == "content-type":
            m = re.search(r"charset=([\w-]+)", a.get("content") or "", re.I)
            self.charset = m.group(1) if m else None


def parse(data):
    p = Links()
    p.feed(data.decode("cp932"))
    return p


def extract(chm, where):
    run = subprocess.run(["extract_chmLib", chm, where], capture_output=True)
    if run.returncode != 0:
        sys.exit(f"extract_chmLib failed on {chm}: {run.stderr!r}")
    files = {}
    for root, _, names in os.walk(where):
        for n in names:
            full = os.path.join(root, n)
            rel = os.path.relpath(full, where).replace(os.sep, "/")
            with open(full, "rb") as f:
                files[rel] = f.read()
    return files


def system_entries(data):
    entries, pos = {}, 4
    while pos + 4 <= len(data):
        code, size = struct.unpack_from("<HH", data, pos)
        entries[code] = data[pos + 4:pos + 4 + size]
        pos += 4 + size
    return entries


def contents(args):
    with tempfile.TemporaryDirectory() as tmp:
        inside = extract(args.chm, tmp)
    sources = {}
    for n in sorted(os.listdir(args.src)):
        if os.path.isdir(os.path.join(args.src, n)):
            continue  # rendered/: pictures of the pages for people, not part of the help
        with open(os.path.join(args.src, n), "rb") as f:
            sources[n] = f.read()
    pages = [n for n in sources if n.endswith(".htm")]
    check(len(pages) >= 10, f"docs/help holds the guide's pages ({len(pages)})")

    # The project: Japanese, with its contents and index files, no binary index (the
    # viewer reads the CP932 sitemap files as they are).
    hhp = [n for n in sources if n.endswith(".hhp")]
    check(len(hhp) == 1, "one .hhp project")
    project = sources[hhp[0]].decode("cp932")
    check(re.search(r"^Language=0x411\b", project, re.M) is not None, "the project is Japanese (0x411)")

    for name, data in sources.items():
        if name.endswith(".hhp"):
            continue
        check(inside.get(name) == data, f"{name} is inside with the same bytes")
        if name.endswith((".htm", ".hhc", ".hhk")):
            try:
                data.decode("cp932")
                decoded = True
            except UnicodeDecodeError as e:
                decoded = False
                print(f"     {e}")
            check(decoded, f"{name} is CP932 text")
            if decoded:
                check((parse(data).charset or "").lower() == "shift_jis",
                      f"{name} declares charset=Shift_JIS")
                # Names the compiler copies into its tables byte by byte: a second byte
                # 0x5C (ソ, 表, 能...) would read as a backslash there.
                text = data.decode("cp932")
                names = re.findall(r'<title>(.*?)</title>|name="Name" value="([^"]*)"', text)
                risky = sorted({c for pair in names for n in pair for c in n
                                if len(c.encode("cp932")) == 2 and c.encode("cp932")[1] == 0x5C})
                check(not risky, f"{name}: titles and names have no 0x5C second byte {risky}")

    def resolve(page, ref):
        base = posixpath.dirname(page)
        path, _, fragment = ref.partition("#")
        path = urllib.parse.unquote(path)
        target = posixpath.normpath(posixpath.join(base, path)) if path else page
        return target, fragment

    # Every link and picture of every page, contents and index.
    toc_pages = set()
    for name in [n for n in sources if n.endswith((".htm", ".hhc", ".hhk"))]:
        parsed = parse(sources[name])
        refs = [("a", r) for r in parsed.locals] + parsed.refs
        for tag, ref in refs:
            if re.match(r"^[a-z]+:", ref, re.I):
                check(False, f"{name}: {ref} stays inside the help (no outside links)")
                continue
            target, fragment = resolve(name, ref)
            check(target in inside, f"{name}: {ref} resolves to {target} inside the CHM")
            if fragment and target in inside:
                check(fragment in parse(inside[target]).anchors,
                      f"{name}: {ref} names an anchor of {target}")
            if name.endswith(".hhc"):
                toc_pages.add(target)
            if tag == "img" and target.startswith("images/"):
                shot = os.path.join(args.pictures, posixpath.basename(target))
                if os.path.exists(shot):
                    with open(shot, "rb") as f:
                        check(inside.get(target) == f.read(),
                              f"{target} is the screenshot {os.path.basename(shot)}")
    for page in pages:
        check(page in toc_pages, f"{page} is in the contents")
    for k in range(6):
        shown = any(r == f"images/tab{k}.png" for n in pages for _, r in parse(sources[n]).refs)
        check(shown, f"a page shows the screenshot of tab {k}")

    system = system_entries(inside.get("#SYSTEM", b""))
    for code, what in ((0, "contents file"), (1, "index file"), (2, "default topic")):
        name = system.get(code, b"").rstrip(b"\0").decode("cp932").lstrip("/")
        check(name in inside, f"#SYSTEM's {what} {name!r} is inside")


def repro(args):
    pictures = [os.path.join(args.pictures, f"tab{k}.png") for k in range(6)]
    pictures.append(os.path.join(args.pictures, "about-96dpi.png"))
    outputs = []
    work = os.path.abspath(args.work)
    shutil.rmtree(work, ignore_errors=True)
    for i, folder in enumerate(("first", os.path.join("second", "deeper folder"))):
        src, shots = args.src, pictures
        if i:
            time.sleep(1.1)  # chmcmd stamps milliseconds of the day
            # A checkout of its own: the same bytes with other file times.
            src = os.path.join(work, folder, "sources")
            shutil.copytree(args.src, src, copy_function=shutil.copyfile)
            os.makedirs(os.path.join(work, folder, "shots"))
            shots = [shutil.copyfile(p, os.path.join(work, folder, "shots", os.path.basename(p)))
                     for p in pictures]
            for path in [os.path.join(src, n) for n in os.listdir(src)] + shots:
                os.utime(path, (978307200, 978307200))
        stage = os.path.join(work, folder, "stage")
        out = os.path.join(work, folder, "help.chm")
        cmd = [sys.executable, args.build_script, "--chmcmd", args.chmcmd, "--src", src,
               "--stage", stage, "--out", out]
        for p in shots:
            cmd += ["--picture", p]
        subprocess.run(cmd, check=True)
        with open(out, "rb") as f:
            fixed = f.read()
        with open(os.path.join(stage, "help.chm"), "rb") as f:
            raw = f.read()
        outputs.append((raw, fixed))
    (raw1, fixed1), (raw2, fixed2) = outputs
    check(len(fixed1) > 10000, f"the help is built ({len(fixed1)} bytes)")
    check(raw1 != raw2, "chmcmd's own outputs of the two builds differ")
    # With chmcmd's two stamps set alike, its two outputs are equal: nothing else varies.
    sys.dont_write_bytecode = True  # nothing written into the source tree
    fix_stamps = runpy.run_path(args.build_script)["fix_stamps"]
    check(fix_stamps(raw1, 1) == fix_stamps(raw2, 1),
          "they differ only in the header stamp and the #SYSTEM stamp")
    check(fixed1 == fixed2, "the two fixed builds are identical byte for byte")
    stamp = struct.unpack_from(">I", fixed1, 16)[0]
    check(stamp == struct.unpack_from(">I", fixed2, 16)[0] and stamp != 0,
          f"the header stamp is fixed ({stamp})")
    shutil.rmtree(work, ignore_errors=True)


def call_arguments(text, start):
    """The text between the parenthesis at `start` and its partner, strings skipped."""
    depth, i, n = 0, start, len(text)
    while i < n:
        c = text[i]
        if c == '"':
            i += 1
            while text[i] != '"':
                i += 2 if text[i] == "\\" else 1
        elif c == "(":
            depth += 1
        elif c == ")":
            depth -= 1
            if depth == 0:
                return text[start + 1:i]
        i += 1
    return ""


LITERAL = re.compile(r'"((?:[^"\\]|\\.)*)"')
# Adjacent literals are one text, as the compiler joins them.
ADJACENT = re.compile(r'(?:"(?:[^"\\]|\\.)*"\s*)+')


def literals(code):
    def unescape(s):
        return bytes(s, "utf-8").decode("unicode_escape").encode("latin-1").decode("utf-8")
    return ["".join(unescape(m.group(1)) for m in LITERAL.finditer(run.group(0)))
            for run in ADJACENT.finditer(code)]


def shown_messages(src_root, functions=("msgBox", "messageBox", "runtimeErrorReport")):
    """Every text the program passes to one of `functions` (message boxes by default), as
    the literal pieces it is built from."""
    messages = []
    skip = ("platform", "simrun", "standin")
    for root, dirs, names in os.walk(src_root):
        dirs[:] = sorted(d for d in dirs if os.path.relpath(os.path.join(root, d), src_root) not in skip)
        for name in sorted(n for n in names if n.endswith(".cpp")):
            path = os.path.join(root, name)
            with open(path, encoding="utf-8") as f:
                text = f.read()
            for m in re.finditer(r"\b(?:%s)\s*\(" % "|".join(functions), text):
                if re.search(r"void\s+(?:Form1::)?$", text[max(0, m.start() - 20):m.start()]):
                    continue  # the function's own definition
                args = call_arguments(text, m.end() - 1)
                line = text.count("\n", 0, m.start()) + 1
                pieces = literals(args)
                if not pieces:
                    # A message held in a named text or in the status line: the literal
                    # it was last given before this call.
                    before = text[:m.start()]
                    names = re.findall(r"\b([A-Za-z_]\w*)\b", args)
                    for ident in names:
                        table = re.search(r"\b%s\[\]\s*=\s*\{(.*?)\};" % re.escape(ident), text, re.S)
                        if table:
                            pieces = literals(table.group(1))
                            break
                        found = list(re.finditer(r"\b%s\b(?:\[\])?\s*=\s*((?:\s*\"(?:[^\"\\\\]|\\\\.)*\")+)" % re.escape(ident), before))
                        if found:
                            pieces = literals(found[-1].group(1))
                            break
                    if not pieces and "Label100.caption()" in args:
                        near = before[before.rfind("\n", 0, max(0, len(before) - 400)):]
                        setters = re.findall(r"(?:statusAndLog|Label100\.setCaption)\(([^;]*)\);", near)
                        if setters:
                            pieces = literals(setters[-1])
                            if not pieces:
                                ident = setters[-1].strip()
                                found = list(re.finditer(r"\b%s\b\s*=\s*(\"(?:[^\"\\\\]|\\\\.)*\")" % re.escape(ident), text))
                                if found:
                                    pieces = literals(found[-1].group(1))
                if "runtimeErrorReport(" in args:
                    continue  # the report inside is a call of its own
                messages.append((f"{os.path.relpath(path, src_root)}:{line}", pieces))
    return messages


def plain_text(data):
    text = re.sub(r"<[^>]+>", "", data.decode("cp932"))
    return re.sub(r"\s+", " ", html.unescape(text))


def message_list(args):
    def explained(page_name, messages, at_least, what):
        with open(os.path.join(args.src, page_name), "rb") as f:
            page = plain_text(f.read())
        with_text = [(where, pieces) for where, pieces in messages if pieces]
        check(len(with_text) >= at_least, f"the sources {what} {len(with_text)} texts "
              f"({len(messages) - len(with_text)} built from values only)")
        for where, pieces in with_text:
            for piece in pieces:
                for part in piece.split("\r\n"):
                    part = re.sub(r"\s+", " ", part).strip()
                    if len(part) < 2:
                        continue
                    check(part in page, f"{where}: \"{part}\" is explained in {page_name}")

    explained("trouble.htm", shown_messages(args.sources), 35, "show in message boxes")
    # The work log's lines are explained on the work-log page.
    explained("worklog.htm", shown_messages(args.sources, ("logAdd", "statusAndLog")), 20,
              "write into the work log")


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("mode", choices=("contents", "repro", "messages"))
    parser.add_argument("--chm")
    parser.add_argument("--src", required=True)
    parser.add_argument("--pictures")
    parser.add_argument("--build-script")
    parser.add_argument("--chmcmd")
    parser.add_argument("--work")
    parser.add_argument("--sources")
    args = parser.parse_args()
    {"contents": contents, "repro": repro, "messages": message_list}[args.mode](args)
    if failures:
        print(f"{len(failures)} check(s) failed")
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
