# SPDX-License-Identifier: MIT
"""Long searches: a signal stops one in the main thread at once, with the error its handler
raises, and searches in two threads run at the same time, each with its own answer."""
import concurrent.futures
import os
import signal
import threading
import time

import pytest

import spanfold
from instances import pairwise, zhang_points

# Some eight seconds of search here, far longer than any test waits.
LONG = pairwise(zhang_points(21))


class Timeout(Exception):
    pass


def raise_timeout(signum, frame):
    raise Timeout("too long")


@pytest.mark.parametrize("signum, handler, error", [
    (signal.SIGINT, signal.default_int_handler, KeyboardInterrupt),  # Ctrl-C
    (signal.SIGALRM, raise_timeout, Timeout),  # a time limit set with signal.alarm, say
])
def test_a_signal_stops_a_long_search(signum, handler, error):
    previous = signal.signal(signum, handler)
    sent = []

    def send():
        sent.append(time.monotonic())
        os.kill(os.getpid(), signum)

    timer = threading.Timer(0.3, send)
    try:
        timer.start()
        with pytest.raises(error):
            spanfold.solve(LONG, seed=0)
        waited = time.monotonic() - sent[0]
    finally:
        timer.cancel()
        signal.signal(signum, previous)
    # The search looks every 50 ms; the rest is the scheduler's, on a busy machine.
    assert waited < 0.5, f"the search went on {waited:.3f} s after the signal"
    # Nothing of the interrupted search is left over.
    assert spanfold.solve([2, 3, 5]).solutions == [(0, 2, 5), (0, 3, 5)]


def test_two_searches_at_once():
    hard = pairwise(zhang_points(18))  # half a second each
    alone = [spanfold.solve(hard, seed=seed) for seed in (1, 2)]
    running = threading.Barrier(3)
    ended = {}

    def search(seed):
        running.wait()
        result = spanfold.solve(hard, seed=seed)
        ended[seed] = time.monotonic()
        return result

    with concurrent.futures.ThreadPoolExecutor(2) as pool:
        futures = [pool.submit(search, seed) for seed in (1, 2)]
        running.wait()
        time.sleep(0.1)
        # This thread runs Python while both search: a search that held the interpreter's
        # lock would keep it from running until that search had ended.
        probed = time.monotonic()
        together = [f.result() for f in futures]
    assert probed < min(ended.values()) - 0.05
    for a, b in zip(alone, together):
        assert (a.solutions, a.visited_nodes, a.stopped_by) == \
               (b.solutions, b.visited_nodes, b.stopped_by)
