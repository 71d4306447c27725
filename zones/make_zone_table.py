#!/usr/bin/env python3
"""Builds the zone table compiled into the programs: which zone holds a position, and each zone's
offsets from UTC over time.

  make_zone_table.py --zoneinfo-source tzdata.zi --cache DIR --out table.cpp

Positions come from the tz-lookup data package (fetched once with npm pack into DIR, its sha512
checked against the pin below); each zone's offsets from the IANA rules in tzdata.zi, compiled with
zic into DIR (the system's compiled files in /usr/share/zoneinfo when zic is missing). The build
stops with a message saying what is missing when either cannot be had."""

import argparse
import base64
import hashlib
import io
import os
import re
import shutil
import struct
import subprocess
import sys
import tarfile

PACKAGE = "@photostructure/tz-lookup"
PACKAGE_VERSION = "11.8.0"
PACKAGE_SHA512 = "RvTkAjjWAfgvoaHVXugwi9XOw4rwyrL8wuqox4PwRLW9FZwpmPhNUY31MgY7k5avK6sbD9S7i1/rUtM4A310/g=="
PACKAGE_FILE = "photostructure-tz-lookup-" + PACKAGE_VERSION + ".tgz"


def fail(message):
    sys.stderr.write("make_zone_table: " + message + "\n")
    sys.exit(1)


def sha512_of(path):
    with open(path, "rb") as f:
        return base64.b64encode(hashlib.sha512(f.read()).digest()).decode()


