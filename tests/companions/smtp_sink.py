"""A local SMTP server for the mailer's tests.

Listens on 127.0.0.1 on a port the system picks and prints "PORT <n>".
Every connection appends a line to OUTDIR/connections; every accepted
message is decoded by Python's own e-mail package (not by the mailer's
code) into OUTDIR/<n>/: envelope sender and recipients, the To, Cc and
Subject headers, the text, and each attachment's bytes, name and type.
The files are written before the server accepts the message, so they are
complete when the mailer ends.

With "silent" after OUTDIR the server takes the whole message and then
never answers again, as a server that hangs after the body.
"""

import asyncio
import email
import email.policy
import os
import sys

from aiosmtpd.smtp import SMTP


class Recorder:
    def __init__(self, out, silent):
        self.out = out
        self.silent = silent
        self.count = 0

    async def handle_DATA(self, server, session, envelope):
        if self.silent:
            # Holds the connection's command loop: the QUIT that follows
            # gets no answer either.
            await asyncio.Event().wait()
        self.count += 1
        folder = os.path.join(self.out, str(self.count))
        os.mkdir(folder)

        def write(name, data):
            if isinstance(data, str):
                data = data.encode()
            with open(os.path.join(folder, name), "wb") as f:
                f.write(data)

        message = email.message_from_bytes(envelope.content, policy=email.policy.default)
        write("mail_from", envelope.mail_from)
        write("rcpt_tos", "\n".join(envelope.rcpt_tos))
        for header in ("To", "Cc", "Subject"):
            write(header.lower(), str(message[header] or ""))
        body = message.get_body(preferencelist=("plain",))
        write("body", body.get_content() if body is not None else "")
        for index, part in enumerate(message.iter_attachments()):
            write("attachment%d" % index, part.get_payload(decode=True))
            write("attachment%d_name" % index, part.get_filename() or "")
            write("attachment%d_type" % index, part.get_content_type())
        return "250 OK"


class CountingSMTP(SMTP):
    def connection_made(self, transport):
        with open(os.path.join(self.event_handler.out, "connections"), "a") as f:
            f.write("connection\n")
        super().connection_made(transport)


async def serve(out, silent):
    recorder = Recorder(out, silent)
    loop = asyncio.get_running_loop()
    server = await loop.create_server(lambda: CountingSMTP(recorder), "127.0.0.1", 0)
    print("PORT", server.sockets[0].getsockname()[1], flush=True)
    await server.serve_forever()


if __name__ == "__main__":
    asyncio.run(serve(sys.argv[1], sys.argv[2:] == ["silent"]))
