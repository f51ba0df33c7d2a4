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


# --- the journal target --------------------------------------------------------------------

def v_null():
    return b"\x00"


def v_int(i):
    return b"\x01" + struct.pack("<q", i)


def v_real(x):
    return b"\x02" + struct.pack("<d", x)


def v_utf16(s):
    units = s.encode("utf-16-le", "surrogatepass")
    return bytes([3, len(units) // 2]) + units


def v_blob(b):
    return bytes([4, len(b)]) + b


def v_utf8(s):
    b = s.encode("utf-8")
    return bytes([5, len(b)]) + b


def cells(serial, values=None):
    return values or [v_utf16(str(serial)), v_utf8("2026-12-06 10:15:%02d" % serial),
                      v_utf8("30S"), v_utf8("100A"), v_utf8("99.8A"),
                      v_utf16("%d.25 μΩ\0\xff" % serial), v_utf8("120.00μΩ"), v_utf8("PASS"),
                      v_utf16("母线 %d" % serial)]


IDENTITY_VALUES = [v_utf8("LoopTester"), v_utf16("RV718B\0\0\0\0\0"),
                   v_utf16("V1.02\xff\xff\xff\0\0\0")]
RECORDED_AT = 1796552100000  # 2026-12-06 in ms


def row(session, state, serial, values=None):
    return bytes([session]) + state + v_int(RECORDED_AT + serial * 7000) \
        + b"".join(IDENTITY_VALUES) + b"".join(cells(serial, values))


def journal_file(mode, sessions, rows, appended, lookalike=b""):
    return bytes([mode]) + lookalike + bytes([len(sessions)]) + b"".join(sessions) \
        + bytes([len(rows)]) + b"".join(rows) + b"".join(appended)


def journal_seeds():
    session = v_int(RECORDED_AT) + v_utf8("母线 A 段")
    live, saved, removed, dismissed = v_int(0), v_int(1), v_int(2), v_int(3)
    odd = [v_null(), v_blob(b"\x00\x01RV"), v_real(float("nan")), v_int(-1), v_real(1e308),
           v_utf16("\ud800 lone"), v_utf8(""), v_int(2 ** 63 - 1), v_utf8("\x00")]
    appended = cells(9) + IDENTITY_VALUES
    return {
        "restore": journal_file(0, [session, session], [row(1, live, 1), row(1, live, 2),
                                                        row(2, live, 3)], appended),
        "states": journal_file(1, [session], [row(1, saved, 1), row(1, removed, 2),
                                              row(1, dismissed, 3), row(1, live, 4)], appended),
        "nothing_pending": journal_file(0, [], [], appended),
        "odd_values": journal_file(0, [session], [row(1, live, 5, odd)], [v_utf16("\udc00")] * 12),
        "lookalike": journal_file(2, [session], [row(1, live, 1, odd), row(1, v_utf8("0"), 2)],
                                  appended, lookalike=struct.pack("<HB", 0, 1)),
        "lookalike_missing_cell": journal_file(2, [session], [row(1, live, 1)], appended,
                                               lookalike=struct.pack("<HB", 1 << 9, 1)),
        "foreign": journal_file(2, [], [row(1, live, 1)], appended,
                                lookalike=struct.pack("<HB", 0, 0)),
        "newer": journal_file(2, [], [], appended, lookalike=struct.pack("<HB", 0, 2)),
        "not_a_database": bytes([3]) + b"SQLite format 3\x00 but not really",
        "empty_file": bytes([3]),
    }


# --- the command-line target ---------------------------------------------------------------

def cli_seeds():
    lines = {
        "list": ["list"],
        "list_json": ["list", "--json"],
        "info": ["info", "--device", "/dev/hidraw3"],
        "watch": ["watch", "--interval", "200", "--count", "5", "--csv"],
        "set": ["set", "--current", "100A", "--time", "30", "--compare", "12.5", "mOhm"],
        "set_compare": ["set", "--compare=99.9999 uΩ"],
        "set_off": ["set", "--compare", "off", "--current", "5"],
        "test": ["test", "--timeout", "90", "--remark", "母线 A", "--json"],
        "read_store": ["read-store", "-o", "records.xlsx"],
        "read_store_json": ["read-store", "--format", "json", "--output", "-"],
        "help": ["help", "set"],
        "version": ["--version"],
        "command_help": ["watch", "--help"],
        "unknown": ["erase", "--all"],
    }
    return {name: b"\x00".join(a.encode("utf-8") for a in args) for name, args in lines.items()}


# --- the settings target -------------------------------------------------------------------

def settings_seeds():
    pdf = ("[General]\ncompanyName=某某电力公司\nuserName=张工\ncontact=010-12345678\n"
           "testerName=200A 回路电阻测试仪\ntesterModel=RV718B\\0\\0\\0\\0\\0\n"
           "testerVersion=\"V1.02, beta\"\ntestObjName=1# 主变\nscene=变电站 A\n")
    seeds = {
        "auto": (0, "[General]\ntestIntervalValue=30000\ntestCountValue=5\n"),
        "auto_out_of_range": (0, "[General]\ntestIntervalValue=3600000\ntestCountValue=-3\n"),
        "auto_text": (0, "[General]\ntestIntervalValue=@Variant(\\0\\0\\0\\x2)\n"
                         "testCountValue=many\n"),
        "sample": (1, "[General]\ninterval=250\n"),
        "sample_out_of_range": (1, "[General]\ninterval=99999\n"),
        "sample_list": (1, "[General]\ninterval=200, 300\n"),
        "pdf": (2, pdf),
        "pdf_groups": (2, "[other]\ncompanyName=x\n[General]\nscene=\\x4e2d\\t\n"),
        "empty": (2, ""),
    }
    return {name: bytes([d]) + text.encode("utf-8") for name, (d, text) in seeds.items()}


TARGETS = {
    "decoders": decoder_seeds,
    "link": link_seeds,
    "journal": journal_seeds,
    "cli_args": cli_seeds,
    "settings": settings_seeds,
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
