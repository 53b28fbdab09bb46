#!/usr/bin/env python3
"""Checks a web album that Quorvane generated.

    check_album.py SITE --album ALBUM [--skin SKIN_FOLDER]

SITE is the folder holding the album's root index.html (the destination
folder, or the album itself when pages are generated beside the pictures);
ALBUM is the album's source folder. Reports, one per line:
- every link or reference (href, src, srcset, CSS url()) that does not name a
  file of the site: missing targets, folders, absolute paths, paths that leave
  the site, missing #fragments, and anything a page would load from the internet;
- every HTML error that html-validate finds in the site's pages;
- every picture or movie of the album whose files in the site (the copy of the
  source, its inter_ and its thm_ image) are not all referenced from pages
  reachable from the root index.html;
- every <script> element, event-handler attribute (onclick=...) and
  javascript: URL that is not the skin's own: album data (names, comments,
  Exif text) must never become markup. With --skin SKIN_FOLDER, a script
  loaded from a copy of one of the skin's files, and inline code or handlers
  whose text stands in the skin's scripts, are the skin's own; without it,
  nothing is.

Exits 0 when there is nothing to report, 1 when there is, 2 on bad usage or
when html-validate is not installed (tools/install-deps.sh installs it).
"""

import argparse
import os
import posixpath
import re
import subprocess
import sys
from html.parser import HTMLParser
from urllib.parse import unquote, urlsplit

PICTURE_EXTENSIONS = (".jpg", ".jpeg")
MOVIE_EXTENSIONS = (".avi", ".mpg", ".mpeg", ".wmv")
GENERATED_PREFIXES = ("thm_", "inter_")

# Attributes that hold one URL. Links (a, area) are followed; everything else
# is loaded by the browser with the page.
URL_ATTRIBUTES = {
    "a": ("href",),
    "area": ("href",),
    "link": ("href",),
    "img": ("src",),
    "script": ("src",),
    "source": ("src",),
    "video": ("src", "poster"),
    "audio": ("src",),
    "track": ("src",),
    "iframe": ("src",),
    "embed": ("src",),
    "object": ("data",),
}
NAVIGATION_TAGS = ("a", "area")
SCRIPTABLE_URL_ATTRIBUTES = ("href", "src", "action", "formaction", "data", "poster", "xlink:href")
CSS_URL = re.compile(r"""url\(\s*(['"]?)([^'")]*)\1\s*\)|@import\s+(['"])([^'"]*)\3""")

TOOLS_DIR = os.path.dirname(os.path.abspath(__file__))


class Reference:
    def __init__(self, source, line, tag, url):
        self.source = source  # site-relative path of the page or stylesheet
        self.line = line
        self.tag = tag
        self.url = url.strip()

    @property
    def navigates(self):
        return self.tag in NAVIGATION_TAGS


class PageParser(HTMLParser):
    """Collects a page's references and the ids a fragment may name."""

    def __init__(self, source):
        super().__init__(convert_charrefs=True)
        self.source = source
        self.references = []
        self.ids = set()
        self.active = []  # (line, what, code): scripts, handlers, javascript: URLs
        self.script = None  # [line, src, text] of the <script> being read

    def handle_starttag(self, tag, attrs):
        line = self.getpos()[0]
        if tag == "script":
            self.script = [line, dict(attrs).get("src"), ""]
        for name, value in attrs:
            if name.startswith("on"):
                self.active.append((line, f"event handler {name}=", value or ""))
            if value is None:
                continue
            # Browsers drop tabs and line breaks anywhere in a URL.
            url = value.strip().lower().replace("\t", "").replace("\n", "").replace("\r", "")
            if name in SCRIPTABLE_URL_ATTRIBUTES and url.startswith("javascript:"):
                self.active.append((line, "javascript: URL", value))
            if name == "id" or (name == "name" and tag == "a"):
                self.ids.add(value)
            if name in URL_ATTRIBUTES.get(tag, ()):
                self.references.append(Reference(self.source, line, tag, value))
            if name == "srcset" and tag in ("img", "source"):
                for candidate in value.split(","):
                    if candidate.strip():
                        self.references.append(Reference(self.source, line, tag, candidate.split()[0]))

    handle_startendtag = handle_starttag

    def handle_data(self, data):
        if self.script is not None:
            self.script[2] += data

    def handle_endtag(self, tag):
        if tag == "script" and self.script is not None:
            line, src, text = self.script
            if src is not None:
                self.active.append((line, "<script src>", src))
            else:
                self.active.append((line, "<script>", text))
            self.script = None


