"""Reader and checker for the split gold files (dev.txt, held_out.txt).

Usage:
    python3 gold.py dev.txt held_out.txt      # validate and print counts
    python3 gold.py --list dev.txt            # one line per paragraph

As a module:
    from gold import read_gold
    for p in read_gold("dev.txt"):
        p.text       # the paragraph, marks removed
        p.accepted   # set of break offsets a reviewer accepts
        p.vetoed     # offsets after a clause mark that are NOT accepted
        p.comments   # the '#' lines above the paragraph

An offset k is the break between p.text[k-1] and p.text[k].  A break at a
space is written before the space (offset of the space); use
p.normalise(k) on a break offset from elsewhere before looking it up,
which maps "just after a space" to "just before it".
"""
import sys
from dataclasses import dataclass, field

# Marks that end a clause or sentence.  ASCII , ; : ! ? . only count when
# followed by whitespace or the end of the paragraph (so 3.5, 10:30 and
# A1:A10 are not clause marks).
CLAUSE_MARKS = set("，、；：。！？…")
ASCII_MARKS = set(",;:!?.")
# Closing quotes and brackets that stay with the mark before them: the
# conventional break after a mark moves past them.
CLOSERS = set("”’」』》）)]】〉\"'")

LONG = 20    # a clause longer than this must be cut inside
MEDIUM = 10  # clauses of MEDIUM..LONG are marked too


@dataclass
class Paragraph:
    comments: list
    marked: str
    text: str = ""
    accepted: set = field(default_factory=set)   # marked '|' offsets
    vetoed: set = field(default_factory=set)     # '#' after a mark
    conventional: set = field(default_factory=set)  # after marks, not vetoed
    line: int = 0

    def normalise(self, k):
        if 0 < k < len(self.text) and self.text[k - 1] == " ":
            return k - 1
        return k

    def is_acceptable(self, k):
        k = self.normalise(k)
        return k in self.accepted or k in self.conventional

    def clauses(self):
        """(start, end) of each clause: stretches between marks, trimmed."""
        out, start = [], 0
        for i in mark_offsets(self.text):
            out.append((start, i))
            start = i + 1
        out.append((start, len(self.text)))
        res = []
        for s, e in out:
            while s < e and self.text[s] in " " + "".join(CLOSERS):
                s += 1
            while e > s and self.text[e - 1] == " ":
                e -= 1
            if e > s:
                res.append((s, e))
        return res


def mark_offsets(text):
    """Offsets of clause/sentence marks in text."""
    out = []
    for i, c in enumerate(text):
        if c in CLAUSE_MARKS:
            out.append(i)
        elif c in ASCII_MARKS and (i + 1 == len(text) or text[i + 1].isspace()):
            out.append(i)
    return out


def after_mark(text, i):
    """Break offset conventionally accepted after the mark at i."""
    k = i + 1
    while k < len(text) and text[k] in CLOSERS:
        k += 1
    return k


def parse(marked, lineno=0):
    errors = []
    text, accepted, vetoes_at = [], set(), []
    for j, c in enumerate(marked):
        if c == "|":
            k = len(text)
            if k == 0:
                errors.append("'|' at start")
            elif text[-1] == " ":
                errors.append(f"'|' after a space at {k}")
            elif k in accepted:
                errors.append(f"double '|' at {k}")
            accepted.add(k)
        elif c == "#":
            vetoes_at.append(len(text))
        else:
            text.append(c)
    text = "".join(text)
    marks = mark_offsets(text)
    conventional = {after_mark(text, i) for i in marks}
    conventional.discard(len(text))
    vetoed = set()
    for k in vetoes_at:
        if k not in conventional:
            errors.append(f"'#' at {k} is not right after a clause mark")
        vetoed.add(k)
    conventional -= vetoed
    for k in sorted(accepted):
        if k >= len(text):
            errors.append("'|' at end")
        if k in conventional or k in vetoed:
            errors.append(f"'|' at {k} right after a clause mark (redundant)")
    return text, accepted, vetoed, conventional, errors


def read_gold(path):
    paras, comments = [], []
    with open(path, encoding="utf-8") as f:
        for n, raw in enumerate(f, 1):
            line = raw.rstrip("\n")
            if not line.strip():
                comments = []
                continue
            if line.startswith("#"):
                comments.append(line)
                continue
            text, acc, vet, conv, errs = parse(line, n)
            if errs:
                raise ValueError(f"{path}:{n}: " + "; ".join(errs))
            paras.append(Paragraph(comments, line, text, acc, vet, conv, n))
            comments = []
    return paras


def stats(paras):
    s = dict(paragraphs=len(paras), characters=0, clauses=0,
             clauses_over_20=0, clauses_10_to_20=0, paragraphs_with_long=0,
             marks=0, marks_in_long=0, marks_in_medium=0, vetoes=0,
             long_without_mark=0, fortunes=0, own=0)
    for p in paras:
        s["characters"] += len(p.text)
        s["marks"] += len(p.accepted)
        s["vetoes"] += len(p.vetoed)
        src = " ".join(p.comments)
        if "fortunes-zh" in src:
            s["fortunes"] += 1
        elif "own writing" in src:
            s["own"] += 1
        has_long = False
        for a, b in p.clauses():
            n = b - a
            inside = [k for k in p.accepted if a < k < b]
            s["clauses"] += 1
            if n > LONG:
                has_long = True
                s["clauses_over_20"] += 1
                s["marks_in_long"] += len(inside)
                if not inside:
                    s["long_without_mark"] += 1
            elif n >= MEDIUM:
                s["clauses_10_to_20"] += 1
                s["marks_in_medium"] += len(inside)
        s["paragraphs_with_long"] += has_long
    return s


def check_paragraph(p):
    problems = []
    if not 40 <= len(p.text) <= 300:
        problems.append(f"length {len(p.text)} outside 40-300")
    if not any(c.startswith("# source:") for c in p.comments):
        problems.append("no '# source:' comment")
    return problems


def main(argv):
    listing = "--list" in argv
    files = [a for a in argv if not a.startswith("--")]
    if not files:
        print(__doc__)
        return 2
    bad = 0
    total = []
    for path in files:
        paras = read_gold(path)
        for p in paras:
            for prob in check_paragraph(p):
                print(f"{path}:{p.line}: {prob}")
                bad += 1
            if listing:
                longest = max(b - a for a, b in p.clauses())
                print(f"{path}:{p.line}: len={len(p.text)} longest_clause={longest} "
                      f"marks={len(p.accepted)} vetoes={len(p.vetoed)}")
        total += paras
        print(path, stats(paras))
    if len(files) > 1:
        print("all", stats(total))
    return 1 if bad else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
