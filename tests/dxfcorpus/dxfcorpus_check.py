#!/usr/bin/python3
"""Checks of Gradix's DXF reading and saving against ezdxf, for the corpus tests.

usage:
  dxfcorpus_check.py labels FILE
      prints the texts a person reads in model space, one a line:
      TYPE<tab>hex of the UTF-8 text: each TEXT and MTEXT (codes kept) and,
      after an INSERT, each of its visible attributes (as TEXT).
  dxfcorpus_check.py twins DIR
      writes the same small plan as ASCII and binary DXF into DIR, for
      R12, R2000 and R2018: plan_VERSION.dxf and plan_VERSION_bin.dxf.
  dxfcorpus_check.py check WRITTEN ORIGINAL ANNOTATION
      reads both with ezdxf.recover: WRITTEN has no more audit errors than
      ORIGINAL, every object of ORIGINAL is in WRITTEN with the same
      handle, type and attributes, and WRITTEN holds one new MTEXT (or, for
      R12, TEXT) whose text is ANNOTATION.

Exit status: 0 when everything holds, 1 when a check fails, 3 when ezdxf
cannot read a file, 77 when ezdxf is missing (the C++ tests skip then).
"""
import re
import sys

try:
    import ezdxf
    from ezdxf import recover
except ImportError:  # pragma: no cover
    print("ezdxf is not installed")
    sys.exit(77)

BINARY_SENTINEL = b"AutoCAD Binary DXF\r\n\x1a\x00"


class NoRecovery:
    errors = ()


UNREADABLE = 3
UNICODE_ESCAPE = re.compile(r"\\[Uu]\+([0-9A-Fa-f]{4})")


def is_binary(path):
    with open(path, "rb") as f:
        return f.read(len(BINARY_SENTINEL)) == BINARY_SENTINEL


def load(path):
    """The document and what recovering it found: a file ezdxf reads as it
    stands is not recovered (recovering guesses the encoding of a file that
    names no code page), others are (ezdxf recovers ASCII files only)."""
    try:
        return ezdxf.readfile(path), NoRecovery()
    except Exception:
        if is_binary(path):
            raise
        return recover.readfile(path)


def unescaped(text):
    """The \\U+XXXX escapes decoded: ezdxf leaves them in the texts of some
    files (binary ones, R12), AutoCAD reads them in every file."""
    return UNICODE_ESCAPE.sub(lambda m: chr(int(m.group(1), 16)), text)


def labels(path):
    doc, _ = load(path)
    for e in doc.modelspace():
        kind = e.dxftype()
        if kind == "TEXT":
            print("TEXT\t" + e.dxf.text.encode("utf-8").hex())
        elif kind == "MTEXT":
            print("MTEXT\t" + e.text.encode("utf-8").hex())
        elif kind == "INSERT":
            for a in e.attribs:
                if not a.is_invisible:
                    print("TEXT\t" + a.dxf.text.encode("utf-8").hex())


def twins(folder):
    for version in ("R12", "R2000", "R2018"):
        doc = ezdxf.new(version)
        if version != "R2018":  # Chinese text as GBK bytes
            doc.header["$DWGCODEPAGE"] = "ANSI_936"
            doc.encoding = "gbk"
        doc.layers.add("桩号", color=3)
        msp = doc.modelspace()
        msp.add_line((0, 0), (100, 50), dxfattribs={"layer": "桩号"})
        msp.add_circle((10, 20), 5)
        msp.add_arc((30, 40), 8, 15, 120)
        msp.add_text("K0+100", dxfattribs={"layer": "桩号", "height": 3, "rotation": 30}).set_placement((5, 6))
        msp.add_polyline2d([(0, 0), (10, 0), (10, 10)], dxfattribs={"closed": True})
        if version != "R12":
            msp.add_lwpolyline([(0, 0, 0, 0, 0.5), (20, 0), (20, 20)])
            msp.add_mtext("{\\L桩号：K1+200\\P高程：12.3456}", dxfattribs={"char_height": 2.5, "insert": (7, 8)})
        doc.saveas(f"{folder}/plan_{version}.dxf")
        doc.saveas(f"{folder}/plan_{version}_bin.dxf", fmt="bin")


