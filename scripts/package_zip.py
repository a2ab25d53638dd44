#!/usr/bin/env python3
"""Writes the release zip so that the same inputs always give the same bytes.

    package_zip.py --epoch SECONDS --version TEXT --readme SOURCE.txt --out ZIP FILE...

The read-me source (UTF-8, LF) is stored as readme.txt in CP932 with CR LF, the way
Notepad and the Japanese Windows shell read it, with @VERSION@ replaced by the version.
Every entry gets the same time (the epoch, as UTC), fixed attributes, no extra fields
and no comment; entries are sorted by name. Deflate output depends only on the data
and zlib's level.
"""

import argparse
import os
import sys
import time
import zipfile

README_NAME = "readme.txt"


def readme_text(path, version):
    with open(path, "rb") as f:
        raw = f.read()
    text = raw.decode("utf-8")  # fails loudly on a broken source
    if text.startswith("\ufeff"):
        text = text[1:]
    lines = text.replace("\r\n", "\n").replace("@VERSION@", version).split("\n")
    if lines and lines[-1] == "":
        lines.pop()
    return "".join(line + "\r\n" for line in lines)


def readme_bytes(path, version):
    # strict: a character without a CP932 form stops the build instead of becoming "?"
    return readme_text(path, version).encode("cp932", errors="strict")


def dos_time(epoch):
    t = time.gmtime(epoch)
    if t.tm_year < 1980:
        raise SystemExit("package_zip.py: the epoch is before 1980, which a zip cannot hold")
    # DOS times count seconds in steps of two.
    return (t.tm_year, t.tm_mon, t.tm_mday, t.tm_hour, t.tm_min, t.tm_sec - t.tm_sec % 2)


def entry(name, when):
    info = zipfile.ZipInfo(name, date_time=when)
    info.compress_type = zipfile.ZIP_DEFLATED
    info.create_system = 0  # MS-DOS attributes
    info.external_attr = 0x20  # FILE_ATTRIBUTE_ARCHIVE, as Windows' own zips have
    info.extra = b""
    info.comment = b""
    return info


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--epoch", type=int, required=True)
    ap.add_argument("--version", required=True)
    ap.add_argument("--readme", required=True)
    ap.add_argument("--out", required=True)
    ap.add_argument("files", nargs="+")
    args = ap.parse_args()

    when = dos_time(args.epoch)
    contents = {README_NAME: readme_bytes(args.readme, args.version)}
    for path in args.files:
        name = os.path.basename(path)
        if name in contents:
            raise SystemExit(f"package_zip.py: two entries named {name}")
        with open(path, "rb") as f:
            contents[name] = f.read()

    tmp = args.out + ".part"
    with zipfile.ZipFile(tmp, "w") as z:
        for name in sorted(contents):
            z.writestr(entry(name, when), contents[name], compresslevel=9)
    os.replace(tmp, args.out)
    # Fixed file modes: the zip itself does not depend on the umask either.
    os.chmod(args.out, 0o644)
    return 0


if __name__ == "__main__":
    sys.exit(main())
