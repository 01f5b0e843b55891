#!/usr/bin/env python3
# Writes the messages "rendered by Python's email package" of this folder (run once; the outputs
# are committed so that the tests read fixed bytes).
import binascii, email.policy
from email.message import EmailMessage
from email.mime.application import MIMEApplication
from email.mime.multipart import MIMEMultipart
from email.mime.text import MIMEText
from email.utils import make_msgid

png = bytes.fromhex('89504e470d0a1a0a0000000d4948445200000001000000010806000000'
                    '1f15c4890000000d49444154789c6360000000000500010d0a2db40000000049454e44ae426082')

# multipart/alternative with a related image, several charsets in the headers
m = EmailMessage()
m['Subject'] = 'Résumé – Ελληνικά – 日本語'
m['From'] = 'Zoë Ångström <zoe@example.org>'
m['To'] = '"Doe, Jane" <jane@example.com>, Иван <ivan@example.ru>'
m.set_content('Plain text, naïve café.\n')
cid = make_msgid(domain='example.org')
m.add_alternative('<html><body><p>HTML <b>café</b></p><img src="cid:%s"></body></html>\n' % cid[1:-1],
                  subtype='html')
m.get_payload()[1].add_related(png, 'image', 'png', cid=cid, filename='dot.png')
m.add_attachment(b'%PDF-1.4\n\x00\x01\x02binary\r\n', maintype='application', subtype='pdf',
                 filename='Bericht für März.pdf')
open('python-alternative-related.eml', 'wb').write(m.as_bytes(policy=email.policy.SMTP))

# ISO-8859-1 and KOI8-R text parts with quoted-printable and base64
m = MIMEMultipart()
m['Subject'] = '=?koi8-r?B?8NLJ18XU?= and =?iso-8859-1?q?caf=E9?='
m['From'] = 'sender@example.com'
m['To'] = 'rcpt@example.com'
m.attach(MIMEText('Grüße aus Köln\n', 'plain', 'iso-8859-1'))
m.attach(MIMEText('Привет, мир\n', 'plain', 'koi8-r'))
m.attach(MIMEText('中文文本\n', 'plain', 'utf-8'))
open('python-charsets.eml', 'wb').write(m.as_bytes())

# a uuencoded file inside a plain body
data = bytes(range(256)) * 3
lines = ['begin 644 all bytes.bin']
for i in range(0, len(data), 45):
    lines.append(binascii.b2a_uu(data[i:i + 45]).decode().rstrip('\n'))
lines += ['`', 'end']
uu = 'From: a@example.com\r\nTo: b@example.com\r\nSubject: uu\r\nContent-Type: text/plain\r\n\r\n' \
     'See the file below.\r\n\r\n' + '\r\n'.join(lines) + '\r\n'
open('uuencoded-body.eml', 'wb').write(uu.encode())
