#!/usr/bin/env python3
"""Compiles the user guide into help.chm with chmcmd, byte for byte the same every time.

  build_help.py --chmcmd PATH --src docs/help --picture FILE... --stage DIR --out help.chm

The pages, the project and the contents/index files are copied from --src into the stage
folder, the pictures into its images/ folder (the pages refer to them as images/NAME),
chmcmd compiles the stage's .hhp, and the two time stamps chmcmd writes (the ITSF
header at offset 16, big-endian, and the timestamp entry of #SYSTEM, little-endian) are
set to one fixed value: SOURCE_DATE_EPOCH when it is set, else FIXED_STAMP. Nothing
else in chmcmd's output depends on the time or the folder it runs in.
"""

import argparse
import os
import shutil
import struct
import subprocess
import sys

FIXED_STAMP = 1764547200  # 2025-12-01 00:00:00 UTC
SYSTEM_TIMESTAMP_CODE = 10


def read_encint(buf, pos):
    value = 0
    while True:
        byte = buf[pos]
        pos += 1
        value = (value << 7) | (byte & 0x7F)
        if byte < 0x80:
            return value, pos


def directory_entries(chm):
    """Yields (name, section, offset, length) of every entry in the listing chunks."""
    if chm[:4] != b"ITSF":
        raise ValueError("not an ITSF file")
    version = struct.unpack_from("<I", chm, 4)[0]
    if version != 3:
        raise ValueError(f"ITSF version {version}, expected 3")
    dir_offset = struct.unpack_from("<Q", chm, 0x48)[0]
    if chm[dir_offset:dir_offset + 4] != b"ITSP":
        raise ValueError("no ITSP directory header")
    itsp_len, _, chunk_size = struct.unpack_from("<III", chm, dir_offset + 8)
    chunk_count = struct.unpack_from("<I", chm, dir_offset + 0x2C)[0]
    first_chunk = dir_offset + itsp_len
    for index in range(chunk_count):
        chunk = first_chunk + index * chunk_size
        if chm[chunk:chunk + 4] != b"PMGL":
            continue
        free_space = struct.unpack_from("<I", chm, chunk + 4)[0]
        pos = chunk + 20
        end = chunk + chunk_size - free_space
        while pos < end:
            name_len, pos = read_encint(chm, pos)
            name = chm[pos:pos + name_len].decode("utf-8")
            pos += name_len
            section, pos = read_encint(chm, pos)
            offset, pos = read_encint(chm, pos)
            length, pos = read_encint(chm, pos)
            yield name, section, offset, length


def fix_stamps(chm, stamp):
    """Writes stamp into the header and into #SYSTEM; returns the patched bytes."""
    chm = bytearray(chm)
    content_offset = struct.unpack_from("<Q", chm, 0x58)[0]
    system = [e for e in directory_entries(chm) if e[0] == "/#SYSTEM"]
    if len(system) != 1 or system[0][1] != 0:
        raise ValueError("no uncompressed /#SYSTEM entry")
    _, _, offset, length = system[0]
    start = content_offset + offset
    pos, end = start + 4, start + length  # after the #SYSTEM version
    found = 0
    while pos + 4 <= end:
        code, size = struct.unpack_from("<HH", chm, pos)
        if code == SYSTEM_TIMESTAMP_CODE:
            if size < 4:
                raise ValueError("short #SYSTEM timestamp entry")
            struct.pack_into("<I", chm, pos + 4, stamp)
            found += 1
        pos += 4 + size
    if found != 1 or pos != end:
        raise ValueError("unexpected #SYSTEM layout")
    struct.pack_into(">I", chm, 16, stamp)
    return bytes(chm)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--chmcmd", required=True)
    parser.add_argument("--src", required=True)
    parser.add_argument("--picture", action="append", default=[])
    parser.add_argument("--stage", required=True)
    parser.add_argument("--out", required=True)
    args = parser.parse_args()

    shutil.rmtree(args.stage, ignore_errors=True)
    shutil.copytree(args.src, args.stage)
    images = os.path.join(args.stage, "images")
    os.makedirs(images, exist_ok=True)
    for picture in args.picture:
        shutil.copyfile(picture, os.path.join(images, os.path.basename(picture)))

    projects = [n for n in os.listdir(args.stage) if n.endswith(".hhp")]
    if len(projects) != 1:
        sys.exit(f"build_help: expected one .hhp in {args.src}, found {projects}")
    project = projects[0]
    with open(os.path.join(args.stage, project), "rb") as f:
        compiled = [line.split(b"=", 1)[1].strip().decode("ascii")
                    for line in f.read().splitlines() if line.startswith(b"Compiled file=")]
    if len(compiled) != 1:
        sys.exit(f"build_help: {project} names no 'Compiled file='")

    run = subprocess.run([args.chmcmd, project], cwd=args.stage, capture_output=True, text=True,
                         errors="replace")
    output = run.stdout + run.stderr
    # chmcmd reports missing files and anchors as warnings and still succeeds: a
    # guide with a broken link does not build.
    problems = [line for line in output.splitlines()
                if "error" in line.lower() or "warning" in line.lower() or "not found" in line.lower()]
    if run.returncode != 0 or problems:
        sys.stderr.write(output)
        sys.exit("build_help: chmcmd failed")

    with open(os.path.join(args.stage, compiled[0]), "rb") as f:
        chm = f.read()
    stamp = int(os.environ.get("SOURCE_DATE_EPOCH", FIXED_STAMP)) & 0xFFFFFFFF
    chm = fix_stamps(chm, stamp)
    temp = args.out + ".tmp"
    with open(temp, "wb") as f:
        f.write(chm)
    os.replace(temp, args.out)


if __name__ == "__main__":
    main()
