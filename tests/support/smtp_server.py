"""A real SMTP server (aiosmtpd) for the tests, on a free loopback port.

It records what it receives in the folder given by --record:
  port                 the port it listens on (also printed on stdout, first line)
  transcript.txt       one line per event, in order: "* connect", "C: <command line>",
                       "S: <reply line>", "* close", and "! <fault>" when a client spoke
                       before the reply it was waiting for was complete
  message-N.envelope   "from: <sender>" then one "to: <recipient>" line per recipient
  message-N.raw        the DATA bytes as they came over the wire (dot-stuffed)
  message-N.eml        the same after the server took the stuffing off

It runs with aiosmtpd's stock limits. Modes make it misbehave on purpose: a refused
recipient, a reply of our choosing to a command or to the message (END-OF-DATA), a
connection closed or left unanswered at a command (CONNECT: at once), a last reply without
its line end before a close, replies that end with LF alone, the greeting and EHLO replies
cut inside lines and sent in pieces, an EHLO reply made long, and the stricter path syntax
of other servers (sender and recipients in angle brackets, no empty recipient).

From bash:
  /usr/bin/python3 tests/support/smtp_server.py --record "$dir" &
  until [ -s "$dir/port" ]; do sleep 0.1; done; port=$(cat "$dir/port")
"""

import argparse
import asyncio
import logging
import os
import re
import signal
import sys

from aiosmtpd.smtp import SMTP

PAUSE = 0.15  # between the pieces of a split reply: long enough for each to arrive alone
END_OF_DATA = "END-OF-DATA"  # not a command: the line "." that ends the message
PATH = {"MAIL": (re.compile(r"FROM:\s*<[^<>\s]*>(\s|$)", re.I),
                 "553 5.1.0 Sender address syntax error"),
        "RCPT": (re.compile(r"TO:\s*<[^<>\s]+>(\s|$)", re.I),
                 "501 5.1.3 Recipient address syntax error")}


class Record:
    def __init__(self, folder):
        self.folder = folder
        self.messages = 0

    def path(self, name):
        return os.path.join(self.folder, name)

    def line(self, text):
        with open(self.path("transcript.txt"), "a", encoding="latin-1", newline="") as f:
            f.write(text + "\n")

    def message(self, envelope, raw):
        self.messages += 1
        n = self.messages
        with open(self.path(f"message-{n}.raw"), "wb") as f:
            f.write(raw)
        with open(self.path(f"message-{n}.eml"), "wb") as f:
            f.write(envelope.original_content)
        lines = ["from: " + (envelope.mail_from or "")]
        lines += ["to: " + r for r in envelope.rcpt_tos]
        with open(self.path(f"message-{n}.envelope"), "w", encoding="latin-1") as f:
            f.write("\n".join(lines) + "\n")
        return n


class Handler:
    def __init__(self, options, record):
        self.options = options
        self.record = record

    async def handle_EHLO(self, server, session, envelope, hostname, responses):
        session.host_name = hostname
        wanted = self.options.ehlo_length
        padding = 0
        while sum(len(r) + 2 for r in responses) < wanted:
            padding += 1
            responses.insert(-1, f"250-X-PADDING-{padding} " + "x" * 60)
        return responses

    async def handle_RCPT(self, server, session, envelope, address, rcpt_options):
        if address in self.options.refuse_rcpt:
            return f"550 5.1.1 <{address}>: Recipient address rejected"
        envelope.rcpt_tos.append(address)
        return "250 OK"

    async def handle_DATA(self, server, session, envelope):
        n = self.record.message(envelope, b"".join(server.raw_data))
        server.raw_data = []
        if END_OF_DATA in self.options.hang_on:
            await asyncio.Event().wait()
        return self.options.reply.get(END_OF_DATA, f"250 OK message {n} queued")


