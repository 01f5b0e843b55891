#!/usr/bin/env python3
# Reads one MIME message and prints what Python's email package makes of it, one line per leaf:
# content type, file name and the SHA-256 of the decoded payload (text parts: of their UTF-8
# text, line ends made LF), then the root's header names and decoded values.
import email, email.policy, hashlib, sys

data = open(sys.argv[1], 'rb').read()
msg = email.message_from_bytes(data, policy=email.policy.default)
for part in msg.walk():
    if part.is_multipart():
        print('multipart', part.get_content_type())
        continue
    ctype = part.get_content_type()
    name = part.get_filename() or ''
    if part.get_content_maintype() == 'text' and part.get_content_disposition() != 'attachment':
        try:
            text = part.get_content()
        except Exception:
            text = part.get_payload(decode=True).decode('latin-1')
        payload = text.replace('\r\n', '\n').encode('utf-8')
    else:
        payload = part.get_payload(decode=True) or b''
    print('leaf', ctype, repr(name), hashlib.sha256(payload).hexdigest(), len(payload))
for key, value in msg.items():
    print('header', key, repr(str(value)))
print('defects', len(msg.defects))
