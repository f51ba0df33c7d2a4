#!/usr/bin/env python3
"""Writes the fuzz targets' seed inputs into fuzz/corpus/<target>/.

Every seed is a valid exchange the program meets in use, encoded here with an
encoder of its own (not the product's frame code), in the input format that
the target's source describes at its top. Run it again after a format change:
    python3 fuzz/make_corpus.py
It replaces the files it writes and leaves other files in the folders alone.
"""
import os
import struct
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
CORPUS = os.path.join(HERE, "corpus")

# --- the instrument's frames ----------------------------------------------------

LIVE, STORED, COUNT, IDENTITY, WRITE = 0x05, 0x07, 0x08, 0x11, 0x01


def frame(command, data):
    """AB CD, length (data + 3, LE), command, data, checksum (LE sum from the length on)."""
    body = struct.pack("<HB", len(data) + 3, command) + bytes(data)
    return b"\xab\xcd" + body + struct.pack("<H", sum(body) & 0xFFFF)


def text(s, n, fill=b" "):
    b = s.encode("latin-1") if isinstance(s, str) else s
    return (b + fill * n)[:n]


def live(state=0, shown=False, reading="", milli=False, comparison_on=False, passed=False,
         ol=False, lo=False, hot=False, limit="200.00", limit_milli=False, current="0.00",
         set_current=100, set_time=30, left=0, stored=0, printing=False):
    d = bytearray(57)  # frame offsets 5..61

    def put(offset, b):
        d[offset - 5:offset - 5 + len(b)] = b

    status = (0x40 if comparison_on else 0) | (0x08 if passed else 0) | (0x04 if lo else 0) \
        | (0x02 if ol else 0) | (0x01 if hot else 0)
    put(6, bytes([status, 0, 1 if printing else 0, state, 0, 0]))
    put(12, text(reading if shown and not (ol or lo) else "", 6))
    put(18, bytes([1 if milli else 0]))
    put(20, text(limit, 6))
    put(26, bytes([1 if limit_milli else 0]))
    put(28, text(current, 6))
    put(36, b"%04d" % set_current)
    put(42, b"%04d" % set_time)
    put(48, b"%04d" % left)
    put(54, text(str(stored).rjust(4), 4))
    put(60, bytes([0 if shown else 1]))
    return frame(LIVE, d)


def stored(group, reading=12.5, decimals=2, milli=False, comparison_on=False, passed=False,
           limit_uohm=0.0, limit_milli=False, limit_decimals=2, seconds=30,
           when=(2026, 3, 14, 9, 26, 53), current=100.0, ol=False, lo=False):
    d = bytearray([group, 1 if milli else 0, 1 if limit_milli else 0, 1 if comparison_on else 0,
                   1 if passed else 0, limit_decimals, seconds])
    d += struct.pack(">H", when[0]) + bytes(when[1:])
    d += struct.pack("<f", current)
    d += bytes([(1 if ol else 0) | (2 if lo else 0), decimals])
    d += struct.pack("<f", reading)
    d += struct.pack("<f", limit_uohm * 1e-6)  # the instrument keeps the limit in ohms
    return frame(STORED, d)


def identity(model, version, fill=b"\x00"):
    return frame(IDENTITY, b"\x00" + text(model, 11, fill) + text(version, 11, fill))


def store_count(n):
    return frame(COUNT, bytes([0, n]))


def acknowledgement(parameter, accepted, value=0):
    return frame(WRITE, bytes([parameter, 0x4F if accepted else 0x45, value]))