def own_handles(path, doc):
    """The handles the file itself defines: ezdxf gives objects it makes while
    loading handles of its own, from the handle seed up."""
    with open(path, "rb") as f:
        data = f.read()
    if data.startswith(BINARY_SENTINEL):
        seed = int(doc.header.get("$HANDSEED", "0"), 16)
        return {h for h in doc.entitydb.keys() if int(h, 16) < seed}
    lines = data.split(b"\n")
    handles = set()
    in_header = False
    taken = True  # the first handle of each object is its own
    for i in range(0, len(lines) - 1, 2):
        code = lines[i].strip()
        value = lines[i + 1].strip()
        if code == b"0":
            taken = False
        if code == b"2" and value == b"HEADER":
            in_header = True
        elif code == b"0" and value == b"ENDSEC":
            in_header = False
        elif code in (b"5", b"105") and not in_header and not taken:
            handles.add(value.decode("ascii", "replace").upper())
            taken = True
    return handles


def fingerprint(entity, own):
    attribs = {}
    for k, v in entity.dxfattribs().items():
        if not own and k in ("handle", "owner"):
            continue  # a file without handles: ezdxf makes them anew at each load
        if isinstance(v, str) and (k.endswith("handle") or k in ("owner", "layout")) and k != "handle" \
                and v.upper() not in own and v != "0":
            v = "<made by ezdxf>"
        attribs[k] = v
    kind = entity.dxftype()
    extra = None
    if kind == "MTEXT":
        extra = entity.text
    elif kind == "LWPOLYLINE":
        extra = list(entity.get_points())
    return kind, repr(sorted(attribs.items(), key=lambda kv: kv[0])), repr(extra)


def audit_errors(doc, auditor):
    errors = [e.message for e in auditor.errors] + [e.message for e in doc.audit().errors]
    # A name with escapes ezdxf left undecoded is no fault of the file.
    return len([m for m in errors if not UNICODE_ESCAPE.search(m)])


def check(written, original, annotation):
    failures = []
    odoc, oaud = load(original)
    doc, aud = load(written)
    before, after = audit_errors(odoc, oaud), audit_errors(doc, aud)
    if after > before:
        failures.append(f"audit: {after} errors, the original has {before}")
    in_file = own_handles(original, odoc)
    written_own = own_handles(written, doc)
    for handle, entity in odoc.entitydb.items():
        if handle not in in_file:
            continue
        other = doc.entitydb.get(handle)
        if other is None:
            failures.append(f"object {handle} ({entity.dxftype()}) of the original is missing")
        elif fingerprint(other, written_own) != fingerprint(entity, in_file):
            failures.append(f"object {handle} ({entity.dxftype()}) changed")
    if not in_file:
        # A file without handles: its model space comes first, unchanged.
        def prints(d, own):
            return [fingerprint(e, own) for e in d.modelspace()]
        old, new = prints(odoc, in_file), prints(doc, written_own)
        if new[:len(old)] != old:
            failures.append("the original model-space entities changed")
    found = [e for e in doc.modelspace() if e.dxftype() in ("MTEXT", "TEXT") and e.dxf.handle not in in_file]
    mtexts = [unescaped(e.text) for e in found if e.dxftype() == "MTEXT"]
    # R12 has no MTEXT: one TEXT a line, underlined where the line starts underlined.
    lines = [unescaped(e.dxf.text).replace("%%u", "") for e in found if e.dxftype() == "TEXT"]
    wanted_lines = [line for line in annotation.replace("{\\L", "").replace("}", "").split("\\P") if line]
    if annotation not in mtexts and lines[-len(wanted_lines):] != wanted_lines:
        failures.append(f"the annotation is missing; new texts: {(mtexts + lines)[-5:]!r}")
    for failure in failures[:20]:
        print(failure)
    return 1 if failures else 0


def main(argv):
    try:
        return run(argv)
    except Exception as e:  # ezdxf cannot read a file: no reference to check against
        print(f"ezdxf cannot read the file: {type(e).__name__}: {e}")
        return UNREADABLE


def run(argv):
    if len(argv) < 3:
        print(__doc__)
        return 2
    if argv[1] == "labels":
        labels(argv[2])
        return 0
    if argv[1] == "twins":
        twins(argv[2])
        return 0
    if argv[1] == "check" and len(argv) == 5:
        return check(argv[2], argv[3], argv[4])
    print(__doc__)
    return 2


if __name__ == "__main__":
    sys.exit(main(sys.argv))
