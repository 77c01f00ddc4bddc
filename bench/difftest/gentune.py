#!/usr/bin/env python3
"""gentune.py SEED OUTDIR: write a random valid tune directory (deterministic per seed).

Every command appears: notes with accidentals and octaves, w(period)length,
rests, l, o, v, n (envelope/tremolo), s (sweep/vibrato), i, p, "*", comments,
blank lines, upper-case letters; files end with or without a line end, and
now and then a channel file is empty.  Each channel is budgeted to a few
seconds of audio so that a tune stays well under 10 seconds.
"""
import os
import random
import sys

PRINTABLE = "abcdefghijklmnopqrstuvwxyz ABCXYZ0123456789#-/~.()*;:!?,'\"\t\r"
SEMI = {'c': 0, 'd': 2, 'e': 4, 'f': 5, 'g': 7, 'a': 9, 'b': 11}


def num(rng, value):
    """A number, sometimes with leading zeros."""
    s = str(value)
    if rng.random() < 0.08:
        s = "0" * rng.randint(1, 2) + s
    return s


def fraction(rng):
    k = rng.random()
    if k < 0.1:
        return "."
    if k < 0.2:
        return "." + "9" * rng.randint(7, 10)
    if k < 0.5:
        return rng.choice([".5", ".25", ".75", ".125", ".9", ".1", ".33", ".0", ".05"])
    return "." + "".join(rng.choice("0123456789") for _ in range(rng.randint(1, 6)))


def letter(rng, c):
    return c.upper() if rng.random() < 0.15 else c


class Channel:
    def __init__(self, rng, index, nch):
        self.rng = rng
        self.index = index
        self.nch = nch
        self.octave = 3
        self.unitlen = 44100
        self.budget = rng.randint(5000, 130000)  # frames
        self.used = 0
        # only some files get the deliberate corner cases (period 0, run 0),
        # so that a disagreement there does not mask everything else
        self.edgy = rng.random() < 0.2

    def length(self):
        """A length number (possibly absent) that stays within the budget."""
        rng = self.rng
        left = max(0, self.budget - self.used)
        maxlen = left // self.unitlen if self.unitlen else 0
        k = rng.random()
        if k < 0.1 or maxlen == 0:
            text, n = rng.choice([("", 0), ("0", 0)])
        else:
            n = rng.randint(1, min(maxlen, 12))
            text = num(rng, n)
        self.used += max(1, self.unitlen * n)
        return text

    def command(self):
        rng = self.rng
        kind = rng.choices(
            ['note', 'w', 'r', 'l', 'o', 'v', 'n', 's', 'i', 'p', '*', ';', 'blank'],
            weights=[30, 6, 6, 5, 5, 5, 5, 5, 4, 4, 3, 2, 2])[0]
        if kind == 'note':
            c = rng.choice("cdefgab")
            acc = "".join(rng.choice("#-") for _ in range(rng.choice([0, 0, 0, 1, 1, 2, 3])))
            idx = self.octave * 12 + SEMI[c] + acc.count('#') - acc.count('-')
            if not 0 <= idx <= 83:
                acc = ""
            return letter(rng, c) + acc + self.length()
        if kind == 'w':
            k = rng.random()
            if self.edgy and k < 0.05:
                period = rng.choice(["0", ""])  # a cycle of 0: defined silence
            elif k < 0.15:
                period = str(rng.randint(1, 10))
            else:
                period = num(rng, rng.randint(1, 3000))
            return letter(rng, 'w') + "(" + period + ")" + self.length()
        if kind == 'r':
            return letter(rng, 'r') + self.length()
        if kind == 'l':
            self.unitlen = rng.randint(100, 8000)
            return letter(rng, 'l') + num(rng, self.unitlen)
        if kind == 'o':
            self.octave = rng.randint(0, 6)
            return letter(rng, 'o') + num(rng, self.octave)
        if kind == 'v':
            if rng.random() < 0.05:
                return letter(rng, 'v')
            return letter(rng, 'v') + num(rng, rng.randint(0, 300))
        if kind in 'ns':
            neg = "-" if rng.random() < 0.4 else ""
            if kind == 'n':
                rise = rng.randint(0, 300) if rng.random() < 0.1 else rng.randint(0, 60)
            else:
                rise = rng.randint(0, 50)
            rise_text = "" if rng.random() < 0.05 else num(rng, rise)
            sep = rng.choice("/~")
            k = rng.random()
            if self.edgy and k < 0.08:
                run = ""  # a run of 0: modulation off
            elif k < 0.3:
                run = num(rng, rng.randint(1, 20))
            else:
                run = num(rng, rng.randint(1, 2000))
            return letter(rng, kind) + neg + rise_text + sep + run
        if kind in 'ip':
            return letter(rng, kind) + fraction(rng)
        if kind == '*':
            k = rng.random()
            if k < 0.15:
                return "*"
            if k < 0.25:
                return "*" + str(rng.randint(self.nch, 9))
            return "*" + str(rng.randrange(self.nch))
        if kind == ';':
            text = "".join(rng.choice(PRINTABLE) for _ in range(rng.randint(0, 20)))
            return ";" + text + "\n"
        return "\n" * rng.randint(1, 3)

    def text(self):
        rng = self.rng
        if rng.random() < 0.06:
            return ""
        out = []
        if rng.random() < 0.3:
            out.append("; channel %d\n" % self.index)
        while self.used < self.budget and len(out) < 400:
            out.append(self.command())
            out.append(rng.choice(["", "", " ", " ", "  ", "\n"]))
        text = "".join(out)
        k = rng.random()
        if k < 0.15:
            text += ";" + "last line comment"  # comment without final line end
        elif k < 0.55:
            text = text.rstrip("\n ") + "\n"
        else:
            text = text.rstrip("\n ")
        return text


def main():
    seed = int(sys.argv[1])
    outdir = sys.argv[2]
    rng = random.Random(seed)
    os.makedirs(outdir, exist_ok=True)
    nch = rng.randint(1, 4)
    waves = [(-1 if rng.random() < 0.05 else rng.randint(0, 4)) for _ in range(nch)]
    seps = [rng.choice([" ", "\n", "  ", "\t", " \n"]) for _ in range(nch)]
    index = str(nch) + "".join(s + str(w) for s, w in zip(seps, waves)) + rng.choice(["\n", "", " \n"])
    with open(os.path.join(outdir, "channels.txt"), "w") as fh:
        fh.write(index)
    for c in range(nch):
        with open(os.path.join(outdir, "channel%d.wlk" % c), "w", newline="") as fh:
            fh.write(Channel(rng, c, nch).text())


if __name__ == "__main__":
    main()