def fetch_package(cache):
    """The package's tarball in the cache, fetched when missing or damaged."""
    os.makedirs(cache, exist_ok=True)
    path = os.path.join(cache, PACKAGE_FILE)
    if os.path.exists(path) and sha512_of(path) == PACKAGE_SHA512:
        return path
    if os.path.exists(path):
        os.remove(path)
    npm = shutil.which("npm")
    if npm is None:
        fail("npm is needed to fetch %s@%s (the position -> zone data); install Node.js with npm "
             "(scripts/setup.sh does)" % (PACKAGE, PACKAGE_VERSION))
    result = subprocess.run([npm, "pack", "--silent", "--pack-destination", cache,
                             "%s@%s" % (PACKAGE, PACKAGE_VERSION)],
                            stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
    if result.returncode != 0 or not os.path.exists(path):
        fail("npm pack %s@%s failed (no network, or no npm registry?):\n%s" %
             (PACKAGE, PACKAGE_VERSION, result.stderr.strip()))
    if sha512_of(path) != PACKAGE_SHA512:
        os.remove(path)
        fail("%s@%s does not match its pinned sha512; refusing it" % (PACKAGE, PACKAGE_VERSION))
    return path


def read_position_data(tarball):
    with tarfile.open(tarball, "r:gz") as tar:
        member = tar.extractfile("package/tz.js")
        if member is None:
            fail("%s holds no package/tz.js" % tarball)
        script = member.read().decode("utf-8")
    names = re.search(r'\[("[A-Za-z_/+\-0-9]+"(?:,"[A-Za-z_/+\-0-9]+")*)\]', script)
    data = re.search(r'="([#-Z]{1000,})"', script)
    # The walk's constants: grid columns and rows, the node and leaf bases, and the digit scale.
    walk = re.search(r'S=(\d+)\*\(180\+\w\)/360\.00000000000006,U=(\d+)\*\(90-\w\)/180\.00000000000003.*?'
                     r'K=(\d+)\*X\.charCodeAt\(K\)\+X\.charCodeAt\(K\+1\)-(\d+);K\+T\.length<(\d+);\)'
                     r'K=\d+\*X\.charCodeAt\(K=8\*\(V=V\+K\+1\)\+4\*.*?\+(\d+)\)', script)
    if names is None or data is None or walk is None:
        fail("tz.js of %s@%s is not laid out as expected" % (PACKAGE, PACKAGE_VERSION))
    zone_names = re.findall(r'"([^"]+)"', names.group(1))
    columns, rows, scale, bias, leaf_base, node_base = (int(walk.group(i)) for i in range(1, 7))
    encoded = data.group(1)
    if len(encoded) < node_base:
        fail("tz.js of %s@%s holds an unexpected data text" % (PACKAGE, PACKAGE_VERSION))
    check_walk(encoded, len(zone_names), columns, rows, scale, bias, leaf_base, node_base)
    return {"names": zone_names, "data": encoded.encode("ascii"), "columns": columns, "rows": rows,
            "scale": scale, "bias": bias, "leaf_base": leaf_base, "node_base": node_base}


def check_walk(data, zones, columns, rows, scale, bias, leaf_base, node_base):
    """Every cell and node leads, within bounds, to a zone: the lookup relies on it."""
    def digit(at):
        if at < 0 or at + 1 >= len(data):
            fail("the position data points outside itself")
        return scale * ord(data[at]) + ord(data[at + 1]) - bias

    def walk(value, node, depth):
        if value + zones >= leaf_base:
            if value + zones - leaf_base >= zones:
                fail("the position data names a zone it does not list")
            return
        if depth > 30:
            fail("the position data nests too deep")
        node += value + 1
        for part in range(4):
            walk(digit(8 * node + 2 * part + node_base), node, depth + 1)

    for cell in range(columns * rows):
        walk(digit(2 * cell), -1, 0)


def compile_rules(source, cache):
    """The folder of compiled zone files: zic's slim output of source, else the system's."""
    with open(source, encoding="utf-8") as f:
        first = f.readline()
    version = re.match(r"# version (\S+)", first)
    if version is None:
        fail("%s does not start with its version line" % source)
    zic = shutil.which("zic") or ("/usr/sbin/zic" if os.access("/usr/sbin/zic", os.X_OK) else None)
    if zic is None:
        return version.group(1), os.path.dirname(source)
    out = os.path.join(cache, "zoneinfo-" + version.group(1))
    if not os.path.isdir(out):
        partial = out + ".part"
        shutil.rmtree(partial, ignore_errors=True)
        result = subprocess.run([zic, "-b", "slim", "-d", partial, source],
                                stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
        if result.returncode != 0:
            fail("zic failed on %s:\n%s" % (source, result.stderr.strip()))
        os.rename(partial, out)
    return version.group(1), out


def read_tzif(path):
    """Transitions (UTC seconds), the offset index of each, the offsets, and the footer rule."""
    with open(path, "rb") as f:
        b = f.read()

    def header(at):
        if b[at:at + 4] != b"TZif":
            raise ValueError("not a zone file")
        return struct.unpack(">6l", b[at + 20:at + 44])

    isutc, isstd, leap, count, types, chars = header(0)
    if b[4] < ord("2"):
        raise ValueError("zone file without 64-bit data")
    at = 44 + count * 5 + types * 6 + chars + leap * 8 + isstd + isutc
    isutc, isstd, leap, count, types, chars = header(at)
    at += 44
    times = list(struct.unpack(">%dq" % count, b[at:at + 8 * count]))
    at += 8 * count
    index = list(b[at:at + count])
    at += count
    offsets = [struct.unpack(">l", b[at + 6 * i:at + 6 * i + 4])[0] for i in range(types)]
    at += 6 * types + chars + leap * 12 + isstd + isutc
    footer = b[at:].strip().decode("ascii")
    return times, index, offsets, footer


TZ_NAME = r"(?:<[^>]+>|[A-Za-z]{3,})"
TZ_OFFSET = r"([+-]?\d{1,3}(?::\d{2}(?::\d{2})?)?)"
TZ_DATE = r"M(\d{1,2})\.(\d)\.(\d)(?:/([+-]?\d{1,3}(?::\d{2}(?::\d{2})?)?))?"


def seconds_of(text):
    sign = -1 if text.startswith("-") else 1
    parts = [int(p) for p in text.lstrip("+-").split(":")] + [0, 0]
    return sign * (parts[0] * 3600 + parts[1] * 60 + parts[2])


def parse_footer(footer):
    """(standard offset, summer offset or None, start, end) with offsets east of UTC."""
    if footer == "":
        return None
    m = re.fullmatch(TZ_NAME + TZ_OFFSET + "(?:" + TZ_NAME + "(?:" + TZ_OFFSET + ")?," + TZ_DATE + "," +
                     TZ_DATE + ")?", footer)
    if m is None:
        fail("zone rule %r is of a form the table does not carry" % footer)
    standard = -seconds_of(m.group(1))
    if m.group(3) is None:
        return (standard, None, None, None)
    summer = -seconds_of(m.group(2)) if m.group(2) else standard + 3600

    def date(first):
        month, week, day, time = m.group(first), m.group(first + 1), m.group(first + 2), m.group(first + 3)
        return (int(month), int(week), int(day), seconds_of(time) if time else 7200)

    return (standard, summer, date(3), date(7))


def c_string(text):
    return '"' + text.replace("\\", "\\\\").replace('"', '\\"') + '"'


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--zoneinfo-source", required=True)
    parser.add_argument("--cache", required=True)
    parser.add_argument("--out", required=True)
    args = parser.parse_args()

    positions = read_position_data(fetch_package(args.cache))
    version, folder = compile_rules(args.zoneinfo_source, args.cache)

    # Every zone name the rules know (links included), and every one the position data names.
    names = set()
    for base, _, files in os.walk(folder):
        for name in files:
            full = os.path.join(base, name)
            relative = os.path.relpath(full, folder).replace(os.sep, "/")
            if "/" in relative or re.fullmatch(r"[A-Z][A-Za-z0-9_+\-]*", relative):
                with open(full, "rb") as f:
                    if f.read(4) == b"TZif":
                        names.add(relative)
    names = sorted(n for n in names if not n.startswith(("posix/", "right/")))
    missing = [n for n in positions["names"] if n not in names]
    if missing:
        fail("the zone rules of %s lack zones the position data names: %s" % (version, ", ".join(missing)))

    rules = []  # distinct (times, index, offsets, footer)
    rule_of = {}
    name_rule = []
    for name in names:
        try:
            key = read_tzif(os.path.join(folder, name))
        except (ValueError, struct.error) as error:
            fail("%s: %s" % (name, error))
        key = (tuple(key[0]), tuple(key[1]), tuple(key[2]), key[3])
        if key not in rule_of:
            rule_of[key] = len(rules)
            rules.append(key)
        name_rule.append(rule_of[key])

    out = io.StringIO()
    w = out.write
    w("// Generated by zones/make_zone_table.py from tz-lookup %s and the zone rules %s; not edited.\n"
      % (PACKAGE_VERSION, version))
    w('#include "zones/ZoneTable.h"\n\nnamespace zones::table {\n\n')
    w("const char kRulesVersion[] = %s;\n" % c_string(version))
    w("const char kPositionsVersion[] = %s;\n\n" % c_string(PACKAGE_VERSION))
    w("const GridShape kGrid = {%d, %d, %d, %d, %d, %d};\n" % (
        positions["columns"], positions["rows"], positions["scale"], positions["bias"],
        positions["leaf_base"], positions["node_base"]))
    data = positions["data"]
    w("const unsigned char kGridData[] = {\n")
    for i in range(0, len(data), 24):
        w("    " + ", ".join(str(c) for c in data[i:i + 24]) + ",\n")
    w("};\n\n")
    index_of = {n: i for i, n in enumerate(names)}
    w("// The zone of each leaf, as an index into kZoneNames.\n")
    w("const std::uint16_t kGridZones[] = {%s};\n" % ", ".join(str(index_of[n]) for n in positions["names"]))
    w("const std::size_t kGridZoneCount = %d;\n\n" % len(positions["names"]))

    w("const ZoneName kZoneNames[] = {\n")
    for name, rule in zip(names, name_rule):
        w("    {%s, %d},\n" % (c_string(name), rule))
    w("};\nconst std::size_t kZoneNameCount = %d;\n\n" % len(names))

    times, offset_index, offsets, zone_rules = [], [], [], []
    for key in rules:
        t, idx, offs, footer = key
        parsed = parse_footer(footer)
        first_time, first_offset = len(times), len(offsets)
        times.extend(t)
        offset_index.extend(idx)
        offsets.extend(offs)
        if parsed is None:
            tail = "0, 0, false, {0, 0, 0, 0}, {0, 0, 0, 0}"
        else:
            standard, summer, start, end = parsed
            if summer is None:
                tail = "%d, %d, false, {0, 0, 0, 0}, {0, 0, 0, 0}" % (standard, standard)
            else:
                tail = "%d, %d, true, {%d, %d, %d, %d}, {%d, %d, %d, %d}" % ((standard, summer) + start + end)
        zone_rules.append("{%d, %d, %d, %d, %s, %s}" % (first_time, len(t), first_offset, len(offs),
                                                         "true" if parsed is not None else "false", tail))
    w("const std::int64_t kTransitionTimes[] = {%s};\n" % ", ".join("%dLL" % x for x in times or [0]))
    w("const std::uint8_t kTransitionOffsets[] = {%s};\n" % ", ".join(str(x) for x in offset_index or [0]))
    w("const std::int32_t kOffsets[] = {%s};\n\n" % ", ".join(str(x) for x in offsets))
    w("const ZoneRule kZoneRules[] = {\n")
    for rule in zone_rules:
        w("    " + rule + ",\n")
    w("};\nconst std::size_t kZoneRuleCount = %d;\n\n" % len(zone_rules))
    size = (len(data) + 2 * len(positions["names"]) + sum(len(n) + 1 + 8 for n in names) + 9 * len(times)
            + 4 * len(offsets) + 48 * len(zone_rules))
    w("const std::size_t kTableBytes = %d;\n\n}  // namespace zones::table\n" % size)

    temporary = args.out + ".part"
    with open(temporary, "w", encoding="utf-8") as f:
        f.write(out.getvalue())
    os.replace(temporary, args.out)


if __name__ == "__main__":
    main()
