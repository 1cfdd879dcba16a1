#!/usr/bin/python3
"""Reads a profile sheet with ezdxf and prints what the tests measure.

usage: sheet_check.py FILE
  AUDIT<tab>number of errors<tab>their messages   (recover and audit together)
  VERSION<tab>$ACADVER
  STYLE<tab>name<tab>font<tab>big font            (each text style)
  VERTEX<tab>x<tab>y                             (the design line's LWPOLYLINE on 纵断面设计线)
  TICK<tab>x<tab>lower y<tab>upper y             (vertical LINEs of the band of stakes, 里程桩号)
  LABEL<tab>text<tab>x<tab>y                     (TEXTs of the band of stakes, x of their alignment point)
  NOTE<tab>text                                  (TEXTs of 图名及说明)
  BREAK<tab>text<tab>x                           (TEXTs of 断链, x of their insertion point)
Exit status 0, or 77 when ezdxf is missing (the tests skip then).
"""
import sys

try:
    from ezdxf import recover
except ImportError:  # pragma: no cover
    print("ezdxf is not installed")
    sys.exit(77)


def main(path):
    doc, auditor = recover.readfile(path)
    audit = doc.audit()
    errors = list(auditor.errors) + list(audit.errors)
    print("AUDIT\t%d\t%s" % (len(errors), "; ".join(str(e.message) for e in errors)))
    print("VERSION\t" + doc.header.get("$ACADVER", ""))
    for style in doc.styles:
        print("STYLE\t%s\t%s\t%s" % (style.dxf.name, style.dxf.font, style.dxf.get("bigfont", "")))
    for e in doc.modelspace():
        kind, layer = e.dxftype(), e.dxf.layer
        if kind == "LWPOLYLINE" and layer == "纵断面设计线":
            for x, y, *_ in e.get_points():
                print("VERTEX\t%r\t%r" % (x, y))
        elif kind == "LINE" and layer == "里程桩号" and e.dxf.start.x == e.dxf.end.x:
            low, high = sorted((e.dxf.start.y, e.dxf.end.y))
            print("TICK\t%r\t%r\t%r" % (e.dxf.start.x, low, high))
        elif kind == "TEXT" and layer == "里程桩号":
            at = e.dxf.align_point if e.dxf.get("halign", 0) else e.dxf.insert
            print("LABEL\t%s\t%r\t%r" % (e.dxf.text, at.x, at.y))
        elif kind == "TEXT" and layer == "图名及说明":
            print("NOTE\t" + e.dxf.text)
        elif kind == "TEXT" and layer == "断链":
            print("BREAK\t%s\t%r" % (e.dxf.text, e.dxf.insert.x))
    return 0


if __name__ == "__main__":
    if len(sys.argv) != 2:
        print(__doc__)
        sys.exit(2)
    sys.exit(main(sys.argv[1]))
