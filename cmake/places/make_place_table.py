#!/usr/bin/env python3
"""Builds the place table the programs carry: every populated place of the cities500 list with
its first-level division and its country, ordered as a k-d tree over points on the unit sphere,
plus a source file that puts the table into the program.

usage: make_place_table.py CITIES_TGZ ADMIN1_TGZ COUNTRIES_JSON SUBDIVISIONS_JSON OUT_BIN OUT_CPP

Table layout (little-endian), read by engine/PlaceFinder.cpp:
  header   "QMPLACE1", uint32 places, regions, countries, text bytes, char[16] data date
  places   per place: int32 latitude and longitude (1e-5 degrees), uint32 name offset,
           uint16 region (0xFFFF: none), uint16 country; in k-d tree order (the node of a
           range [lo, hi) is at (lo + hi) / 2)
  axes     one byte per place: the axis (0 x, 1 y, 2 z) its node splits
  regions  uint32 text offset each
  countries uint32 text offset each
  text     NUL-terminated UTF-8 names
"""
import hashlib
import io
import json
import math
import struct
import sys
import tarfile
import unicodedata

# Feature codes that are no town of their own: parts of a city, and places abandoned, destroyed
# or only historical.
SKIPPED_FEATURES = {"PPLX", "PPLH", "PPLQ", "PPLW", "PPLCH"}
# Codes GeoNames uses that the ISO list lacks.
EXTRA_COUNTRIES = {"XK": "Kosovo"}
# Countries whose own script is not Latin: the ISO list gives their subdivisions in a scholarly
# romanization ("Kābul", "Rājasthān"), which is no one's everyday spelling, so GeoNames' English
# names stay.
NON_LATIN_COUNTRIES = set(
    "AE AF AM BD BG BH BT BY CN CY DJ EG ER ET GE GR HK IL IN IQ IR JO JP KG KH KP KR KW KZ LA LB LK LY "
    "MK MM MN MO NP OM PK PS QA RU SA SD SY TH TJ TW UA UZ YE".split())
# Letters that Unicode does not split into a plain letter and an accent.
PLAIN_LETTERS = str.maketrans({"ı": "i", "ł": "l", "Ł": "L", "đ": "d", "Đ": "D", "ø": "o", "Ø": "O"})
HEADER = struct.Struct("<8sIIII16s")
PLACE = struct.Struct("<iiIHH")


def member(tgz, name):
    with tarfile.open(tgz, "r:gz") as archive:
        data = archive.extractfile(name)
        if data is None:
            sys.exit(f"error: {tgz} has no {name}")
        return data.read()


def country_names(path):
    with open(path, encoding="utf-8") as f:
        entries = json.load(f)["3166-1"]
    names = {e["alpha_2"]: e.get("common_name", e["name"]) for e in entries}
    names.update(EXTRA_COUNTRIES)
    return names


def without_accents(name):
    """The name with each accented Latin letter as its plain letter, all else kept as it is."""
    decomposed = unicodedata.normalize("NFKD", name.translate(PLAIN_LETTERS))
    return "".join(c for c in decomposed if not unicodedata.combining(c))


def local_region_names(admin1, subdivisions_json):
    """GeoNames gives first-level divisions in ASCII English ("Baden-Wurttemberg"). The ISO 3166-2
    list (Debian's iso-codes) gives each subdivision in its country's own spelling
    ("Baden-Württemberg"). GeoNames' codes are not ISO's, so the two are matched by name: a
    division takes the ISO spelling of a subdivision of the same country when GeoNames' name is
    exactly that spelling with its accents taken off (same letters, case, spaces and punctuation).
    In the list no two subdivisions of a Latin-script country lose their accents to the same name,
    so each such name has one spelling. Every other division (English names such as "Lesser
    Poland" or "Bavaria", countries of other scripts) keeps its GeoNames name. Returns the
    divisions' names by code and how many took a local spelling."""
    with open(subdivisions_json, encoding="utf-8") as f:
        entries = json.load(f)["3166-2"]
    spellings = {}
    for e in entries:
        country = e["code"].split("-")[0]
        if country not in NON_LATIN_COUNTRIES:
            spellings[(country, without_accents(e["name"]))] = e["name"]
    names, local = {}, 0
    for code, name in admin1.items():
        names[code] = spellings.get((code.split(".")[0], name), name)
        local += names[code] != name
    return names, local


def unit_vector(lat, lon):
    la, lo = math.radians(lat / 1e5), math.radians(lon / 1e5)
    return (math.cos(la) * math.cos(lo), math.cos(la) * math.sin(lo), math.sin(la))


