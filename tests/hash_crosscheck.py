#!/usr/bin/env python3
"""Cross-checks `kestrin-db hash` against the system's md5sum and base64 tools.

Generates passwords (printable ASCII of every length from 0 to 130, random ones, and Chinese ones
that the ANSI code page 936 writes with two bytes), hashes them all with one kestrin-db call, and
compares with md5sum over each password's CP936 bytes, Base64-encoded by base64 without the "==".
"""
import random
import subprocess
import sys
import tempfile
from pathlib import Path


def passwords(count):
    rng = random.Random(1321)
    printable = [chr(c) for c in range(0x20, 0x7F)]
    chinese = "密码登录号码设置程序更新版本腾讯企鹅你好世界"
    out = ["".join(rng.choice(printable) for _ in range(n)) for n in range(131)]
    while len(out) < count:
        alphabet = chinese + "abc123" if rng.random() < 0.2 else printable
        out.append("".join(rng.choice(alphabet) for _ in range(rng.randint(0, 80))))
    return out


def main():
    tool, count = sys.argv[1], int(sys.argv[2])
    texts = passwords(count)
    ours = subprocess.run([tool, "hash", *texts], check=True, capture_output=True, text=True).stdout.split("\n")[:-1]
    with tempfile.TemporaryDirectory() as folder:
        files = []
        for i, text in enumerate(texts):
            path = Path(folder) / f"{i:05d}"
            path.write_bytes(text.encode("cp936"))
            files.append(str(path))
        sums = subprocess.run(["md5sum", *files], check=True, capture_output=True, text=True).stdout.splitlines()
    # Each digest plus two zero bytes is 18 bytes, so one base64 call encodes them all in step:
    # the first 22 of every 24 characters are the digest's Base64 without its "==".
    digests = b"".join(bytes.fromhex(line.split()[0]) + b"\0\0" for line in sums)
    encoded = subprocess.run(["base64", "-w", "0"], input=digests, check=True, capture_output=True).stdout.decode()
    expected = [encoded[i : i + 22] for i in range(0, len(encoded), 24)]

    failures = [(t, o, e) for t, o, e in zip(texts, ours, expected) if o != e]
    if len(ours) != len(texts) or len(expected) != len(texts):
        print(f"count mismatch: {len(texts)} texts, {len(ours)} hashes, {len(expected)} expected")
        return 1
    for text, got, want in failures[:10]:
        print(f"{text!r}: kestrin-db {got}, md5sum+base64 {want}")
    print(f"{len(texts) - len(failures)} passed, {len(failures)} failed")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
