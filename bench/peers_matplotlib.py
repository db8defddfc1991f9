#!/usr/bin/python3
"""One frame of our chart drawn by matplotlib's Agg renderer, timed.

The frame matches what BM_Frame in chart_bench paints: an 813x653 picture, one axes with
ticks, tick labels and a grid, and uniformly random points in [0,1000]x[0,1000] shown as
red squares 9 pixels wide. Only fig.canvas.draw() is timed; encoding a file is not part
of a frame. Prints "key value" lines for bench/peers.sh to read.

Usage: peers_matplotlib.py [--points N] [--warmup W] [--draws D] [--png OUT]
"""
import argparse
import statistics
import sys
import time

import matplotlib

matplotlib.use("Agg")  # before pyplot, so no window system is touched

import matplotlib.pyplot as plt  # noqa: E402
import numpy as np  # noqa: E402

WIDTH_PX, HEIGHT_PX, DPI = 813, 653, 100
MARKER_PX = 9


def build_figure(points):
    rng = np.random.default_rng(12345)
    x = rng.uniform(0, 1000, points)
    y = rng.uniform(0, 1000, points)

    fig = plt.figure(figsize=(WIDTH_PX / DPI, HEIGHT_PX / DPI), dpi=DPI)
    ax = fig.add_subplot()
    ax.grid(True)
    # Marker sizes are in points (1/72 inch, 0.72 pt per pixel at 100 dpi). Our boxes' front
    # face is 9x9 pixels with a one-pixel black outline around 7x7 red; matplotlib centres
    # the edge on the square's border, so an 8-pixel square with a 1-pixel edge covers the
    # same 9x9 with the same 7x7 inside. Line2D markers are faster than a scatter
    # collection with the same look, so this is matplotlib's fast path.
    ax.plot(
        x,
        y,
        "s",
        markersize=(MARKER_PX - 1) * 72 / DPI,
        markerfacecolor="red",
        markeredgecolor="black",
        markeredgewidth=72 / DPI,
    )
    return fig


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--points", type=int, default=40000)
    parser.add_argument("--warmup", type=int, default=3)
    parser.add_argument("--draws", type=int, default=15)
    parser.add_argument("--png", default="", help="write the drawn frame here after timing")
    args = parser.parse_args()
    if args.draws < 1 or args.warmup < 0 or args.points < 0:
        parser.error("--draws must be at least 1, --warmup and --points not negative")

    fig = build_figure(args.points)
    size = fig.canvas.get_width_height()
    if size != (WIDTH_PX, HEIGHT_PX):
        sys.exit(f"peers_matplotlib: figure is {size[0]}x{size[1]}, not {WIDTH_PX}x{HEIGHT_PX}")

    # The first draws lay out the text and fill font and marker caches.
    for _ in range(args.warmup):
        fig.canvas.draw()
    times_ms = []
    for _ in range(args.draws):
        start = time.perf_counter()
        fig.canvas.draw()
        times_ms.append((time.perf_counter() - start) * 1000)

    print(f"matplotlib {matplotlib.__version__}")
    print(f"numpy {np.__version__}")
    print(f"backend {matplotlib.get_backend()}")
    print(f"size {size[0]}x{size[1]}")
    print(f"points {args.points}")
    print(f"draws {args.draws}")
    print(f"draw_ms_min {min(times_ms):.6f}")
    print(f"draw_ms_median {statistics.median(times_ms):.6f}")
    print(f"draw_ms_max {max(times_ms):.6f}")

    if args.png:
        # The buffer of the last timed draw, so the picture is exactly the frame measured.
        plt.imsave(args.png, np.asarray(fig.canvas.buffer_rgba()))
        print(f"png {args.png}")


if __name__ == "__main__":
    main()
