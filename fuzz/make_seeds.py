#!/usr/bin/env python3
"""Writes the hand-made seed inputs of the fuzz targets into <out>/<target>/.

The committed corpora in fuzz/corpus/ grew from these seeds and were minimised; this script
shows what each target's input looks like and rebuilds the seeds when an input format changes.
usage: fuzz/make_seeds.py <out-dir>
"""
import hashlib
import pathlib
import struct
import sys

ROOT = pathlib.Path(__file__).resolve().parent.parent


def write(out, target, data):
    if isinstance(data, str):
        data = data.encode("latin-1")
    d = out / target
    d.mkdir(parents=True, exist_ok=True)
    (d / ("seed-" + hashlib.sha1(data).hexdigest()[:16])).write_bytes(data)


def settings(out):
    for text in ["Langue=1;", "Langue=2;\r\n", "[Options]\r\nLangue = 0x2 ;\r\n", "Langue=$FFFFFFFF;",
                 "Langue=-2147483648;", "Langue=2147483648;", "x=1;Langue=+7;", "Langue;", "Langue=;",
                 "Langue=1", ";Langue=1", "Langue\t=\t12\t;", "Langue=1\x00;", "3;", "Langue=0XaBc;"]:
        write(out, "fuzz_settings", text)


def port_list(out):
    # Free-form: entry text, then the provider's numbers; plain texts make useful starts.
    for text in ["COM5 : TALVIRE", "  com7  ", "COM", "COMX", "COM99999999999", "Pas de port serie",
                 "\\Device\\Silabser0COM33 (ttyUSB0)\\Device\\Serial0COM1 (ttyS0)"]:
        write(out, "fuzz_port_list", text)


def hexfiles(out):
    sources = [ROOT / "firmware/orb42tlx-v1.5.hex"] + sorted((ROOT / "tests/fixtures/hex").glob("*.hex"))
    for path in sources:
        text = path.read_bytes()
        write(out, "fuzz_hex", text)
        lines = text.splitlines(keepends=True)
        write(out, "fuzz_hex", b"".join(lines[:3] + lines[-1:]))  # a short accepted file
    for text in [":00000001FF\n", ":020000040000FA\r\n:00000001FF\r\n\r\n",
                 ":040060000102030492\n:00000001FF\n", ":02420000AB00CF\n:00000001FF\n"]:
        write(out, "fuzz_hex", text)


def device_map(out):
    # Provider bytes are consumed from the end for integers: a few fixed patterns and noise.
    for data in [bytes(range(64)), bytes(range(255, 0, -3)), b"\x07" * 48, b"\x03\x01" * 40,
                 b"ttyUSB0cp210x\x00\x05\x09\x01\x02\x03" * 4]:
        write(out, "fuzz_device_map", data)


def pair(value):
    return b"%02X" % value


def link(out):
    ops = {"Connect": 0, "CheckIdentity": 1, "ReadDeviceType": 2, "ReadSerialNumber": 3,
           "ReadVersion": 4, "Unlock": 5, "EnterProgramming": 6, "WriteProgramWord": 7,
           "WriteVersion": 9, "LeaveProgramming": 10, "Disconnect": 11, "Close": 12,
           "SetLoaderSpeed": 13}
    ack = b"\x84"
    # The wizard's conversation with a good loader.
    seq = bytes([ops["Connect"], ops["CheckIdentity"], ops["ReadDeviceType"],
                 ops["ReadSerialNumber"], ops["ReadVersion"], ops["Unlock"],
                 ops["EnterProgramming"]])
    seq += bytes([ops["WriteProgramWord"]]) + struct.pack("<HH", 48, 0x3FFF)
    seq += bytes([ops["WriteProgramWord"]]) + struct.pack("<HH", 7103, 0x1234)
    seq += bytes([ops["LeaveProgramming"], ops["WriteVersion"], 1, 5, ops["Disconnect"],
                  ops["Close"]])
    answers = b"\x81"                                 # Connect
    answers += pair(ord("P")) + pair(ord("0")) + pair(ord("3"))  # identity "P03"
    answers += pair(0x42)                             # device type
    answers += pair(0x78) + pair(0x56) + pair(0x34) + pair(0x12)  # serial number
    answers += pair(1) + pair(4)                      # version 1.4
    answers += ack + ack                              # Unlock, EnterProgramming
    answers += ack + ack                              # two program words
    answers += ack + ack                              # two EEPROM bytes of the version
    answers += ack + b"\x00" + b"\x04"                # Disconnect: speed ack, trailing, release
    answers += b"\x04"                                # Close's own release
    write(out, "fuzz_link", bytes([len(seq)]) + seq + answers)
    # The same with a faster line, a refusal, a wrong identity, a retried program word.
    fast = bytes([ops["Connect"], ops["SetLoaderSpeed"], 7, ops["Unlock"], ops["EnterProgramming"],
                  ops["WriteProgramWord"], 100, 0, 1, 2, ops["Close"]])
    write(out, "fuzz_link", bytes([len(fast)]) + fast + b"\x81\x84\x00\x84\x84\x85\x84\x00\x04\x04")
    write(out, "fuzz_link", b"\x02\x00\x00" + b"\x85\x00\x84\x00\x04")
    write(out, "fuzz_link", b"\x02\x00\x01" + b"\x81" + pair(ord("P")) + pair(ord("0")) + b"4")
    write(out, "fuzz_link", b"\x04\x00\x14\x07\x00" + b"\xFE\x01\x81")  # a write fault, then a call
    write(out, "fuzz_link", b"\x03\x00\x0c\x00" + b"\x81\xFE\x02\x81")  # a hang-up in Close


def main():
    out = pathlib.Path(sys.argv[1])
    for make in (settings, port_list, hexfiles, device_map, link):
        make(out)


if __name__ == "__main__":
    main()
