#!/usr/bin/env python3
"""Draws the plan of the example road as a DXF file (made once; the result is
kept in examples/road-plan.dxf).

The centre line comes from gradix-cli itself (its coordinates every 5 m), so
the plan and the ICD file describe the same road. Stake labels stand every
100 m as TEXT, every kilometre as MTEXT, with a tick across the road.

usage: make_plan.py GRADIX_CLI ICD_FILE OUT_DXF
"""
import math
import subprocess
import sys

import ezdxf


def stake_label(chainage):
    km, metres = divmod(round(chainage), 1000)
    return f"K{km}+{metres:03d}"


def main():
    cli, icd, out = sys.argv[1:4]
    rows = subprocess.run([cli, "coords", "--icd", icd, "--from", "0", "--to", "5170", "--every", "5"],
                          check=True, capture_output=True, text=True).stdout.splitlines()
    # gradix-cli prints X north, Y east: the drawing's x is east, y is north.
    points = []
    for row in rows:
        chainage, north, east, bearing = (float(v) for v in row.split("\t"))
        points.append((chainage, east, north, bearing))

    doc = ezdxf.new("R2018", setup=True)
    doc.layers.add("中线", color=1)
    doc.layers.add("桩号", color=3)
    doc.layers.add("图框", color=7)
    msp = doc.modelspace()
    msp.add_lwpolyline([(x, y) for _, x, y, _ in points], dxfattribs={"layer": "中线"})

    for chainage, x, y, bearing in points:
        if round(chainage) % 100 != 0 or abs(chainage - round(chainage)) > 1e-9:
            continue
        # The road's direction in drawing terms and its normal to the right.
        dx, dy = math.sin(bearing), math.cos(bearing)
        nx, ny = dy, -dx
        msp.add_line((x - 4 * nx, y - 4 * ny), (x + 4 * nx, y + 4 * ny), dxfattribs={"layer": "中线"})
        angle = math.degrees(math.atan2(ny, nx))
        label = stake_label(chainage)
        if round(chainage) % 1000 == 0:
            mtext = msp.add_mtext(label, dxfattribs={"layer": "桩号", "char_height": 3.0, "rotation": angle})
            mtext.set_location((x + 6 * nx, y + 6 * ny))
        else:
            msp.add_text(label, dxfattribs={"layer": "桩号", "height": 2.5, "rotation": angle,
                                            "insert": (x + 6 * nx, y + 6 * ny)})

    xs = [p[1] for p in points]
    ys = [p[2] for p in points]
    title = msp.add_mtext("示例道路平面图\\P比例 1:2000", dxfattribs={"layer": "图框", "char_height": 8.0})
    title.set_location((min(xs), max(ys) + 40))
    doc.saveas(out)


if __name__ == "__main__":
    main()
