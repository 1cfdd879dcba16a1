#!/usr/bin/env python3
"""Writes a big road plan as an AutoCAD 2018 DXF, the size of a real one:
terrain lines and contour polylines, stake TEXT and MTEXT labels, layers with
Chinese names. Used by the benchmarks of drawing reading and the drawing window.

usage: make_big_plan.py OUT.dxf [ENTITIES]   (default 274000 entities, about 52 MB)
"""
import math
import random
import sys

import ezdxf


def main():
    out = sys.argv[1]
    total = int(sys.argv[2]) if len(sys.argv) > 2 else 274000
    rng = random.Random(20261208)
    doc = ezdxf.new("R2018", setup=False)
    for name, color in (("地形线", 8), ("等高线", 3), ("桩号", 2), ("标注", 1), ("中线", 4)):
        doc.layers.add(name, color=color)
    msp = doc.modelspace()
    length = 150000.0  # a 150 km road running east-north-east
    x0, y0 = 500000.0, 3340000.0

    def road(s):
        return x0 + s * 0.94, y0 + s * 0.34 + 400.0 * math.sin(s / 5000.0)

    counts = {"line": int(total * 0.45), "poly": int(total * 0.25), "text": int(total * 0.2)}
    counts["mtext"] = total - counts["line"] - counts["poly"] - counts["text"]
    for _ in range(counts["line"]):
        s = rng.uniform(0, length)
        x, y = road(s)
        x += rng.uniform(-300, 300)
        y += rng.uniform(-300, 300)
        msp.add_line((x, y, rng.uniform(90, 140)), (x + rng.uniform(-15, 15), y + rng.uniform(-15, 15), 0),
                     dxfattribs={"layer": "地形线"})
    for _ in range(counts["poly"]):
        s = rng.uniform(0, length)
        x, y = road(s)
        x += rng.uniform(-300, 300)
        y += rng.uniform(-300, 300)
        pts = [(x + 6 * k, y + 4 * math.sin(k + s)) for k in range(rng.randint(4, 9))]
        msp.add_lwpolyline(pts, dxfattribs={"layer": "等高线", "elevation": rng.uniform(90, 140)})
    for k in range(counts["text"]):
        s = (k * length) / counts["text"]
        x, y = road(s)
        km, m = divmod(s, 1000.0)
        msp.add_text("K%d+%07.3f" % (km, m), height=2.5,
                     dxfattribs={"layer": "桩号", "insert": (x + 8, y + 8), "rotation": 20})
    for k in range(counts["mtext"]):
        s = (k * length) / counts["mtext"]
        x, y = road(s)
        msp.add_mtext("{\\L桩号：K%d+%07.3f\\P高程：%.4f}" % (s // 1000, s % 1000, 100 + s * 0.001),
                      dxfattribs={"layer": "标注", "insert": (x - 10, y - 10), "char_height": 2.5})
    doc.saveas(out)


if __name__ == "__main__":
    main()