def kd_order(points):
    """Orders points (tuples whose first item is the unit vector) as an implicit k-d tree;
    returns the ordered list and each node's split axis."""
    order = list(points)
    axes = bytearray(len(order))
    stack = [(0, len(order))]
    while stack:
        lo, hi = stack.pop()
        if hi - lo <= 0:
            continue
        part = order[lo:hi]
        spread = [max(p[0][a] for p in part) - min(p[0][a] for p in part) for a in range(3)]
        axis = spread.index(max(spread))
        part.sort(key=lambda p: p[0][axis])
        order[lo:hi] = part
        mid = (lo + hi) // 2
        axes[mid] = axis
        stack.append((lo, mid))
        stack.append((mid + 1, hi))
    return order, axes


def main():
    if len(sys.argv) != 7:
        sys.exit(__doc__)
    cities_tgz, admin1_tgz, countries_json, subdivisions_json, out_bin, out_cpp = sys.argv[1:]
    countries = country_names(countries_json)
    admin1, local_regions = local_region_names(
        {e["code"]: e["name"] for e in json.loads(member(admin1_tgz, "package/admin1.json"))}, subdivisions_json)

    text = bytearray()
    offsets = {}

    def intern(name):
        if name not in offsets:
            offsets[name] = len(text)
            text.extend(name.encode("utf-8") + b"\0")
        return offsets[name]

    region_index, region_offsets = {}, []
    country_index, country_offsets = {}, []
    points = []
    newest = ""
    missing = set()
    cities = member(cities_tgz, "package/dist/cities500.txt").decode("utf-8")
    for line in io.StringIO(cities):
        cols = line.rstrip("\n").split("\t")
        if len(cols) < 19 or cols[6] != "P" or cols[7] in SKIPPED_FEATURES or not cols[1].strip():
            continue
        code = cols[8]
        if code not in countries:
            missing.add(code)
            countries[code] = code
        if code not in country_index:
            country_index[code] = len(country_offsets)
            country_offsets.append(intern(countries[code]))
        region = 0xFFFF
        region_name = admin1.get(f"{code}.{cols[10]}")
        if region_name:
            key = f"{code}.{cols[10]}"
            if key not in region_index:
                region_index[key] = len(region_offsets)
                region_offsets.append(intern(region_name))
            region = region_index[key]
        lat, lon = round(float(cols[4]) * 1e5), round(float(cols[5]) * 1e5)
        points.append((unit_vector(lat, lon), lat, lon, intern(cols[1].strip()), region, country_index[code]))
        newest = max(newest, cols[18])
    if missing:
        print(f"warning: no English name for country codes {sorted(missing)}; the code stands in",
              file=sys.stderr)
    if len(points) < 1000 or len(region_offsets) >= 0xFFFF or len(country_offsets) >= 0xFFFF:
        sys.exit(f"error: unexpected place list ({len(points)} places)")

    order, axes = kd_order(points)
    out = bytearray(HEADER.pack(b"QMPLACE1", len(order), len(region_offsets), len(country_offsets),
                                len(text), newest.encode("ascii")))
    for p in order:
        out += PLACE.pack(p[1], p[2], p[3], p[4], p[5])
    out += axes
    out += struct.pack(f"<{len(region_offsets)}I", *region_offsets)
    out += struct.pack(f"<{len(country_offsets)}I", *country_offsets)
    out += text
    with open(out_bin, "wb") as f:
        f.write(out)

    # The table goes into the program as it is; its checksum in the source makes a compiler cache
    # see a new table as a new source.
    digest = hashlib.sha256(out).hexdigest()
    path = out_bin.replace("\\", "/").replace('"', '\\"')
    with open(out_cpp, "w", encoding="utf-8") as f:
        f.write(f"""// Generated by cmake/places/make_place_table.py; table sha256 {digest}
#include <cstddef>

#if defined(_WIN32)
#define QM_PLACE_SECTION ".section .rdata,\\"dr\\"\\n"
#else
#define QM_PLACE_SECTION ".section .rodata\\n"
#endif
#define QM_STR2(x) #x
#define QM_STR(x) QM_STR2(x)
#define QM_SYMBOL(name) QM_STR(__USER_LABEL_PREFIX__) #name

__asm__(QM_PLACE_SECTION
        ".balign 16\\n"
        ".globl " QM_SYMBOL(qm_place_table) "\\n"
        QM_SYMBOL(qm_place_table) ":\\n"
        ".incbin \\"{path}\\"\\n"
        ".globl " QM_SYMBOL(qm_place_table_end) "\\n"
        QM_SYMBOL(qm_place_table_end) ":\\n"
        ".byte 0\\n"
        ".text\\n");

extern "C" const unsigned char qm_place_table[];
extern "C" const unsigned char qm_place_table_end[];

const unsigned char* PlaceTableData()
{{
    return qm_place_table;
}}

std::size_t PlaceTableSize()
{{
    return static_cast<std::size_t>(qm_place_table_end - qm_place_table);
}}
""")
    print(f"place table: {len(order)} places, {len(region_offsets)} regions "
          f"({local_regions} of all divisions in their local spelling), {len(country_offsets)} countries, {len(out)} bytes, data of {newest}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
