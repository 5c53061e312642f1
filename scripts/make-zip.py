#!/usr/bin/env python3
"""Writes a zip whose bytes depend only on its entries' names and contents.

make-zip.py OUT NAME=FILE ...: every entry gets the same fixed time and permissions, entries keep
the order given, and the compression level is fixed.
"""
import sys
import zipfile

FIXED_TIME = (2026, 1, 1, 0, 0, 0)


def main(out, entries):
    with zipfile.ZipFile(out, "w") as archive:
        for entry in entries:
            name, path = entry.split("=", 1)
            info = zipfile.ZipInfo(name, date_time=FIXED_TIME)
            info.compress_type = zipfile.ZIP_DEFLATED
            info.external_attr = 0o644 << 16
            info.create_system = 3
            with open(path, "rb") as source:
                archive.writestr(info, source.read(), compresslevel=9)


if __name__ == "__main__":
    if len(sys.argv) < 3:
        sys.exit(__doc__)
    main(sys.argv[1], sys.argv[2:])