LIVE_FRAMES = {
    "waiting": live(state=0),
    "testing_uohm": live(state=1, shown=True, reading="123.45", current="99.87", left=17),
    "complete_mohm": live(state=2, shown=True, reading="1.2345", milli=True, current="100.02"),
    "pass": live(state=2, shown=True, reading="180.00", comparison_on=True, passed=True),
    "fail": live(state=2, shown=True, reading="250.00", comparison_on=True, limit_milli=True),
    "over_range": live(state=1, shown=True, ol=True, current="0.00"),
    "under_range": live(state=2, shown=True, lo=True),
    "over_temperature": live(state=0, hot=True, stored=12),
    "printing": live(state=2, shown=True, reading="5.0000", milli=True, printing=True,
                     stored=200),
    "waiting_after": live(state=0, shown=True, reading="123.45"),
}

STORED_FRAMES = {
    "plain": stored(1),
    "mohm": stored(2, reading=1.2345, decimals=4, milli=True),
    "pass": stored(3, comparison_on=True, passed=True, limit_uohm=125.0),
    "fail_mohm": stored(99, comparison_on=True, limit_uohm=2500.0, limit_milli=True,
                        reading=3.1, decimals=1, milli=True),
    "over_range": stored(100, ol=True),
    "under_range": stored(200, lo=True, seconds=60),
    "group_0": stored(0, reading=0.0, current=5.0, seconds=1),
}

IDENTITIES = {
    "rv718a": identity("RV718A", "V1.02"),
    "rv718b": identity("RV718B", "V2.10", fill=b" "),
    "other": identity("XR-100", "0.9", fill=b"\xff"),
}


# --- report scripts for the link target (FuzzHidApi.h) ----------------------------------

def report(b):
    """One input report as the script holds it: a length byte and the bytes."""
    assert len(b) <= 64
    return bytes([len(b)]) + b


def live_reports(f):
    """A 64-byte live frame in two input reports: count 0x3F and 63 bytes, then count 1."""
    return report(bytes([0x3F]) + f[:63]) + report(bytes([0x01]) + f[63:])


def reply(f):
    return report(bytes([len(f)]) + f)


TIMEOUT = b"\xfe"
BROKEN = b"\xff"

# fuzz_link's exchange operations.
OP = dict(live=0, count=1, readback=2, start=3, stop=4, settings=5, identity=6, connect=7,
          detect=8, close=9)


def exchange(op, script=b"", arg=0):
    return struct.pack("<BHH", OP[op], arg, len(script)) + script


def settings_arg(kind, value):
    """Kinds: 0 comparison switch, 1 current index, 2 test time, 3 comparison value, 4 none."""
    return (value << 3) | kind


# --- the decoder target ------------------------------------------------------------------

def decoder_frame(slot, f, group=1, seal=False):
    return bytes([slot | (4 if seal else 0) | ((group - 1) << 4)]) + f


def decoder_seeds():
    seeds = {}
    for name, f in LIVE_FRAMES.items():
        seeds["live_" + name] = decoder_frame(0, f)
    for name, f in STORED_FRAMES.items():
        seeds["stored_" + name] = decoder_frame(1, f, group=max(1, f[5] % 16))
    for name, f in IDENTITIES.items():
        seeds["identity_" + name] = decoder_frame(2, f)
    # A test as the poll sees it: waiting, running, complete, waiting again.
    seeds["live_sequence"] = b"".join(decoder_frame(0, LIVE_FRAMES[n]) for n in (
        "waiting", "testing_uohm", "pass", "waiting_after", "waiting"))
    # A read-back: identity, then three groups.
    seeds["readback_sequence"] = decoder_frame(2, IDENTITIES["rv718b"]) + b"".join(
        decoder_frame(1, STORED_FRAMES[n], group=g + 1)
        for g, n in enumerate(("plain", "pass", "over_range")))
    # A short frame with an explicit length, and a frame sealed by the target.
    seeds["live_short"] = bytes([0x08, 20]) + LIVE_FRAMES["testing_uohm"][:20]
    seeds["stored_sealed"] = decoder_frame(1, STORED_FRAMES["mohm"][:33] + b"\0\0", seal=True)
    return seeds


# --- the link target ---------------------------------------------------------------------