class Checker:
    def __init__(self, site, album, skin=None):
        self.site = os.path.realpath(site)
        self.album = os.path.realpath(album)
        self.skin = os.path.realpath(skin) if skin else None
        self.problems = []
        self.pages = {}  # site-relative path -> PageParser
        self.reference_count = 0

    def report(self, where, message):
        self.problems.append(f"{where}: {message}")

    def read_text(self, relative):
        with open(os.path.join(self.site, relative), encoding="utf-8", errors="replace") as file:
            return file.read()

    def page(self, relative):
        if relative not in self.pages:
            parser = PageParser(relative)
            parser.feed(self.read_text(relative))
            parser.close()
            self.pages[relative] = parser
        return self.pages[relative]

    def site_pages(self):
        found = []
        for folder, subfolders, files in os.walk(self.site):
            subfolders.sort()
            for name in sorted(files):
                if name.lower().endswith((".html", ".htm")):
                    found.append(os.path.relpath(os.path.join(folder, name), self.site).replace(os.sep, "/"))
        return found

    def resolve(self, reference):
        """The site-relative file a reference names, or None after reporting
        why it names none. Fragments are checked here too."""
        where = f"{reference.source}:{reference.line}" if reference.line else reference.source
        url = reference.url
        parts = urlsplit(url)
        if parts.scheme or parts.netloc or url.startswith("//"):
            if parts.scheme in ("http", "https", "") and not reference.navigates:
                self.report(where, f"loads {url} from the internet")
            return None
        path = unquote(parts.path)
        if path.startswith("/"):
            self.report(where, f"{url} is an absolute path, which breaks from file:// and in a subfolder")
            return None
        if not path:
            target = reference.source
        else:
            target = posixpath.normpath(posixpath.join(posixpath.dirname(reference.source), path))
            if target == ".." or target.startswith("../"):
                self.report(where, f"{url} leads out of the album")
                return None
            full = os.path.join(self.site, target)
            if os.path.isdir(full):
                self.report(where, f"{url} names a folder; name its index.html, as file:// needs")
                return None
            if not os.path.isfile(full):
                self.report(where, f"{url} does not exist")
                return None
        if parts.fragment and target.lower().endswith((".html", ".htm")):
            if unquote(parts.fragment) not in self.page(target).ids:
                self.report(where, f"{url}: {target} has no element with id \"{unquote(parts.fragment)}\"")
        return target

    def check_links(self):
        """Checks every page's references, and the stylesheets they load;
        returns the targets of each page."""
        targets = {}
        stylesheets = set()
        for relative in self.site_pages():
            page_targets = []
            for reference in self.page(relative).references:
                self.reference_count += 1
                target = self.resolve(reference)
                if target is None:
                    continue
                page_targets.append((reference, target))
                if target.lower().endswith(".css"):
                    stylesheets.add(target)
            targets[relative] = page_targets
        self.stylesheet_targets = {sheet: self.check_stylesheet(sheet) for sheet in sorted(stylesheets)}
        return targets

    def check_stylesheet(self, relative):
        found = []
        text = self.read_text(relative)
        for match in CSS_URL.finditer(text):
            url = match.group(2) if match.group(2) is not None else match.group(4)
            if not url or url.startswith("data:"):
                continue
            line = text.count("\n", 0, match.start()) + 1
            self.reference_count += 1
            target = self.resolve(Reference(relative, line, "css", url))
            if target is not None:
                found.append(target)
        return found

    def reachable_files(self, targets):
        """Everything the pages reachable from the root index refer to."""
        referenced = set()
        start = "index.html"
        if start not in targets:
            self.report("index.html", "the album has no root index page")
            return referenced
        seen = {start}
        queue = [start]
        while queue:
            page = queue.pop()
            for reference, target in targets.get(page, ()):
                referenced.add(target)
                referenced.update(self.stylesheet_targets.get(target, ()))
                if reference.navigates and target in targets and target not in seen:
                    seen.add(target)
                    queue.append(target)
        return referenced

    def album_media(self):
        """The album's pictures and movies, as album-relative paths."""
        pictures, movies = [], []
        for folder, subfolders, files in os.walk(self.album):
            # A destination folder inside the album is not part of it.
            subfolders[:] = sorted(
                name for name in subfolders
                if os.path.realpath(os.path.join(folder, name)) != self.site or self.site == self.album)
            for name in sorted(files):
                lower = name.lower()
                if lower.startswith(GENERATED_PREFIXES):
                    continue
                relative = os.path.relpath(os.path.join(folder, name), self.album).replace(os.sep, "/")
                if lower.endswith(PICTURE_EXTENSIONS):
                    pictures.append(relative)
                elif lower.endswith(MOVIE_EXTENSIONS):
                    movies.append(relative)
        return pictures, movies

    def check_reachable(self, referenced):
        pictures, movies = self.album_media()
        for picture in pictures:
            folder, name = posixpath.split(picture)
            files = [posixpath.join(folder, prefix + name) for prefix in ("", "inter_", "thm_")]
            present = [file for file in files if os.path.isfile(os.path.join(self.site, file))]
            if not present:
                self.report(picture, "the site has neither a copy nor a thumbnail of this picture")
            for file in present:
                if file not in referenced:
                    self.report(file, "is not reachable from index.html")
        for movie in movies:
            if os.path.isfile(os.path.join(self.site, movie)) and movie not in referenced:
                self.report(movie, "is not reachable from index.html")
        return len(pictures), len(movies)

    def skin_script_text(self):
        text = ""
        if self.skin:
            for name in sorted(os.listdir(self.skin)):
                if name.lower().endswith(".qvs"):
                    with open(os.path.join(self.skin, name), encoding="utf-8", errors="replace") as file:
                        text += file.read().replace('\\"', '"')
        return text

    def is_skins_file(self, page, url):
        """Whether url, loaded from page, is a copy of a file of the skin."""
        if not self.skin or urlsplit(url).scheme or urlsplit(url).netloc:
            return False
        target = posixpath.normpath(posixpath.join(posixpath.dirname(page), unquote(urlsplit(url).path)))
        copy = os.path.join(self.site, target)
        original = os.path.join(self.skin, posixpath.basename(target))
        if not (os.path.isfile(copy) and os.path.isfile(original)):
            return False
        with open(copy, "rb") as one, open(original, "rb") as other:
            return one.read() == other.read()

    def check_active_content(self):
        """Reports script the pages hold that the skin did not write."""
        skin_text = self.skin_script_text()
        for relative in sorted(self.pages):
            for line, what, code in self.page(relative).active:
                if what == "<script src>":
                    if self.is_skins_file(relative, code):
                        continue
                elif code.strip() and code.strip() in skin_text:
                    continue
                shown = code if len(code) <= 60 else code[:57] + "..."
                self.report(f"{relative}:{line}", f"{what} that is not the skin's own: {shown!r}")

    def validate_html(self, validator):
        pages = sorted(self.pages)
        if not pages:
            return
        command = [validator, "--config", os.path.join(TOOLS_DIR, "htmlvalidate.json"), "--formatter", "text"]
        result = subprocess.run(command + [os.path.join(self.site, page) for page in pages],
                                capture_output=True, text=True, check=False)
        if result.returncode == 0:
            return
        lines = [line for line in result.stdout.splitlines() if line.strip()]
        if not lines:
            lines = [f"html-validate failed: {result.stderr.strip()}"]
        for line in lines:
            self.problems.append(line.replace(self.site + os.sep, ""))


