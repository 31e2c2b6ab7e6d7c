#!/usr/bin/env python3
"""Writes the seed corpora of the fuzzers (tests/fuzz/corpus/<fuzzer>/).

The TDS requests are built by hand here, from the protocol's layouts, the way
a client such as FreeTDS sends them; run again only to change the seeds.
"""
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))


def write(fuzzer, name, data):
    folder = os.path.join(HERE, "corpus", fuzzer)
    os.makedirs(folder, exist_ok=True)
    if isinstance(data, str):
        data = data.encode("utf-8")
    with open(os.path.join(folder, name), "wb") as out:
        out.write(data)


def utf16(text):
    return text.encode("utf-16-le")


def packets(kind, payload, size=4096, last_status=0x01):
    """A message cut into packets: type, status, length (BE), spid, id, window."""
    out = b""
    room = size - 8
    chunks = [payload[i:i + room] for i in range(0, len(payload), room)] or [b""]
    for number, chunk in enumerate(chunks, 1):
        status = last_status if number == len(chunks) else 0x00
        out += struct.pack(">BBHHBB", kind, status, 8 + len(chunk), 0, number & 0xFF, 0) + chunk
    return out


def prelogin(with_mars):
    options = [(0x00, bytes([8, 0, 0x07, 0xD7, 0, 0])),  # version
               (0x01, bytes([0x02])),                    # encryption: not supported
               (0x02, b"\x00"),                          # instance
               (0x03, struct.pack(">I", 1234))]          # thread id
    if with_mars:
        options.append((0x04, b"\x00"))
    offset = 5 * len(options) + 1
    table, data = b"", b""
    for token, value in options:
        table += struct.pack(">BHH", token, offset + len(data), len(value))
        data += value
    return table + b"\xff" + data


def scramble(password):
    out = bytearray()
    for b in utf16(password):
        out.append((((b << 4) & 0xF0) | (b >> 4)) ^ 0xA5)
    return bytes(out)


def login7(version, user, password, database, packet_size=4096, integrated=False):
    fixed = 94 if (version >> 24) >= 0x72 else 86
    strings = [("host", utf16("qzhost")), ("user", utf16(user)), ("password", scramble(password)),
               ("app", utf16("qz")), ("server", utf16("127.0.0.1")), ("unused", b""),
               ("library", utf16("DB-Library")), ("language", b""), ("database", utf16(database))]
    pairs, data = b"", b""
    for _, value in strings:
        pairs += struct.pack("<HH", fixed + len(data) if value else 0, len(value) // 2)
        data += value
    flags2 = 0x80 if integrated else 0x00
    head = struct.pack("<IIIII I BBBB II", 0, version, packet_size, 7, 4321, 0, 0xE0, 0x03 | flags2, 0, 0, 0,
                       0x0804)
    record = head + pairs + b"\x00" * 6 + struct.pack("<HH", 0, 0) + struct.pack("<HH", 0, 0)
    if fixed == 94:
        record += struct.pack("<HH", 0, 0) + struct.pack("<I", 0)
    assert len(record) == fixed, len(record)
    record += data
    return struct.pack("<I", len(record)) + record[4:]


def batch(version, sql):
    text = utf16(sql)
    if (version >> 24) < 0x72:
        return text
    # ALL_HEADERS: total length, then one transaction descriptor header.
    header = struct.pack("<IH", 18, 2) + struct.pack("<QI", 0, 1)
    return struct.pack("<I", 4 + len(header)) + header + text


RESTORE = ("Restore DataBase QUENTARO from disk='D:\\Data\\QUENTARO.bak' with replace,  move 'QUENTARO_data' "
           "to 'E:\\Db\\QUENTARO_data.MDF', move 'QUENTARO_log' to 'E:\\Db\\QUENTARO_log.LDF'\r\n")


def main():
    # The launcher's default logon, and its pieces.
    write("fuzz_connection_string", "default",
          "Provider=SQLOLEDB.1;Persist Security Info=True;User ID=sa;Initial Catalog=master;Password=;"
          "Data Source=(local)")
    write("fuzz_connection_string", "quoted",
          "Provider=SQLOLEDB.1;User ID=\"a;b\"\"c\";Password='x''y';Data Source= (local) ;Initial Catalog=master")
    write("fuzz_connection_string", "braces", "Provider=SQLOLEDB;UID={sa};PWD= p;w ;Server=127.0.0.1")
    write("fuzz_connection_string", "logon", b"sa\x00secret;'\"")

    # Program folder, zero byte, target folder.
    write("fuzz_restore_statement", "drives", b"D:\\\x00E:\\Db")
    write("fuzz_restore_statement", "target-slash", b"D:\\\x00E:\\Db\\")
    write("fuzz_restore_statement", "quotes", "D:\\it's\\\x00C:\\QUENTARO's 数据\\".encode("utf-8"))
    write("fuzz_restore_statement", "comments", b"D:\\--x\\/*\\\x00E:\\*/\\;\r\n")

    v74, v71 = 0x74000004, 0x71000001
    write("fuzz_tds_decoder", "prelogin", packets(0x12, prelogin(False)))
    write("fuzz_tds_decoder", "prelogin-mars", packets(0x12, prelogin(True)))
    write("fuzz_tds_decoder", "login7-74", packets(0x10, login7(v74, "sa", "secret", "master")))
    write("fuzz_tds_decoder", "login7-71", packets(0x10, login7(v71, "sa", "", "")))
    write("fuzz_tds_decoder", "login7-72-integrated",
          packets(0x10, login7(0x72090002, "", "", "QUENTARO", 512, True)))
    write("fuzz_tds_decoder", "batch-74-restore", packets(0x01, batch(v74, RESTORE), 512))
    write("fuzz_tds_decoder", "batch-71-select",
          packets(0x01, batch(v71, "select * from master..sysdatabases where name=N'QUENTARO';")))
    write("fuzz_tds_decoder", "conversation",
          packets(0x12, prelogin(True)) + packets(0x10, login7(v74, "sa", "", "master"))
          + packets(0x01, batch(v74, "drop database QUENTARO"))
          + packets(0x01, batch(v74, "set textsize 2147483647"), last_status=0x03)
          + struct.pack(">BBHHBB", 0x06, 0x01, 8, 0, 1, 0))
    write("fuzz_tds_decoder", "raw-login7-73", login7(0x730B0003, "user", "pw", "db"))


if __name__ == "__main__":
    main()
