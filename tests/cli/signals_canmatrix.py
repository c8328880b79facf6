#!/usr/bin/python3
"""korvex-cli decode against python-canmatrix, an outside implementation.

Generates signal databases (Intel and Motorola signals at every start bit and
length from 1 to 64, signed and unsigned, float and double, factors and
offsets, value tables, simple and extended multiplexing, J1939 parameter
groups) and random frames as candump logs, decodes them with korvex-cli and
with canmatrix, and compares every decoded signal: the same signals per frame,
the same raw values, values equal to raw * factor + offset in double precision
written with the decimals the factor and offset carry (a float signal's value
as the float it is) and within rounding of canmatrix's decimal arithmetic, the
same value-table texts.

usage: signals_canmatrix.py KORVEX-CLI [WORK-FOLDER]
Exit 0 when everything agrees, 1 on a difference, 77 when canmatrix is
missing.
"""

import csv
import decimal
import math
import os
import random
import struct
import subprocess
import sys
import tempfile

try:
    import canmatrix
    import canmatrix.formats.dbc
except ImportError:
    print("python3-canmatrix is not installed")
    sys.exit(77)

SEED = 20240521
NODE = "Node"


def number(x):
    return repr(float(x)) if isinstance(x, float) else str(x)


class Db:
    """A DBC file being written."""

    def __init__(self, j1939=False):
        self.messages = []  # (file id, name, [signal lines])
        self.tail = []
        self.j1939 = j1939

    def message(self, file_id, name, signals, length=8):
        self.messages.append((file_id, name, length, signals))

    def text(self):
        out = ['VERSION ""', "", "NS_ :", "\tCM_", "\tBA_DEF_", "\tVAL_", "", "BS_:", "",
               "BU_: " + NODE, ""]
        for file_id, name, length, signals in self.messages:
            out.append("BO_ %d %s: %d %s" % (file_id, name, length, NODE))
            out.extend(" " + s for s in signals)
            out.append("")
        if self.j1939:
            out.append('BA_DEF_ BO_ "VFrameFormat" ENUM "StandardCAN","ExtendedCAN",'
                       '"reserved","J1939PG";')
            out.append('BA_DEF_DEF_ "VFrameFormat" "StandardCAN";')
            for file_id, *_ in self.messages:
                out.append('BA_ "VFrameFormat" BO_ %d 3;' % file_id)
        out.extend(self.tail)
        return "\n".join(out) + "\n"


def signal_line(name, start, length, intel, signed, factor=1, offset=0, unit="", mux=""):
    return 'SG_ %s %s: %d|%d@%d%s (%s,%s) [0|0] "%s" %s' % (
        name, mux + " " if mux else "", start, length, 1 if intel else 0,
        "-" if signed else "+", number(factor), number(offset), unit, NODE)