def main():
    parser = argparse.ArgumentParser(description="Checks the links, HTML and completeness of a web album.")
    parser.add_argument("site", help="the folder holding the album's root index.html")
    parser.add_argument("--album", required=True, help="the album's source folder")
    parser.add_argument("--skin", help="the skin folder the pages were made with: its own scripts are allowed")
    parser.add_argument("--html-validate", default=os.path.join(TOOLS_DIR, "node_modules", ".bin", "html-validate"),
                        help="the html-validate program (default: the one tools/install-deps.sh installs)")
    arguments = parser.parse_args()

    for folder in (arguments.site, arguments.album) + ((arguments.skin,) if arguments.skin else ()):
        if not os.path.isdir(folder):
            print(f"check_album: not a folder: {folder}", file=sys.stderr)
            return 2
    if not os.access(arguments.html_validate, os.X_OK):
        print(f"check_album: {arguments.html_validate} is missing; run tools/install-deps.sh", file=sys.stderr)
        return 2

    checker = Checker(arguments.site, arguments.album, arguments.skin)
    targets = checker.check_links()
    picture_count, movie_count = checker.check_reachable(checker.reachable_files(targets))
    checker.check_active_content()
    checker.validate_html(arguments.html_validate)

    for problem in checker.problems:
        print(problem)
    summary = (f"{len(checker.pages)} pages, {checker.reference_count} references, "
               f"{picture_count} pictures, {movie_count} movies")
    if checker.problems:
        print(f"{summary}: {len(checker.problems)} problems")
        return 1
    print(f"{summary}: no problems")
    return 0


if __name__ == "__main__":
    sys.exit(main())