def link_seeds():
    lf = LIVE_FRAMES
    seeds = {
        "poll": exchange("live", live_reports(lf["testing_uohm"])),
        "poll_stray_report": exchange("live", report(b"\x05" + b"\0" * 63)
                                      + live_reports(lf["pass"])),
        "poll_timeout": exchange("live", TIMEOUT),
        "poll_broken": exchange("live", BROKEN),
        "identity": exchange("identity", reply(IDENTITIES["rv718a"])),
        "identity_then_poll": exchange("identity", reply(IDENTITIES["rv718b"]))
        + exchange("live", live_reports(lf["waiting"])),
        "start": exchange("start", reply(acknowledgement(0, True, 0xAA))),
        "start_refused": exchange("start", reply(acknowledgement(0, False, 0xAA))),
        "stop": exchange("stop", reply(acknowledgement(0, True, 0))),
        "stop_timeouts": exchange("stop", TIMEOUT * 3),
        "switch_on": exchange("settings", reply(acknowledgement(2, True, 1)),
                              settings_arg(0, 1)),
        "current": exchange("settings", reply(acknowledgement(3, True, 10)),
                            settings_arg(1, 10)),
        "time": exchange("settings", reply(acknowledgement(4, True, 30)), settings_arg(2, 30)),
        "time_refused": exchange("settings", reply(acknowledgement(4, False, 255)),
                                 settings_arg(2, 255)),
        "comparison": exchange("settings", reply(acknowledgement(1, True)),
                               settings_arg(3, 2 * 1255 + 1)),
        "settings_stray_then_ack": exchange("settings", live_reports(lf["waiting"])
                                            + reply(acknowledgement(3, True, 5)),
                                            settings_arg(1, 5)),
        "settings_empty": exchange("settings", b"", settings_arg(4, 0)),
        "count": exchange("count", reply(store_count(3))),
        "count_none": exchange("count", reply(store_count(0))),
        "readback": exchange("count", reply(store_count(3))) + exchange(
            "readback", b"".join(reply(STORED_FRAMES[n]) for n in ("plain", "pass", "mohm")), 7),
        "readback_stopped": exchange("count", reply(store_count(200))) + exchange(
            "readback", reply(STORED_FRAMES["plain"]) + reply(STORED_FRAMES["pass"]), 1),
        "readback_silent_group": exchange("count", reply(store_count(5))) + exchange(
            "readback", reply(STORED_FRAMES["plain"]) + TIMEOUT + reply(STORED_FRAMES["mohm"])
            + TIMEOUT * 3, 7),
        "reconnect": exchange("close") + exchange("connect", b"", 1)
        + exchange("live", live_reports(lf["waiting"])),
        "connect_gone": exchange("connect", b"", 0) + exchange("live"),
        "detect": exchange("detect"),
        # A session: identity, start, polls through the test, stop, a setting.
        "session": exchange("identity", reply(IDENTITIES["rv718b"]))
        + exchange("settings", reply(acknowledgement(4, True, 5)), settings_arg(2, 5))
        + exchange("start", reply(acknowledgement(0, True, 0xAA)))
        + exchange("live", live_reports(lf["testing_uohm"]))
        + exchange("live", live_reports(lf["complete_mohm"]))
        + exchange("stop", reply(acknowledgement(0, True, 0)))
        + exchange("settings", reply(acknowledgement(1, True)), settings_arg(3, 2 * 500)),
    }
    return seeds


TARGETS = {
    "decoders": decoder_seeds,
    "link": link_seeds,
}


def main():
    for target, make in TARGETS.items():
        folder = os.path.join(CORPUS, target)
        os.makedirs(folder, exist_ok=True)
        seeds = make()
        for name, data in seeds.items():
            with open(os.path.join(folder, name), "wb") as f:
                f.write(data)
        print("%s: %d seeds" % (target, len(seeds)))
    return 0


if __name__ == "__main__":
    sys.exit(main())
