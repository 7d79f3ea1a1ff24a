#!/usr/bin/python3
"""A mail server for the tests, on loopback: aiosmtpd receiving, each mail
appended as one JSON line (envelope recipients, decoded subject and body) to
DIR/mails.jsonl; each log-in's outcome is a line of DIR/logins.txt.

    smtp_sink.py PORT DIR [USER PASSWORD]
"""
import asyncio
import email
import email.header
import email.policy
import json
import os
import signal
import sys

from aiosmtpd.controller import Controller
from aiosmtpd.smtp import AuthResult, LoginPassword


class Sink:
    def __init__(self, path):
        self.path = path

    async def handle_DATA(self, server, session, envelope):
        message = email.message_from_bytes(envelope.content, policy=email.policy.default)
        line = {
            'to': list(envelope.rcpt_tos),
            'from': envelope.mail_from,
            'subject': str(message['subject']),
            'body': message.get_content(),
        }
        with open(self.path, 'a', encoding='utf-8') as out:
            out.write(json.dumps(line, ensure_ascii=False) + '\n')
        return '250 OK queued'


def main():
    port, folder = int(sys.argv[1]), sys.argv[2]
    options = {}
    if len(sys.argv) > 4:
        user, password = sys.argv[3].encode(), sys.argv[4].encode()

        def check(server, session, envelope, mechanism, data):
            ok = isinstance(data, LoginPassword) and data.login == user and data.password == password
            with open(os.path.join(folder, 'logins.txt'), 'a', encoding='utf-8') as out:
                out.write('ok\n' if ok else 'refused\n')
            return AuthResult(success=ok, handled=False)
        options = {'authenticator': check, 'auth_require_tls': False, 'auth_required': True}
    controller = Controller(Sink(os.path.join(folder, 'mails.jsonl')), hostname='127.0.0.1',
                            port=port, **options)
    controller.start()
    print('ready', flush=True)
    signal.sigwait({signal.SIGTERM, signal.SIGINT})
    controller.stop()


if __name__ == '__main__':
    signal.pthread_sigmask(signal.SIG_BLOCK, {signal.SIGTERM, signal.SIGINT})
    main()
