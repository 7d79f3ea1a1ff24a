#!/usr/bin/python3
"""A mail server for the tests, on loopback: aiosmtpd receiving, each mail
appended as one JSON line (envelope recipients, decoded subject and body) to
DIR/mails.jsonl; each log-in's outcome is a line of DIR/logins.txt.

    smtp_sink.py PORT DIR [--user USER --password PASSWORD]
                 [--starttls CERT KEY | --tls CERT KEY]
"""
import argparse
import email
import email.policy
import json
import os
import signal
import ssl

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
    parser = argparse.ArgumentParser()
    parser.add_argument('port', type=int)
    parser.add_argument('folder')
    parser.add_argument('--user')
    parser.add_argument('--password')
    parser.add_argument('--starttls', nargs=2, metavar=('CERT', 'KEY'))
    parser.add_argument('--tls', nargs=2, metavar=('CERT', 'KEY'))
    args = parser.parse_args()
    options = {}
    if args.user:
        user, password = args.user.encode(), (args.password or '').encode()

        def check(server, session, envelope, mechanism, data):
            ok = isinstance(data, LoginPassword) and data.login == user and data.password == password
            with open(os.path.join(args.folder, 'logins.txt'), 'a', encoding='utf-8') as out:
                out.write('ok\n' if ok else 'refused\n')
            return AuthResult(success=ok, handled=False)
        # With --tls the whole session is encrypted, but aiosmtpd counts only
        # STARTTLS as TLS for AUTH.
        options.update(authenticator=check, auth_required=True,
                       auth_require_tls=bool(args.starttls))
    for pair, key in ((args.starttls, 'tls_context'), (args.tls, 'ssl_context')):
        if pair:
            context = ssl.create_default_context(ssl.Purpose.CLIENT_AUTH)
            context.load_cert_chain(pair[0], pair[1])
            options[key] = context
            if key == 'tls_context':
                options['require_starttls'] = True
    controller = Controller(Sink(os.path.join(args.folder, 'mails.jsonl')), hostname='127.0.0.1',
                            port=args.port, **options)
    controller.start()
    print('ready', flush=True)
    signal.sigwait({signal.SIGTERM, signal.SIGINT})
    controller.stop()


if __name__ == '__main__':
    signal.pthread_sigmask(signal.SIG_BLOCK, {signal.SIGTERM, signal.SIGINT})
    main()
