#!/usr/bin/env python3
"""Checks a finished gallery folder the way a browser would meet it.

    check_gallery.py <gallery folder>

Prints "page <file> <thumbnails>" for every index*.html, then one line per problem:
"missing <page or style sheet> <link>" for a link to no file, "not-utf8 <page>",
"bare-lf <page>" for a line end that is not CR LF, "unparsed <page> <error>". Exits 1 when there
is any problem."""

import html.parser
import os
import re
import sys
import urllib.parse


class Links(html.parser.HTMLParser):
    def __init__(self):
        super().__init__(convert_charrefs=True)
        self.links = []
        self.thumbnails = 0

    def handle_starttag(self, tag, attrs):
        attrs = dict(attrs)
        for name in ("href", "src"):
            if attrs.get(name):
                self.links.append(attrs[name])
        if tag == "img" and (attrs.get("src") or "").startswith("thumbs/"):
            self.thumbnails += 1


def local(link):
    parts = urllib.parse.urlsplit(link)
    if parts.scheme or parts.netloc or not parts.path:
        return None
    return urllib.parse.unquote(parts.path)


def main():
    folder = sys.argv[1]
    problems = []
    pages = sorted(name for name in os.listdir(folder) if re.fullmatch(r"index\d*\.html", name))
    sheets = set()
    for page in pages:
        data = open(os.path.join(folder, page), "rb").read()
        if re.search(rb"(?<!\r)\n", data):
            problems.append("bare-lf %s" % page)
        try:
            text = data.decode("utf-8")
        except UnicodeDecodeError:
            problems.append("not-utf8 %s" % page)
            continue
        parser = Links()
        try:
            parser.feed(text)
            parser.close()
        except Exception as error:  # the parser is forgiving; anything it raises is a problem
            problems.append("unparsed %s %s" % (page, error))
            continue
        print("page %s %d" % (page, parser.thumbnails))
        for link in parser.links:
            path = local(link)
            if path is None:
                continue
            target = os.path.normpath(os.path.join(folder, path))
            if not os.path.isfile(target):
                problems.append("missing %s %s" % (page, link))
            elif target.endswith(".css"):
                sheets.add(target)
    for sheet in sorted(sheets):
        text = open(sheet, encoding="utf-8").read()
        for link in re.findall(r"url\(\s*['\"]?([^'\")]+)['\"]?\s*\)", text):
            path = local(link)
            if path is not None and not os.path.isfile(os.path.join(os.path.dirname(sheet), path)):
                problems.append("missing %s %s" % (os.path.relpath(sheet, folder), link))
    for problem in problems:
        print(problem)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
