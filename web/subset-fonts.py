#!/usr/bin/python3
"""Makes the page's web fonts: for each TrueType font, a small WOFF2 subset with the glyphs the
first screens draw (Latin, the component's texts in every language, the page and the bundled
places), and the whole font as WOFF2 for the rest, which the page loads only when a text needs
a character outside the subset. Writes fonts.json with the subset's Unicode range, which the
page gives its subset faces, and the range of the rest, which the whole fonts' faces get:
the browser fetches a whole font only for a text with a character outside the subset.

    subset-fonts.py OUT_DIR TEXT_FILE... -- FONT.ttf...
"""
import json
import logging
import os
import sys

from fontTools import subset
from fontTools.ttLib import TTFont

# Latin, general punctuation, currency signs, arrows and the shapes the controls use.
BASE = [(0x20, 0x7E), (0xA0, 0x24F), (0x2000, 0x206F), (0x20A0, 0x20BF), (0x2190, 0x21FF),
        (0x2630, 0x2630), (0x25A0, 0x25FF)]


def ranges(codepoints):
    """U+ ranges for the CSS unicode-range descriptor, merged where consecutive."""
    out, start, last = [], None, None
    for c in sorted(codepoints):
        if start is None:
            start = last = c
        elif c == last + 1:
            last = c
        else:
            out.append((start, last))
            start = last = c
    if start is not None:
        out.append((start, last))
    return ', '.join(f'U+{a:X}' if a == b else f'U+{a:X}-{b:X}' for a, b in out)


def main():
    if '--' not in sys.argv[2:]:
        sys.exit(__doc__)
    split = sys.argv.index('--')
    out_dir, texts, fonts = sys.argv[1], sys.argv[2:split], sys.argv[split + 1:]
    wanted = set()
    for a, b in BASE:
        wanted.update(range(a, b + 1))
    for path in texts:
        with open(path, encoding='utf-8') as f:
            wanted.update(ord(c) for c in f.read() if ord(c) >= 0x20)
    logging.getLogger('fontTools').setLevel(logging.ERROR)  # tables it drops by design
    os.makedirs(out_dir, exist_ok=True)
    covered = None
    anywhere = set()  # characters some whole font has
    for path in fonts:
        name = os.path.splitext(os.path.basename(path))[0]
        options = subset.Options()
        options.flavor = 'woff2'
        options.layout_features = ['*']  # the same shaping, so the same widths, as the whole font
        options.name_IDs = ['*']
        options.notdef_outline = True
        font = TTFont(path)
        cmap = set(font.getBestCmap())
        anywhere |= cmap
        subsetter = subset.Subsetter(options)
        subsetter.populate(unicodes=sorted(wanted & cmap))
        subsetter.subset(font)
        subset.save_font(font, os.path.join(out_dir, name + '-subset.woff2'), options)
        # Characters every style has: one range serves the four faces.
        covered = (wanted & cmap) if covered is None else covered & cmap
        whole = TTFont(path)
        whole.flavor = 'woff2'
        whole.save(os.path.join(out_dir, name + '.woff2'))
    with open(os.path.join(out_dir, 'fonts.json'), 'w', encoding='utf-8') as f:
        covered = covered or set()
        rest = anywhere - covered  # other characters are in none of the fonts: no fetch
        json.dump({'subsetRange': ranges(covered), 'restRange': ranges(rest)}, f)
        f.write('\n')


if __name__ == '__main__':
    main()
