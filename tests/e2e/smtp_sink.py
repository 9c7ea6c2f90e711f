"""A small SMTP server that accepts every message and records, for each one,
the address the client connected from and the envelope sender:

    python3 smtp_sink.py <log> <port> <address>...

One line "<peer address> <sender>" is appended to <log> per message. The
line "listening" on standard output says the sockets are ready."""

import asyncio
import sys


async def session(reader, writer, log):
    peer = writer.get_extra_info("peername")[0]
    sender = ""

    def reply(text):
        writer.write(text.encode() + b"\r\n")

    reply("220 sink ESMTP")
    while True:
        line = await reader.readline()
        if not line:
            break
        verb = line.decode(errors="replace").strip()
        word = verb.split(" ", 1)[0].split(":", 1)[0].upper()
        if word == "DATA":
            reply("354 go on")
            while (await reader.readline()) not in (b".\r\n", b".\n", b""):
                pass
            with open(log, "a") as f:
                f.write(f"{peer} {sender}\n")
            reply("250 accepted")
        elif word == "MAIL":
            sender = verb.split(":", 1)[1].strip().strip("<>").split(">")[0]
            reply("250 ok")
        elif word == "QUIT":
            reply("221 bye")
            break
        else:
            reply("250 sink" if word in ("EHLO", "HELO") else "250 ok")
        await writer.drain()
    await writer.drain()
    writer.close()


async def main(log, port, addresses):
    servers = [await asyncio.start_server(lambda r, w: session(r, w, log), address, port)
               for address in addresses]
    print("listening", flush=True)
    await asyncio.gather(*(server.serve_forever() for server in servers))


if __name__ == "__main__":
    asyncio.run(main(sys.argv[1], int(sys.argv[2]), sys.argv[3:]))
