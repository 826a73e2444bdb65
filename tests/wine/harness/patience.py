"""How long a test waits for what it needs before it fails.

The figures written in the tests are what an idle machine takes, with room to spare. A loaded one
(two cores, other tests and a build beside them) takes several times that, so every wait is
stretched by PATIENCE here, in one place. A wait only bounds a test that is failing anyway: what a
test asserts comes from the journals (the order and count of calls, the product's own times as the
journals record them), never from how soon something happened."""

PATIENCE = 4

# The driver's commands whose one number is how long, in ms, they wait for something.
_WAITS = {"wait-dialog", "wait-msgbox", "wait-exit"}


def seconds(usual):
    """A wait of `usual` seconds, stretched."""
    return usual * PATIENCE


def driver_words(words):
    """The driver's command line with every wait stretched; returns it and the longest time (s) all
    its waits may take together."""
    out, total_ms = [], 0
    for index, word in enumerate(words):
        if index > 0 and words[index - 1] in _WAITS:
            word = str(int(word) * PATIENCE)
            total_ms += int(word)
        elif index > 0 and words[index - 1] == "sleep":
            total_ms += int(word)
        out.append(word)
    return out, total_ms / 1000
