#!/usr/bin/python3
"""Independent checks of the DXF files Gradix reads and writes, with ezdxf.

usage:
  dxf_check.py make DIR
      writes the originals of the tests into DIR: plan_r2000_936.dxf (AutoCAD
      2000, code page ANSI_936, so Chinese text is stored as GBK bytes) and
      plan_r2018.dxf (AutoCAD 2018, UTF-8), each with stake labels as TEXT and
      MTEXT, a block holding a label, lines, polylines with bulges, arcs,
      circles and points.
  dxf_check.py texts FILE
      prints the model-space TEXT and MTEXT of FILE, one a line:
      TYPE<tab>hex of the UTF-8 text (stored text, codes kept).
  dxf_check.py check WRITTEN [--original FILE] [--expect JSON] [--changed HANDLE,...]
      reads WRITTEN with ezdxf.recover.readfile and audits it (0 errors
      wanted); with --original, checks that every object of the original is
      still there unchanged (except the handles listed with --changed); with
      --expect, checks the layers, text styles, coordinate systems and new
      multi-line texts that Gradix meant to write (with "pick" and "line",
      also the record of each under the registered application GRADIX).

Exit status: 0 when everything holds, 1 when a check fails, 77 when ezdxf is
missing (the C++ tests skip then).
"""
import json
import math
import sys

try:
    import ezdxf
    from ezdxf import recover
except ImportError:  # pragma: no cover
    print("ezdxf is not installed")
    sys.exit(77)

SKIP = 77
TOLERANCE = 1e-9  # coordinates and sizes are written with round-trip precision


def load(path):
    doc, auditor = recover.readfile(path)
    return doc, auditor


def make(folder):
    for version, name, code_page in (("R2000", "plan_r2000_936.dxf", "ANSI_936"),
                                     ("R2018", "plan_r2018.dxf", None)):
        doc = ezdxf.new(version)
        if code_page:
            doc.header["$DWGCODEPAGE"] = code_page
            doc.encoding = "gbk"
        doc.layers.add("中线", color=1)
        doc.layers.add("桩号", color=3)
        doc.styles.add("hz", font="hztxt.shx")
        msp = doc.modelspace()
        msp.add_lwpolyline([(0, 0, 0, 0, 0.25), (500, 0, 0, 0, 0), (1000, 200)], dxfattribs={"layer": "中线"})
        msp.add_line((0, -5), (0, 5), dxfattribs={"layer": "中线"})
        msp.add_text("K0+000", dxfattribs={"layer": "桩号", "height": 3, "rotation": 90}).set_placement((2, 0))
        msp.add_text("里程K0+500", dxfattribs={"layer": "桩号", "height": 3}).set_placement((500, 5))
        msp.add_mtext("{\\L桩号：K1+000\\P高程：12.3456}", dxfattribs={
            "layer": "桩号", "char_height": 2.5, "rotation": 30, "insert": (1000, 205)})
        msp.add_mtext("说明 " + "长文字" * 120 + " end", dxfattribs={"layer": "0", "char_height": 2, "insert": (0, -50)})
        msp.add_arc((200, 100), 50, 10, 80)
        msp.add_circle((300, 100), 20)
        msp.add_point((400, 100))
        block = doc.blocks.new("STAKE_TICK")
        block.add_line((0, -2), (0, 2))
        block.add_text("块内文字", dxfattribs={"height": 1})
        msp.add_blockref("STAKE_TICK", (250, 0))
        doc.saveas(f"{folder}/{name}")


def texts(path):
    doc, _ = load(path)
    for e in doc.modelspace():
        if e.dxftype() == "TEXT":
            print("TEXT\t" + e.dxf.text.encode("utf-8").hex())
        elif e.dxftype() == "MTEXT":
            print("MTEXT\t" + e.text.encode("utf-8").hex())


def file_handles(path):
    """The handles the file itself defines (codes 5 and 105 outside the
    header): ezdxf gives objects it creates while loading handles of its own."""
    with open(path, "rb") as f:
        lines = f.read().split(b"\n")
    handles = []
    in_header = False
    taken = True  # the first handle of each object is its own (a sort table lists others with code 5)
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
            handles.append(value.decode("ascii").upper())
            taken = True
    return handles


def fingerprint(entity, own_handles):
    """What must not change of an object: its type, attributes and content.
    References to objects that ezdxf made while loading (their handles differ
    from one load to the next) count as the same."""
    attribs = {}
    for k, v in entity.dxfattribs().items():
        if isinstance(v, str) and k.endswith("handle") and k != "handle" and v.upper() not in own_handles:
            v = "<made by ezdxf>"
        if k in ("owner", "layout") and isinstance(v, str) and v.upper() not in own_handles and v != "0":
            v = "<made by ezdxf>"
        attribs[k] = v
    extra = None
    kind = entity.dxftype()
    if kind == "MTEXT":
        extra = entity.text
    elif kind == "LWPOLYLINE":
        extra = list(entity.get_points())
    elif kind == "POLYLINE":
        extra = [tuple(v.dxf.location) + (v.dxf.bulge,) for v in entity.vertices]
    return kind, repr(sorted(attribs.items(), key=lambda kv: kv[0])), repr(extra)


def close(a, b):
    return abs(float(a) - float(b)) <= TOLERANCE * max(1.0, abs(float(a)), abs(float(b)))


def close3(a, b):
    return all(close(x, y) for x, y in zip(a, b))


