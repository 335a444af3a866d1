#!/usr/bin/env python3
"""Writes resources/sample.bin, a small file that shows off the hex view.

It mixes printable text, line ends and other control bytes, 0x7F, the bytes 0x80..0xFF,
every byte value once in order, a little binary record, a few things worth searching for,
and ends on a partial row. The output is the same on every run.

Usage: scripts/make-sample.py [output.bin]   (python3, standard library only)
"""
import struct
import sys
from pathlib import Path


def start_row(data, filler=b"\x00"):
    """Pads the file so far to a multiple of 16, so that the next part starts a view row."""
    data += filler * (-len(data) % 16)


def noise(count, seed=0x51):
    """Bytes from a small linear congruential generator: binary-looking but reproducible."""
    out = bytearray()
    state = seed
    for _ in range(count):
        state = (state * 1103515245 + 12345) & 0x7FFFFFFF
        out.append(state >> 16 & 0xFF)
    return bytes(out)


def sample():
    data = bytearray()
    data += (b"Quillix-64bit sample file\r\n"
             b"Plain text reads straight across; line ends show as '..' (0D 0A).\r\n")
    start_row(data, b" ")
    # A record as a program might store it: magic, version, counts, a float, a name.
    data += b"QXS\x1a"
    data += struct.pack("<HHIQ", 1, 63, 0x12345678, 0x0123456789ABCDEF)
    data += struct.pack("<d", 3.14159265358979)
    data += b"name\x00\x00\x00\x00" + b"Quillix\x00"
    start_row(data)
    # Control bytes, DEL and the high half: all of these print as '.' on the right.
    data += bytes(range(0x00, 0x20)) + b"\x7f ~" + bytes([0x80, 0xA0, 0xE9, 0xFF])
    start_row(data)
    # Every byte value once, sixteen full rows: row n starts with byte n0.
    data += bytes(range(256))
    # Search practice: the same word in three cases (Match case finds only one), a run of
    # 0x41 that a hex search for 4141 finds at every offset, and text in two encodings.
    data += (b"Find: needle NEEDLE Needle\r\n"
             b"AAAAAAAA\r\n"
             b"Latin-1: caf\xe9 na\xefve\r\n"
             + "UTF-8: caf\u00e9 na\u00efve \u20ac\r\n".encode("utf-8"))
    start_row(data, b" ")
    data += noise(96)
    # Little-endian 32-bit numbers.
    data += b"".join(struct.pack("<I", value)
                     for value in (1, 16, 256, 4096, 65536, 1048576, 0xFFFFFFFF, 0))
    # Ends on a partial row, so the view's last data row is only partly filled.
    data += b"-- end of sample --\n"
    return bytes(data)


def main():
    default = Path(__file__).resolve().parent.parent / "resources" / "sample.bin"
    target = Path(sys.argv[1]) if len(sys.argv) > 1 else default
    data = sample()
    target.write_bytes(data)
    print(f"wrote {target} ({len(data)} bytes)")


if __name__ == "__main__":
    main()
