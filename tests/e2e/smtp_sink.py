"""An SMTP server that accepts every message and appends "<peer address>
<sender>" to a log for each one:

    python3 smtp_sink.py <log> <port> <address>...

It prints "listening" once the sockets are ready."""

import asyncio
import sys


async def session(reader, writer, log):
    peer, sender = writer.get_extra_info("peername")[0], ""
    writer.write(b"220 sink\r\n")
    while line := await reader.readline():
        verb = line.decode(errors="replace").strip()
        word = verb[:4].upper()
        if word == "DATA":
            writer.write(b"354 go on\r\n")
            while (await reader.readline()) not in (b".\r\n", b""):
                pass
            with open(log, "a") as f:
                f.write(f"{peer} {sender}\n")
        elif word == "MAIL":
            sender = verb.split("<", 1)[1].split(">", 1)[0]
        writer.write(b"221 bye\r\n" if word == "QUIT" else b"250 ok\r\n")
        await writer.drain()
        if word == "QUIT":
            break
    writer.close()


async def main(log, port, addresses):
    servers = [await asyncio.start_server(lambda r, w: session(r, w, log), address, port)
               for address in addresses]
    print("listening", flush=True)
    await asyncio.gather(*(server.serve_forever() for server in servers))


if __name__ == "__main__":
    asyncio.run(main(sys.argv[1], int(sys.argv[2]), sys.argv[3:]))
