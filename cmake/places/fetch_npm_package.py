#!/usr/bin/env python3
"""Fetches one pinned npm package tarball into a cache folder and checks it against its pinned
sha512 (npm's integrity form, "sha512-<base64>"). Prints nothing on success; on any failure it
says what is missing and exits 1, so the build stops with the reason.

usage: fetch_npm_package.py NAME VERSION INTEGRITY CACHE_DIR OUTPUT_TGZ
"""
import base64
import hashlib
import os
import shutil
import subprocess
import sys
import tempfile


def integrity_of(path):
    digest = hashlib.sha512()
    with open(path, "rb") as f:
        for block in iter(lambda: f.read(1 << 20), b""):
            digest.update(block)
    return "sha512-" + base64.b64encode(digest.digest()).decode("ascii")


def main():
    if len(sys.argv) != 6:
        sys.exit(__doc__)
    name, version, integrity, cache, output = sys.argv[1:]
    os.makedirs(cache, exist_ok=True)
    # A tarball already in the cache is used when it still matches; a damaged one is fetched again.
    if os.path.exists(output) and integrity_of(output) == integrity:
        return 0
    npm = shutil.which("npm")
    if npm is None:
        sys.exit(f"error: npm is needed to fetch {name}@{version} (scripts/setup.sh installs it)")
    # npm pack writes into a private folder first; only a checked tarball takes the cache's name,
    # so two builds fetching at once never see half a file.
    with tempfile.TemporaryDirectory(dir=cache) as work:
        result = subprocess.run([npm, "pack", f"{name}@{version}", "--silent", "--pack-destination", work],
                                capture_output=True, text=True)
        packed = [f for f in os.listdir(work) if f.endswith(".tgz")]
        if result.returncode != 0 or len(packed) != 1:
            sys.exit(f"error: could not fetch {name}@{version} from the npm registry:\n"
                     f"{result.stderr.strip()}")
        got = os.path.join(work, packed[0])
        found = integrity_of(got)
        if found != integrity:
            sys.exit(f"error: {name}@{version} does not match its pinned checksum\n"
                     f"  expected {integrity}\n  got      {found}")
        os.replace(got, output)
    return 0


if __name__ == "__main__":
    sys.exit(main())