def check(written, original=None, expect=None, changed=()):
    failures = []
    doc, auditor = load(written)
    auditor_errors = len(auditor.errors)
    audit = doc.audit()
    if auditor_errors or audit.has_errors:
        failures.append(f"audit: {auditor_errors} recover errors, {len(audit.errors)} audit errors: "
                        + "; ".join(str(e.message) for e in list(auditor.errors) + list(audit.errors)))
    original_handles = set()
    written_handles = file_handles(written)
    written_in_file = set(written_handles)
    if original:
        odoc, _ = load(original)
        in_file = set(file_handles(original))
        for handle, entity in odoc.entitydb.items():
            if handle not in in_file:
                continue  # made by ezdxf while loading
            original_handles.add(handle)
            if handle in changed:
                continue
            other = doc.entitydb.get(handle)
            if other is None:
                failures.append(f"object {handle} ({entity.dxftype()}) of the original is missing")
            elif fingerprint(other, written_in_file) != fingerprint(entity, in_file):
                failures.append(f"object {handle} ({entity.dxftype()}) changed:\n  {fingerprint(entity, in_file)}"
                                f"\n  {fingerprint(other, written_in_file)}")
        for name in ("$ACADVER", "$DWGCODEPAGE"):
            if odoc.header.get(name) != doc.header.get(name):
                failures.append(f"header {name} changed")
    if len(written_in_file) != len(written_handles):
        failures.append("a handle is defined twice")
    seed = int(doc.header.get("$HANDSEED", "0"), 16)
    highest = max((int(h, 16) for h in written_handles), default=0)
    if written_handles and seed <= highest:
        failures.append(f"$HANDSEED {seed:X} is not above the highest handle {highest:X}")
    if expect:
        with open(expect, encoding="utf-8") as f:
            want = json.load(f)
        for layer in want.get("layers", []):
            if not doc.layers.has_entry(layer["name"]):
                failures.append(f"layer {layer['name']} missing")
        for style in want.get("styles", []):
            if not doc.styles.has_entry(style["name"]):
                failures.append(f"text style {style['name']} missing")
                continue
            s = doc.styles.get(style["name"])
            got = (s.dxf.font, s.dxf.bigfont, s.dxf.height, s.dxf.width)
            if got[0] != style["font"] or got[1] != style["bigfont"] or not close(got[2], style["height"]) \
                    or not close(got[3], style["width"]):
                failures.append(f"text style {style['name']}: {got}")
        for ucs in want.get("ucs", []):
            if not doc.ucs.has_entry(ucs["name"]):
                failures.append(f"coordinate system {ucs['name']} missing")
                continue
            u = doc.ucs.get(ucs["name"])
            if not (close3(u.dxf.origin, ucs["origin"]) and close3(u.dxf.xaxis, ucs["xaxis"])
                    and close3(u.dxf.yaxis, ucs["yaxis"])):
                failures.append(f"coordinate system {ucs['name']}: {u.dxf.origin} {u.dxf.xaxis} {u.dxf.yaxis}")
        model_record = doc.block_records.get("*Model_Space").dxf.handle
        new_mtexts = [e for e in doc.modelspace() if e.dxftype() == "MTEXT" and e.dxf.handle not in original_handles]
        wanted = want.get("mtexts", [])
        if len(new_mtexts) != len(wanted):
            failures.append(f"{len(new_mtexts)} new multi-line texts, {len(wanted)} expected")
        for m, w in zip(new_mtexts, wanted):
            problems = []
            if m.text != w["text"]:
                problems.append(f"text {m.text!r} != {w['text']!r}")
            if m.dxf.style.upper() != w["style"].upper():  # table names ignore case
                problems.append(f"style {m.dxf.style}")
            if not close(m.dxf.char_height, w["height"]):
                problems.append(f"height {m.dxf.char_height}")
            if m.dxf.get("color", 256) != w["color"]:
                problems.append(f"colour {m.dxf.get('color', 256)}")
            if not close(m.dxf.get("rotation", 0.0), w["rotation"]):
                problems.append(f"rotation {m.dxf.get('rotation', 0.0)}")
            if not close3(m.dxf.insert, w["insert"]):
                problems.append(f"insertion point {m.dxf.insert}")
            if m.dxf.layer != w["layer"]:
                problems.append(f"layer {m.dxf.layer}")
            if m.dxf.owner != model_record:
                problems.append(f"owner {m.dxf.owner}, model space is {model_record}")
            if "pick" in w:
                # Gradix's record: its line name and the point picked, under its registered application.
                xdata = m.get_xdata("GRADIX") if m.has_xdata("GRADIX") else []
                if len(xdata) != 2 or xdata[0] != (1000, w["line"]) or not close3(xdata[1][1], w["pick"]):
                    problems.append(f"record {list(xdata)!r}")
                if not doc.appids.has_entry("GRADIX"):
                    problems.append("application GRADIX not registered")
            if problems:
                failures.append(f"multi-line text {m.dxf.handle}: " + "; ".join(problems))
    for failure in failures:
        print(failure)
    return 1 if failures else 0


def main(argv):
    if len(argv) < 3:
        print(__doc__)
        return 2
    command = argv[1]
    if command == "make":
        make(argv[2])
        return 0
    if command == "texts":
        texts(argv[2])
        return 0
    if command == "check":
        original = expect = None
        changed = ()
        args = argv[3:]
        while args:
            flag, value = args[0], args[1]
            args = args[2:]
            if flag == "--original":
                original = value
            elif flag == "--expect":
                expect = value
            elif flag == "--changed":
                changed = tuple(h for h in value.split(",") if h)
        return check(argv[2], original, expect, changed)
    print(__doc__)
    return 2


if __name__ == "__main__":
    sys.exit(main(sys.argv))
