"""What the four catalogue scripts share: the format word, reading the group
tables, the field checks and writing data/catalogues/<series>.tsv.

Format word of an entry (the station reads only bits 0..2):
  bits 0..2  implied decimals of the value
  bit 3      0x08 settable only while the drive is stopped
  bit 4      0x10 settable while the drive is running too (never with 0x08)
  bit 5      0x20 the value reaches below zero
Reserved ("保留") and factory entries carry format 0.
"""

import os
import re
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
HEADER = "format\tcode\tname\trange\tdescription"
# English name, range and description; empty cells show the Chinese text.
ENGLISH_COLUMNS = "\tname_en\trange_en\tdescription_en"

# Every format word a catalogue may hold.
FORMAT_WORDS = {0, 1, 2, 8, 9, 10, 11, 16, 17, 18, 19, 32, 33, 34, 40, 48, 49, 50, 51}
STOPPED_ONLY = 0x08
ANY_TIME = 0x10
SIGNED = 0x20

# Mode letters of the QD10 and QD20 tables: S stopped only, R running too,
# "-" not settable.
MODE_BITS = {"S": STOPPED_ONLY, "R": ANY_TIME, "-": 0x00}
# Access letters of the QD30 and QD40 tables: A at any time, S stopped only,
# R not settable.
ACCESS_BITS = {"A": ANY_TIME, "S": STOPPED_ONLY, "R": 0x00}

NEGATIVE_LOWER_END = re.compile(r"^\s*[-－]\s*\d")


class TableError(Exception):
    pass


def decimals_of(range_text):
    """Most digits after a decimal point among the numbers of a range text."""
    fractions = re.findall(r"\d\.(\d+)", range_text)
    return max((len(f) for f in fractions), default=0)


def mode_format_word(mode, range_text, decimals=None):
    """Format word of a QD10 or QD20 entry: decimals from the range unless
    given, the mode's bits, and the sign bit when the lower end of the range
    is a number with a minus sign ("-" or "－")."""
    if decimals is None:
        decimals = decimals_of(range_text)
    lower_end = range_text.split("～")[0]
    word = decimals | MODE_BITS[mode]
    if NEGATIVE_LOWER_END.match(lower_end):
        word |= SIGNED
    assert word in FORMAT_WORDS, (mode, range_text, word)
    return word


def reserved_entries(line, empty_fields=0):
    """The entries of a "---" (one) or "--- xN" (N) table line: format 0,
    name "保留" and `empty_fields` empty texts; None for any other line."""
    if not line.startswith("---"):
        return None
    rest = line[3:].strip()
    count = int(rest[1:]) if rest.startswith("x") else 1
    return [(0, "保留") + ("",) * empty_fields] * count


def build(groups, tables, parse_line):
    """Entries (format, code, fields...) of the (prefix, size) groups in
    order, each table line read by parse_line into (format, fields...) rows;
    codes are prefix-position ("F0-07")."""
    entries = []
    for prefix, count in groups:
        rows = []
        for raw in tables[prefix].strip("\n").split("\n"):
            line = raw.strip()
            if line:
                rows.extend(parse_line(line))
        if len(rows) != count:
            raise TableError("group %s has %d entries, wants %d" % (prefix, len(rows), count))
        for pos, row in enumerate(rows):
            entries.append((row[0], "%s-%02d" % (prefix, pos)) + tuple(row[1:]))
    return entries


def field_problems(code, fields):
    """Problems of (field, text, GBK byte limit) triples: control characters,
    text outside GBK, text longer than the limit."""
    problems = []
    for field, text, limit in fields:
        if any(c in text for c in "\t\r\n"):
            problems.append("%s: control character in %s" % (code, field))
        try:
            size = len(text.encode("gbk"))
        except UnicodeEncodeError as err:
            problems.append("%s: %s not GBK: %s" % (code, field, err))
            continue
        if size > limit:
            problems.append("%s: %s is %d bytes" % (code, field, size))
    return problems


def existing_english(path):
    """English cells of a catalogue file already written, by code:
    {code: ((name, range, description), (name_en, range_en, description_en))};
    empty when the file is missing or has no English columns."""
    try:
        with open(path, encoding="utf-8", newline="\n") as old:
            lines = old.read().split("\n")
    except FileNotFoundError:
        return {}
    if lines[0] != HEADER + ENGLISH_COLUMNS:
        return {}
    english = {}
    for line in lines[1:]:
        fields = line.split("\t")
        if len(fields) == 8:
            english[fields[1]] = (tuple(fields[2:5]), tuple(fields[5:8]))
    return english


def write_catalogue(series, entries):
    """Writes data/catalogues/<series>.tsv: the header, then one line per
    (format, code, name[, range[, description]]) entry; returns its path.

    The English cells are kept from the file being replaced for every code
    whose Chinese texts are unchanged; a row whose Chinese changed loses them
    (they translated the old text) and is reported, so it is translated again."""
    path = os.path.join(HERE, "..", series.lower() + ".tsv")
    english = existing_english(path)
    with open(path, "w", encoding="utf-8", newline="\n") as out:
        out.write(HEADER + ENGLISH_COLUMNS + "\n")
        for fmt, code, *texts in entries:
            texts += [""] * (3 - len(texts))
            chinese, translated = english.get(code, (None, ("", "", "")))
            if chinese is not None and chinese != tuple(texts):
                print("%s: %s changed, its English texts are dropped" % (series, code),
                      file=sys.stderr)
                translated = ("", "", "")
            out.write("\t".join(["%d" % fmt, code, *texts, *translated]) + "\n")
    return path


def run(series, build_entries, check):
    """Builds, checks and writes a series; the exit status (1 when the
    tables or the checks fail, and nothing is written then)."""
    try:
        entries = build_entries()
    except TableError as err:
        print("%s: %s" % (series, err), file=sys.stderr)
        return 1
    problems = check(entries)
    if problems:
        for p in problems:
            print("%s: %s" % (series, p), file=sys.stderr)
        return 1
    path = write_catalogue(series, entries)
    print("%s: wrote %d entries to %s" % (series, len(entries), os.path.normpath(path)))
    return 0