def motorola_fits(start, length):
    return 8 * (start // 8) + 7 - start % 8 + length <= 64


FACTORS = [(1, 0), (0.1, 0), (0.25, -40), (7, 1000.5), (-0.5, 3), (1e-3, -0.001), (3.0517578125e-05, 0),
           (0.05, -1600), (2.5, 1e6)]

TEXTS = ["Off", "On", "Error, retry", 'Say "hi"', "档位 一", "Übertemp", "n/a", "Full"]


def value_table(db, file_id, name, length, signed):
    pairs = []
    keys = range(-4, 4) if signed else range(0, min(1 << length, 8))
    for k in keys:
        if signed and not (-(1 << (length - 1)) <= k < (1 << (length - 1))):
            continue
        pairs.append('%d "%s"' % (k, TEXTS[k % len(TEXTS)].replace('"', '\\"')))
    db.tail.append("VAL_ %d %s %s ;" % (file_id, name, " ".join(pairs)))


def layout_db(rng):
    """Every start bit and length, both byte orders, signed and unsigned."""
    db = Db()
    n = 0
    for intel in (True, False):
        for length in range(1, 65):
            for start in range(64):
                if intel and start + length > 64:
                    continue
                if not intel and not motorola_fits(start, length):
                    continue
                for signed in (False, True):
                    file_id = 0x80000000 | (0x100000 + n)
                    factor, offset = FACTORS[n % len(FACTORS)]
                    name = "S%d" % n
                    db.message(file_id, "M%d" % n,
                               [signal_line(name, start, length, intel, signed, factor, offset,
                                            "u%d" % (n % 5))])
                    if length <= 6 and n % 3 == 0:
                        value_table(db, file_id, name, length, signed)
                    n += 1
    return db


def float_db(rng):
    db = Db()
    n = 0
    for intel in (True, False):
        for length, kind in ((32, 1), (64, 2)):
            for start in range(64):
                if intel and start + length > 64:
                    continue
                if not intel and not motorola_fits(start, length):
                    continue
                file_id = 0x80000000 | (0x200000 + n)
                factor, offset = FACTORS[n % 4]
                db.message(file_id, "F%d" % n,
                           [signal_line("V%d" % n, start, length, intel, False, factor, offset,
                                        "°C")])
                db.tail.append("SIG_VALTYPE_ %d V%d : %d;" % (file_id, n, kind))
                n += 1
    return db


def random_signal(rng, name, mux=""):
    intel = rng.random() < 0.5
    length = rng.randint(1, 24)
    while True:
        start = rng.randint(0, 63)
        if (intel and start + length <= 64) or (not intel and motorola_fits(start, length)):
            break
    factor, offset = rng.choice(FACTORS)
    return signal_line(name, start, length, intel, rng.random() < 0.4, factor, offset, mux=mux)


def mux_db(rng):
    db = Db()
    for k in range(40):
        file_id = 0x300 + k
        signals = [signal_line("Sel", 0, 8, True, False, mux="M"),
                   random_signal(rng, "Plain")]
        for value in range(4):
            for j in range(2):
                signals.append(random_signal(rng, "S%d_%d" % (value, j), "m%d" % value))
        db.message(file_id, "Simple%d" % k, signals)
        db.tail.append('VAL_ %d Sel 0 "空档" 1 "一档" 2 "two" ;' % file_id)
    for k in range(40):
        file_id = 0x80000000 | (0x400000 + k)
        top = rng.choice([(0, True), (7, False)])  # start bit, Intel
        signals = [signal_line("Top", top[0], 4, top[1], False, mux="M"),
                   signal_line("Sub", 8, 4, True, False, mux="m1M"),
                   random_signal(rng, "Plain"),
                   random_signal(rng, "A", "m0"),
                   random_signal(rng, "B", "m1"),
                   random_signal(rng, "C", "m0"),
                   random_signal(rng, "D", "m4")]
        db.message(file_id, "Extended%d" % k, signals)
        db.tail += ["SG_MUL_VAL_ %d Sub Top 1-2;" % file_id,
                    "SG_MUL_VAL_ %d A Top 0-0;" % file_id,
                    "SG_MUL_VAL_ %d B Top 1-1, 3-4;" % file_id,
                    "SG_MUL_VAL_ %d C Sub 0-3;" % file_id,
                    "SG_MUL_VAL_ %d D Sub 4-9, 12-15;" % file_id]
    return db


J1939_GROUPS = [0x0CF00400, 0x18FEF100, 0x18FEEE00, 0x18EA0000, 0x0CEF0000, 0x18DA0000,
                0x1CECFF00, 0x18FECA00, 0x0C000000, 0x19FF1200]


def j1939_db(rng):
    db = Db(j1939=True)
    for k, can_id in enumerate(J1939_GROUPS):
        file_id = 0x80000000 | can_id | 0xFE
        db.message(file_id, "PG%d" % k,
                   [random_signal(rng, "A"), random_signal(rng, "B"), random_signal(rng, "C")])
    return db


def layout_frames(rng, db):
    frames = []
    for file_id, *_ in db.messages:
        for dlc in (8, 8, rng.randint(0, 8)):
            frames.append((file_id & 0x1FFFFFFF, file_id >> 31, rng.randbytes(dlc)))
    return frames


def float_frames(rng, db):
    frames = []
    specials = [struct.pack("<f", 1.5), struct.pack("<f", -0.0), struct.pack("<f", float("inf")),
                struct.pack("<f", float("nan")), struct.pack("<f", 1e-45)]
    for file_id, *_ in db.messages:
        frames.append((file_id & 0x1FFFFFFF, 1, rng.randbytes(8)))
        frames.append((file_id & 0x1FFFFFFF, 1, (rng.choice(specials) * 2)[:8]))
        frames.append((file_id & 0x1FFFFFFF, 1, struct.pack("<d", rng.uniform(-1e9, 1e9))))
    return frames


def mux_frames(rng, db):
    frames = []
    for file_id, *_ in db.messages:
        for _ in range(12):
            data = bytearray(rng.randbytes(8))
            if file_id < 0x80000000:
                data[0] = rng.randint(0, 5)
            frames.append((file_id & 0x1FFFFFFF, file_id >> 31, bytes(data)))
    return frames


def j1939_frames(rng, db):
    frames = []
    for group in J1939_GROUPS:
        for _ in range(8):
            can_id = (group & 0x03FFFF00) | (rng.randint(0, 7) << 26) | rng.randint(0, 255)
            if (group >> 16) & 0xFF < 240:
                can_id |= rng.randint(0, 255) << 8
            frames.append((can_id, 1, rng.randbytes(8)))
    for _ in range(20):  # groups the database does not have
        frames.append((rng.randint(0, 0x1FFFFFFF) & ~0x00FF0000 | 0x00AB0000, 1, rng.randbytes(8)))
    return frames


def write_log(path, frames):
    with open(path, "w") as f:
        for i, (can_id, ext, data) in enumerate(frames):
            f.write("(%d.%06d) can0 %s#%s\n" % (1700000000 + i // 1000, (i % 1000) * 1000,
                                              ("%08X" if ext else "%03X") % can_id, data.hex().upper()))


class Reference:
    """canmatrix's reading of a database, indexed for speed."""

    def __init__(self, path, encoding):
        with open(path, "rb") as f:
            self.db = canmatrix.formats.dbc.load(f, dbcImportEncoding=encoding)
        self.by_id = {}
        for fr in self.db.frames:
            self.by_id.setdefault((fr.arbitration_id.id, fr.arbitration_id.extended), fr)
        self.j1939 = self.db.contains_j1939

    def frame(self, can_id, ext):
        fr = self.by_id.get((can_id, bool(ext)))
        if fr is None and self.j1939 and ext:
            fr = self.db.frame_by_pgn(canmatrix.ArbitrationId(can_id, extended=True).pgn)
        return fr


def bytes_needed(sig):
    # canmatrix counts an Intel signal's start from its least significant bit
    # upwards and a Motorola one's from its most significant bit downwards:
    # either way its last bit is start + size - 1.
    return (sig.start_bit + sig.size - 1) // 8 + 1


def expected_lines(ref, can_id, ext, data):
    """Signal name -> (raw, exact value, canmatrix value, text) for one frame."""
    fr = ref.frame(can_id, ext)
    if fr is None:
        return None, {}
    padded = data + bytes(fr.size - len(data)) if len(data) < fr.size else data
    decoded = fr.decode(padded)
    out = {}
    for name, d in decoded.items():
        sig = d.signal
        # Only the layout database has frames shorter than their message, and
        # it has no multiplexors.
        if bytes_needed(sig) > len(data):
            continue
        raw = d.raw_value
        exact = float(raw) * float(sig.factor) + float(sig.offset)
        text = sig.values.get(raw, "") if not sig.is_float else ""
        out[name] = (raw, exact, d.phys_value, text)
    return fr, out


def decimals_of(x):
    x = float(x)
    if x == 0 or not math.isfinite(x):
        return 0
    return max(0, -decimal.Decimal(repr(x)).normalize().as_tuple().exponent)


def value_text(exact, sig):
    """The value as korvex-cli should write an integer signal's value."""
    places = max(decimals_of(sig.factor), decimals_of(sig.offset))
    if places > 15:
        return repr(exact)
    text = "%.*f" % (places, exact)
    if places > 0:
        text = text.rstrip("0").rstrip(".")
    return "0" if text == "-0" else text


def as_float32(x):
    return struct.unpack("<f", struct.pack("<f", x))[0]


def is_float32(exact, sig):
    return sig.is_float and sig.size == 32 and not math.isnan(exact) and as_float32(exact) == exact


def same_value(text, exact, theirs, sig):
    """The text is the value, and within rounding of canmatrix's."""
    value = float(text)
    if is_float32(exact, sig):
        return as_float32(value) == exact and as_float32(float(theirs)) == exact
    if not sig.is_float and text != value_text(exact, sig):
        return False
    if sig.is_float and not same_float(value, exact):
        return False
    return close(float(text) if sig.is_float else exact, float(theirs))


def same_float(a, b):
    return (math.isnan(a) and math.isnan(b)) or a == b


def close(a, b):
    if math.isnan(a) or math.isnan(b):
        return math.isnan(a) and math.isnan(b)
    if math.isinf(a) or math.isinf(b):
        return a == b
    return abs(a - b) <= 1e-9 * max(1.0, abs(a), abs(b))


def compare(cli, work, name, db, frames, encoding="utf-8"):
    dbc = os.path.join(work, name + ".dbc")
    log = os.path.join(work, name + ".log")
    out = os.path.join(work, name + ".csv")
    with open(dbc, "wb") as f:
        f.write(db.text().encode(encoding))
    write_log(log, frames)
    run = subprocess.run([cli, "decode", log, "--dbc", dbc, "-o", out, "--time", "relative"],
                         capture_output=True, text=True)
    if run.returncode != 0:
        print("%s: korvex-cli exit %d: %s" % (name, run.returncode, run.stderr))
        return 1
    ours = {}
    with open(out, newline="", encoding="utf-8") as f:
        rows = list(csv.reader(f))
    if rows[0] != ["index", "time", "id", "message", "signal", "raw", "value", "unit", "text"]:
        print("%s: header %r" % (name, rows[0]))
        return 1
    for row in rows[1:]:
        ours.setdefault(int(row[0]), []).append(row)
    ref = Reference(dbc, encoding)
    faults = 0
    values = 0

    def fault(text):
        nonlocal faults
        faults += 1
        if faults <= 20:
            print("%s: %s" % (name, text))

    for index, (can_id, ext, data) in enumerate(frames):
        fr, want = expected_lines(ref, can_id, ext, data)
        got = ours.get(index, [])
        got_names = [r[4] for r in got]
        if sorted(got_names) != sorted(want):
            fault("frame %d (%X#%s): signals %s, canmatrix %s" % (
                index, can_id, data.hex(), sorted(got_names), sorted(want)))
            continue
        if fr is not None:
            order = [s.name for s in fr.signals if s.name in want]
            if got_names != order:
                fault("frame %d: order %s, database %s" % (index, got_names, order))
        id_text = ("0x%08X" if ext else "0x%03X") % can_id
        for row in got:
            raw, exact, theirs, text = want[row[4]]
            sig = fr.signal_by_name(row[4])
            value = float(row[6])
            if row[2] != id_text or row[3] != fr.name:
                fault("frame %d: id/message %s %s" % (index, row[2], row[3]))
            if sig.is_float:
                raw_ok = row[5] == row[6]
            else:
                raw_ok = row[5] == str(raw)
            if not raw_ok:
                fault("frame %d %s: raw %s, canmatrix %r" % (index, row[4], row[5], raw))
            if not same_value(row[6], exact, theirs, sig):
                fault("frame %d %s: value %s, expected %r (canmatrix %s)" % (
                    index, row[4], row[6], exact, theirs))
            if row[8] != text:
                fault("frame %d %s: text %r, canmatrix %r" % (index, row[4], row[8], text))
            if row[7] != sig.unit:
                fault("frame %d %s: unit %r, canmatrix %r" % (index, row[4], row[7], sig.unit))
            values += 1
    print("%s: %d frames, %d signal values, %d differences" % (name, len(frames), values, faults))
    return 1 if faults else 0


def main():
    if len(sys.argv) < 2:
        print(__doc__)
        return 2
    cli = sys.argv[1]
    rng = random.Random(SEED)
    with tempfile.TemporaryDirectory() as temp:
        work = sys.argv[2] if len(sys.argv) > 2 else temp
        os.makedirs(work, exist_ok=True)
        status = 0
        db = layout_db(rng)
        status |= compare(cli, work, "layout", db, layout_frames(rng, db))
        db = float_db(rng)
        status |= compare(cli, work, "float", db, float_frames(rng, db), "cp1252")
        db = mux_db(rng)
        status |= compare(cli, work, "mux", db, mux_frames(rng, db), "gbk")
        db = j1939_db(rng)
        status |= compare(cli, work, "j1939", db, j1939_frames(rng, db))
    return status


if __name__ == "__main__":
    sys.exit(main())
