"""python-can as an outside reader and writer of candump, ASC, BLF, TRC and
CSV logs.

read FILE: prints every message python-can reads, one per line:
  MICROSECONDS ID EXTENDED REMOTE ERROR DLC DATAHEX RX
write FILE...: writes the same messages into each file, in the format its
  extension names, and prints them in the form above.
write-fd FILE: writes CAN FD frames of 0 to 64 bytes and a classic frame
  into FILE, then prints the long frames' count and the others in the form
  above.
"""
import sys

import can


def line(m):
    us = round(m.timestamp * 1000000)
    data = bytes(m.data).hex().upper() if m.data else "-"
    return "%d %X %d %d %d %d %s %d" % (us, m.arbitration_id, m.is_extended_id,
                                        m.is_remote_frame, m.is_error_frame, m.dlc, data,
                                        m.is_rx)


def messages():
    # Whole milliseconds for the first frame: python-can's ASC header keeps
    # milliseconds only. The frames are 100 µs apart or more.
    base = 1700000000.123
    shapes = [
        (0.0, 0x123, False, False, bytes([1, 2]), True),
        (0.0001, 0x1ABCDEF0, True, False, bytes(range(8)), True),
        (0.0012, 0x7FF, False, True, 5, True),
        (0.0020, 0x000, False, False, b"", True),
        (0.0500, 0x456, False, False, bytes([0xFF] * 8), False),
        (0.0600, None, True, False, bytes(8), True),
        (1.5, 0x00000001, True, True, 0, True),
        (7200.0, 0x100, False, False, bytes([0xAA]), True),
    ]
    out = []
    for offset, ident, ext, remote, data, rx in shapes:
        kwargs = dict(timestamp=base + offset, arbitration_id=ident or 0, is_extended_id=ext,
                      is_remote_frame=remote, is_error_frame=ident is None, is_rx=rx)
        if remote:
            kwargs["dlc"] = data
        else:
            kwargs["data"] = data
        out.append(can.Message(**kwargs))
    return out


def fd_messages():
    base = 1700000000.0
    out = []
    for i, size in enumerate([0, 3, 8, 12, 64, 6]):
        out.append(can.Message(timestamp=base + i * 0.001, arbitration_id=0x100 + i,
                               is_extended_id=i == 2, data=bytes(range(size)), is_fd=size != 6,
                               bitrate_switch=i % 2 == 1))
    return out


def main():
    if sys.argv[1] == "read":
        for m in can.LogReader(sys.argv[2]):
            print(line(m))
    elif sys.argv[1] == "write":
        msgs = messages()
        for name in sys.argv[2:]:
            writer = can.Logger(name)
            for m in msgs:
                writer.on_message_received(m)
            writer.stop()
        for m in msgs:
            print(line(m))
    elif sys.argv[1] == "write-fd":
        msgs = fd_messages()
        writer = can.Logger(sys.argv[2])
        for m in msgs:
            writer.on_message_received(m)
        writer.stop()
        print(sum(1 for m in msgs if len(m.data) > 8))
        for m in msgs:
            if len(m.data) <= 8:
                print(line(m))


if __name__ == "__main__":
    main()