class TestSMTP(SMTP):
    def __init__(self, handler, options, record, **kwargs):
        super().__init__(handler, hostname="quorvel-test", ident="test", **kwargs)
        self.options = options
        self.record = record
        self.in_data = False
        self.raw_data = []
        self.batch = None
        self.split_next = False
        for verb, method in list(self._smtp_methods.items()):
            self._smtp_methods[verb] = self._misbehaving(verb, method)
        verbs = {*options.reply, *options.reply_close, *options.close_on, *options.hang_on}
        for verb in verbs - {END_OF_DATA}:
            if verb not in self._smtp_methods:
                self._smtp_methods[verb] = self._misbehaving(verb, None)

    def _misbehaving(self, verb, method):
        async def call(arg):
            if verb in self.options.close_on:
                self.transport.close()
                return
            if verb in self.options.hang_on:
                await asyncio.Event().wait()
            if verb in self.options.reply_close:
                text = self.options.reply_close[verb]
                self.record.line("S: " + text)
                self._writer.write(text.encode("latin-1"))
                await self._writer.drain()
                self.transport.close()
                return
            if self.options.strict_paths and verb in PATH:
                pattern, refusal = PATH[verb]
                if not pattern.match(arg or ""):
                    await self.push(refusal)
                    return
            if verb in self.options.reply:
                await self.push(self.options.reply[verb])
                return
            if method is None:
                await self.push(f'500 Error: command "{verb}" not recognized')
                return
            await method(arg)

        return call

    def connection_made(self, transport):
        self.record.line("* connect")
        super().connection_made(transport)

    def connection_lost(self, error):
        self.record.line("* close")
        super().connection_lost(error)

    def _client_connected_cb(self, reader, writer):
        super()._client_connected_cb(reader, writer)
        read_line = reader.readuntil

        async def readuntil(separator=b"\n"):
            line = await read_line(separator)
            if self.in_data:
                if line == b".\r\n":
                    self.in_data = False
                else:
                    self.raw_data.append(line)
            else:
                self.record.line("C: " + line.rstrip(b"\r\n").decode("latin-1"))
            return line

        reader.readuntil = readuntil

    async def _handle_client(self):
        if "CONNECT" in self.options.close_on:
            self.transport.close()
            return
        if "CONNECT" in self.options.hang_on:
            try:
                await asyncio.Event().wait()
            except asyncio.CancelledError:  # the client went away
                self._writer.close()
                raise
        self.split_next = self.options.split
        await super()._handle_client()

    async def smtp_EHLO(self, hostname):
        self.batch = []
        try:
            await super().smtp_EHLO(hostname)
        finally:
            lines, self.batch = self.batch, None
        await self._send(lines, self.options.split)

    async def push(self, status):
        text = status if isinstance(status, str) else status.decode("latin-1")
        self.record.line("S: " + text)
        if text.startswith("354"):
            self.in_data = True
        if self.batch is not None:
            self.batch.append(text)
            return
        split, self.split_next = self.split_next, False
        await self._send([text], split)

    async def _send(self, lines, split):
        if not lines:
            return
        end = b"\n" if self.options.bare_lf else b"\r\n"
        pieces = [b"".join(line.encode("latin-1") + end for line in lines)]
        if split:
            pieces = cut_inside_lines(lines, end)
        for i, piece in enumerate(pieces):
            if i > 0:
                await asyncio.sleep(PAUSE)
                if self._reader._buffer:
                    self.record.line("! the client spoke before the reply was complete")
            self._writer.write(piece)
            await self._writer.drain()


def cut_inside_lines(lines, end):
    """The reply cut in the middle of every line: no piece but the last ends a reply."""
    pieces, carry = [], b""
    for line in lines:
        data = line.encode("latin-1") + end
        middle = max(1, len(line) // 2)
        pieces.append(carry + data[:middle])
        carry = data[middle:]
    pieces.append(carry)
    return pieces


def parse_arguments():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--record", required=True, help="folder for what is received")
    parser.add_argument("--refuse-rcpt", action="append", default=[], metavar="ADDRESS")
    parser.add_argument("--reply", action="append", default=[], metavar="VERB=LINE",
                        help="answer VERB (EHLO, MAIL, QUIT, END-OF-DATA...) with LINE")
    parser.add_argument("--reply-close", action="append", default=[], metavar="VERB=TEXT",
                        help="answer VERB with TEXT and no line end, then close")
    parser.add_argument("--close-on", action="append", default=[], metavar="VERB",
                        help="close the connection, without a reply, on VERB or CONNECT")
    parser.add_argument("--hang-on", action="append", default=[], metavar="VERB",
                        help="never answer VERB (or END-OF-DATA), or say nothing at all with "
                             "CONNECT")
    parser.add_argument("--bare-lf", action="store_true",
                        help="end every reply line with LF alone")
    parser.add_argument("--strict-paths", action="store_true",
                        help="refuse a sender or recipient not in angle brackets, or an "
                             "empty recipient")
    parser.add_argument("--split", action="store_true",
                        help="send the greeting and the EHLO reply in pieces")
    parser.add_argument("--ehlo-length", type=int, default=0,
                        help="pad the EHLO reply to at least this many bytes")
    options = parser.parse_args()
    options.reply = verb_lines(options.reply)
    options.reply_close = verb_lines(options.reply_close)
    options.close_on = [v.upper() for v in options.close_on]
    options.hang_on = [v.upper() for v in options.hang_on]
    return options


def verb_lines(items):
    lines = {}
    for item in items:
        verb, _, line = item.partition("=")
        lines[verb.upper()] = line
    return lines


async def serve(options):
    record = Record(options.record)
    handler = Handler(options, record)
    loop = asyncio.get_running_loop()
    server = await loop.create_server(
        lambda: TestSMTP(handler, options, record, loop=loop), host="127.0.0.1", port=0)
    port = server.sockets[0].getsockname()[1]
    temporary = record.path("port.tmp")
    with open(temporary, "w") as f:
        f.write(f"{port}\n")
    os.replace(temporary, record.path("port"))
    print(port, flush=True)

    stop = loop.create_future()
    for sig in (signal.SIGTERM, signal.SIGINT):
        loop.add_signal_handler(sig, lambda: stop.done() or stop.set_result(None))
    async with server:
        await asyncio.wait([stop, loop.create_task(orphaned())],
                           return_when=asyncio.FIRST_COMPLETED)


async def orphaned():
    """Returns once whatever started the server is gone, so that none outlives its test."""
    parent = os.getppid()
    while os.getppid() == parent:
        await asyncio.sleep(0.5)


def main():
    options = parse_arguments()
    logging.getLogger("mail.log").setLevel(logging.ERROR)  # misbehaving clients are the point
    os.makedirs(options.record, exist_ok=True)
    asyncio.run(serve(options))
    return 0


if __name__ == "__main__":
    sys.exit(main())
