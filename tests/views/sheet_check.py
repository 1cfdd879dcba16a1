#!/usr/bin/python3
"""Reads a profile sheet with ezdxf and prints what the tests measure.

usage: sheet_check.py FILE
  AUDIT<tab>number of errors<tab>their messages   (recover and audit together)
  VERSION<tab>$ACADVER
  STYLE<tab>name<tab>font<tab>big font            (each text style)
  VERTEX<tab>x<tab>y                             (the design line's LWPOLYLINEs on 纵断面设计线)
  LINE<tab>layer<tab>x1<tab>y1<tab>x2<tab>y2      (every LINE)
  TEXT<tab>layer<tab>text<tab>x<tab>y<tab>rotation (every TEXT, x and y of its alignment point)
  OVERLAP<tab>text<tab>text                      (two TEXTs whose boxes cross)
A text's box: its run at 0.75 of its height a Latin character and 1.0 a
Chinese one (the advances the sheets are laid out with), its height above the
baseline, placed by its justification and turned by its rotation.
Exit status 0, or 77 when ezdxf is missing (the tests skip then).
"""
import sys

try:
    from ezdxf import recover
except ImportError:  # pragma: no cover
    print("ezdxf is not installed")
    sys.exit(77)


def box(e):
    h = e.dxf.height
    run = sum((1.0 if ord(c) >= 0x800 else 0.75) * h for c in e.dxf.text)
    halign, valign = e.dxf.get("halign", 0), e.dxf.get("valign", 0)
    u0 = {0: 0.0, 1: -run / 2, 2: -run}.get(halign, 0.0)
    v0 = {2: -h / 2, 3: -h}.get(valign, 0.0)
    at = e.dxf.align_point if (halign or valign) else e.dxf.insert
    rotation = round(e.dxf.get("rotation", 0.0)) % 360
    if rotation == 0:
        return (at.x + u0, at.y + v0, at.x + u0 + run, at.y + v0 + h), at
    if rotation == 90:
        return (at.x - v0 - h, at.y + u0, at.x - v0, at.y + u0 + run), at
    raise ValueError("a text turned by %r" % rotation)


def overlaps(boxes):
    """The pairs of crossing boxes, by a sweep along x."""
    boxes.sort(key=lambda b: b[0][0])
    active, found = [], []
    for b in boxes:
        active = [a for a in active if a[0][2] > b[0][0]]
        for a in active:
            if a[0][1] < b[0][3] and b[0][1] < a[0][3]:
                found.append((a[1], b[1]))
        active.append(b)
    return found


def main(path):
    doc, auditor = recover.readfile(path)
    audit = doc.audit()
    errors = list(auditor.errors) + list(audit.errors)
    print("AUDIT\t%d\t%s" % (len(errors), "; ".join(str(e.message) for e in errors)))
    print("VERSION\t" + doc.header.get("$ACADVER", ""))
    for style in doc.styles:
        print("STYLE\t%s\t%s\t%s" % (style.dxf.name, style.dxf.font, style.dxf.get("bigfont", "")))
    boxes = []
    for e in doc.modelspace():
        kind, layer = e.dxftype(), e.dxf.layer
        if kind == "LWPOLYLINE" and layer == "纵断面设计线":
            for x, y, *_ in e.get_points():
                print("VERTEX\t%r\t%r" % (x, y))
        elif kind == "LINE":
            s, t = e.dxf.start, e.dxf.end
            print("LINE\t%s\t%r\t%r\t%r\t%r" % (layer, s.x, s.y, t.x, t.y))
        elif kind == "TEXT":
            b, at = box(e)
            boxes.append((b, e.dxf.text))
            print("TEXT\t%s\t%s\t%r\t%r\t%r" % (layer, e.dxf.text, at.x, at.y, e.dxf.get("rotation", 0.0)))
    for a, b in overlaps(boxes):
        print("OVERLAP\t%s\t%s" % (a, b))
    return 0


if __name__ == "__main__":
    if len(sys.argv) != 2:
        print(__doc__)
        sys.exit(2)
    sys.exit(main(sys.argv[1]))
