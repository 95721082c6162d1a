#!/usr/bin/env python3
"""The demo: the launcher under Wine with the fake game as its game. The game
raises its error window several times at random moments; the launcher presses
"&Continue" each time. Prints what happened, then cleans up.

    demo.py --build DIR [--arch x86|x64] [--seed N]
"""
import argparse
import os
import random
import sys

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
sys.path.insert(0, os.path.join(ROOT, "tests", "e2e"))
import e2e  # noqa: E402


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--build", required=True)
    parser.add_argument("--arch", choices=["x86", "x64"],
                        default="x64" if e2e.x86_emulated() else "x86")
    parser.add_argument("--seed", type=int, default=random.randrange(1, 1 << 30))
    parser.add_argument("--windows", type=int, default=4)
    args = parser.parse_args()

    build = os.path.abspath(args.build)
    if args.arch == "x64" and e2e.x86_emulated():
        print("(32-bit programs run emulated on this machine, slowly: the demo runs the same\n"
              " launcher built for 64-bit Windows; --arch x86 runs the 32-bit one, in minutes)")
    with e2e.wine_session(build, args.arch, "demo") as c:
        print(f"qm2.exe ({args.arch}): {c.config.qm2}")
        log = c.path("game.log")
        print(f"game: fakegame.exe, {args.windows} error windows at random moments "
              f"(seed {args.seed}), then exits with status 7")
        report = c.launch(c.qm2 + b" " + c.game + b" +modPath mods/qm2",
                          e2e.game_env(log=log, mode="random", count=args.windows, min=300,
                                       max=2500, seed=args.seed, after=300, exit=7,
                                       layout="after"))
        shown = None
        for when, words in e2e.read_log(log):
            if words[0] == "shown":
                shown = when
            elif words[:3] == ["send", "continue", "WM_LBUTTONDOWN"] and shown is not None:
                print(f"  error window: pressed after {when - shown:6.1f} ms")
                shown = None
            elif words[0] == "closed":
                print("  error window: closed by the click")
            elif words[0] == "exit":
                print(f"game's exit status: {words[1]}")
        print(f"launcher's exit status: {report.get('exit')}")
        if "box" in report:
            print(f"failure box: {bytes.fromhex(report['box'])!r}")
    return 0 if report.get("exit") == "0" else 1


if __name__ == "__main__":
    sys.exit(main())
