#!/usr/bin/env python3
"""End-to-end tests: the real launcher under Wine, against the fake game's real
windows in other processes.

    e2e.py --env DIR --bin DIR --qm2 EXE CASE

DIR (--env) is a Wine environment made by tests/wine/wine-env.sh; --bin holds
driver.exe and fakegame.exe; EXE is the launcher under test. Each CASE is one
CTest test. Every Wine run has a time-out, and nothing is left running.
"""
import argparse
import contextlib
import os
import re
import shutil
import signal
import struct
import subprocess
import sys
import threading
import time
import types

CASES = {}


def case(fn):
    CASES[fn.__name__] = fn
    return fn


def fail(message):
    raise AssertionError(message)


def expect_eq(actual, expected, what):
    if actual != expected:
        fail(f"{what}: expected {expected!r}, got {actual!r}")


def load_env(env_dir):
    env = {}
    with open(os.path.join(env_dir, "env")) as f:
        for line in f:
            line = line.strip()
            if line.startswith("export "):
                key, _, value = line[len("export "):].partition("=")
                env[key] = value.strip("'")
    return env


def winpath(path):
    """The Windows name of a Unix path, as ANSI bytes (Wine's drive Z: is /)."""
    return ("Z:" + os.path.abspath(path).replace("/", "\\")).encode("cp1252")


class Case:
    """A folder of its own for one case, with the programs copied in.

    `config` names the Wine environment folder (env), the fixtures' folder
    (bin), the launcher under test (qm2), its architecture (arch) and the
    time-out of one launch in seconds (timeout)."""

    def __init__(self, name, config):
        self.config = config
        self.wine = load_env(config.env)
        self.dir = os.path.join(config.env, "cases", f"{name}-{config.arch}")
        shutil.rmtree(self.dir, ignore_errors=True)
        os.makedirs(self.dir)
        for exe in ("driver.exe", "fakegame.exe"):
            shutil.copy(os.path.join(config.bin, exe), self.dir)
        self.game = winpath(os.path.join(self.dir, "fakegame.exe"))
        self.qm2 = self.place_launcher("qm2.exe")
        self.others = []

    def path(self, name):
        return os.path.join(self.dir, name)

    def place_launcher(self, relative):
        target = os.path.join(self.dir, relative)
        os.makedirs(os.path.dirname(target), exist_ok=True)
        shutil.copy(self.config.qm2, target)
        return winpath(target)

    def environment(self, game):
        env = dict(os.environ)
        env.update(self.wine)
        env.update({k: str(v) for k, v in game.items()})
        return env

    def launch(self, command_line, game=None, timeout_ms=None, stderr_path=None):
        """Starts the launcher through the driver with this exact command line
        (bytes) and returns what the driver reports."""
        timeout_ms = timeout_ms or self.config.timeout * 1000
        out = self.path("driver.out")
        if os.path.exists(out):
            os.remove(out)
        line = self.path("command-line.bin")
        with open(line, "wb") as f:
            f.write(command_line)
        subprocess.run(
            [self.wine["WINE"], self.path("driver.exe"), "--out", winpath(out).decode("cp1252"),
             "--timeout", str(timeout_ms), "--run-file", winpath(line).decode("cp1252")],
            env=self.environment(game or {}), stdin=subprocess.DEVNULL,
            stdout=subprocess.DEVNULL,
            stderr=open(stderr_path, "wb") if stderr_path else subprocess.DEVNULL,
            timeout=timeout_ms / 1000 + 120, check=False)
        return read_report(out)

    # Wine's system texts are its own ("Success." for 0, say, where Windows
    # has other words), so the expected box text is built from what
    # FormatMessageA gives for the code under the same Wine.
    def system_text(self, code):
        out = self.path("format.out")
        subprocess.run(
            [self.wine["WINE"], self.path("driver.exe"), "--out", winpath(out).decode("cp1252"),
             "--format", str(code)],
            env=self.environment({}), stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
            stderr=subprocess.DEVNULL, timeout=300, check=False)
        return bytes.fromhex(read_report(out)["text"])

    def start_other(self, until, **settings):
        """Starts a fake game of its own, not the launcher's child, and
        returns its log once the log shows the event `until`."""
        log = self.path("other.log")
        process = subprocess.Popen(
            [self.wine["WINE"], self.path("fakegame.exe")],
            env=self.environment(game_env(log=log, **settings)), stdin=subprocess.DEVNULL,
            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.others.append(process)
        wait_for_event(log, until, 120)
        return log

    def close(self):
        """Ends whatever this case started and left running."""
        for process in self.others:
            if process.poll() is None:
                process.kill()
            process.wait(timeout=30)
        for name in (self.dir, winpath(self.dir).decode("cp1252")):
            for pid in processes_of(self, re.escape(name)):
                try:
                    os.kill(pid, signal.SIGKILL)
                except OSError:
                    pass


def x86_emulated():
    """Whether 32-bit programs run under qemu's emulator here."""
    return os.path.exists("/proc/sys/fs/binfmt_misc/qemu-i386")


@contextlib.contextmanager
def wine_session(build, arch, name):
    """A Wine environment of its own in the build folder `build`, and a Case
    in it for the launcher built there for `arch`; all of it is stopped and
    ended afterwards."""
    env_dir = os.path.join(build, f"{name}-env")
    wine_env = os.path.join(os.path.dirname(os.path.dirname(os.path.abspath(__file__))),
                            "wine", "wine-env.sh")
    subprocess.run(["bash", wine_env, "start", env_dir], check=True, stdout=subprocess.DEVNULL,
                   timeout=600)
    try:
        config = types.SimpleNamespace(
            env=env_dir, bin=os.path.join(build, "windows64", "tests", "e2e"),
            qm2=os.path.join(build, "windows" if arch == "x86" else "windows64", "qm2.exe"),
            arch=arch, timeout=900)
        c = Case(name, config)
        try:
            yield c
        finally:
            c.close()
    finally:
        subprocess.run(["bash", wine_env, "stop", env_dir], timeout=120)


def read_report(path):
    if not os.path.exists(path):
        fail("the driver wrote no report")
    report = {}
    with open(path) as f:
        for line in f:
            key, _, value = line.strip().partition(" ")
            report[key] = value
    return report


def read_log(path):
    """The fake game's log as (time in ms, words) pairs."""
    if not os.path.exists(path):
        return []
    entries = []
    with open(path, encoding="latin-1") as f:
        for line in f:
            words = line.split()
            entries.append((float(words[0]), words[1:]))
    return entries


def sends(log):
    """The messages that reached the buttons from another thread, in order,
    as (button, message, wParam, lParam)."""
    return [tuple(words[1:5]) for _, words in log if words[0] == "send"]


def wait_for_event(log, event, seconds):
    """Waits until the fake game's log shows `event`."""
    wait_for(lambda: any(w[0] == event for _, w in read_log(log)), seconds,
             f"'{event}' in {os.path.basename(log)}")


def wait_for(predicate, seconds, what):
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        if predicate():
            return
        time.sleep(0.05)
    fail(f"timed out waiting for {what}")


def game_env(log=None, echo=None, **settings):
    env = {f"FAKEGAME_{key.upper()}": value for key, value in settings.items()}
    if log:
        env["FAKEGAME_LOG"] = winpath(log).decode("cp1252")
    if echo:
        env["FAKEGAME_ECHO"] = winpath(echo).decode("cp1252")
    return env


def expect_clean_exit(report):
    expect_eq(report.get("exit"), "0", "launcher's exit status")
    if "box" in report:
        fail(f"unexpected failure box: {bytes.fromhex(report['box'])!r}")


PRESS = [("WM_LBUTTONDOWN", "0", "0"), ("WM_LBUTTONUP", "0", "0"), ("BM_SETSTATE", "1", "0")]


def launch_game(c, log_name="game.log", **settings):
    """Runs the fake game with `settings` through the launcher, expects the
    launcher to end cleanly, and returns its report and the game's log."""
    log = c.path(log_name)
    report = c.launch(c.qm2 + b" " + c.game, game_env(log=log, **settings))
    expect_clean_exit(report)
    return report, read_log(log)


def expect_pressed(got, button, what):
    """The first messages that reached the buttons are one press of `button`."""
    if got[:len(PRESS)] != [(button,) + m for m in PRESS]:
        fail(f"{what}: the first messages were {got[:2 * len(PRESS)]}")


# ---------------------------------------------------------------------------


@case
def tail_reaches_the_game_byte_for_byte(c):
    # How the launcher's own name is written, and what follows it; the game
    # must see exactly what follows the name and the blanks after it.
    tail = c.game + b'  "a  b"\tc  '
    forms = [
        (b'"%s" \t  ', "Quill Marsh/qm2.exe"),
        (b"%s ", "caf\u00e9/qm2.exe"),
        (b'"%s"\t', "Quill Marsh/caf\u00e9 d\u00e9j\u00e0/qm2.exe"),
    ]
    for name_form, relative in forms:
        launcher = c.place_launcher(relative)
        echo = c.path("echo.txt")
        if os.path.exists(echo):
            os.remove(echo)
        report = c.launch(name_form % launcher + tail, game_env(echo=echo, exit=3))
        expect_clean_exit(report)
        with open(echo, "rb") as f:
            expect_eq(f.read(), tail, f"the game's command line, launcher {relative}")


@case
def game_status_does_not_become_the_launchers(c):
    _, log = launch_game(c, mode="exit", delay=300, exit=3)
    expect_eq(log[-1][1], ["exit", "3"], "the game's own end")


@case
def a_game_that_cannot_start_is_reported(c):
    # A program that does not exist, an empty tail, and a tail of blanks.
    for what, line in [("missing program", c.qm2 + b" Z:\\no\\such\\game.exe -x"),
                       ("empty tail", c.qm2), ("only blanks", c.qm2 + b"  \t \x01 ")]:
        # Which code the system gives is its own business (Wine refuses an
        # empty command line with 2, the file not found): the box and the exit
        # status must agree with it.
        report = c.launch(line)
        status = report.get("exit")
        if status in (None, "0", "timeout"):
            fail(f"{what}: exit status {status!r}")
        code = int(status)
        expected = b"CreateProcess failed: " + c.system_text(code)
        expect_eq(bytes.fromhex(report.get("box", "")), expected, f"{what}: the box's text")
        expect_eq(report.get("icon"), "1", f"{what}: the box's icon")
        expect_eq(report.get("owner"), "0", f"{what}: the box's owner")


# The error window's layouts: which button alone must be pressed.
LAYOUTS = {
    "first": "continue",
    "after": "continue",
    "nested": "nested",
    "nearmiss": "continue",
    "empty": "continue",
    "two": "first",
}


@case
def only_the_exact_continue_button_is_pressed_again_and_again(c):
    for layout, button in LAYOUTS.items():
        _, log = launch_game(c, f"{layout}.log", mode="stay", layout=layout, delay=200, hold=1500)
        got = sends(log)
        pressed = {s[0] for s in got}
        expect_eq(pressed, {button}, f"{layout}: the buttons that got messages")
        messages = [s[1:] for s in got]
        if len(messages) < 2 * len(PRESS):
            fail(f"{layout}: pressed fewer than twice while the window stayed: {messages}")
        full = len(messages) - len(messages) % len(PRESS)
        expect_eq(messages[:full], PRESS * (full // len(PRESS)), f"{layout}: the messages")


@case
def the_dialog_closes_on_the_click(c):
    _, log = launch_game(c, mode="close", layout="after", delay=300, after=200)
    events = [w[0] for _, w in log]
    for event in ("shown", "clicked", "closed"):
        if event not in events:
            fail(f"no '{event}' in the game's log: {events}")
    expect_eq(sends(log)[:2], [("continue",) + PRESS[0], ("continue",) + PRESS[1]],
              "the first messages")


@case
def a_window_of_another_process_is_pressed(c):
    other_log = c.start_other("shown", mode="stay", hold=20000)
    launch_game(c, mode="exit", delay=1000)
    expect_pressed(sends(read_log(other_log)), "continue", "the other process's window")


@case
def a_hung_window_does_not_hold_the_launcher(c):
    c.start_other("hanging", mode="hang", hold=120000)
    report, log = launch_game(c, mode="exit", delay=2000)
    game_end = log[-1][0]
    late = float(report["ended"]) - game_end
    # Three sends of a second at most each, and room for a loaded machine.
    if late > 15000:
        fail(f"the launcher ended {late:.0f} ms after its game")


@case
def a_window_rebuilt_every_few_milliseconds(c):
    _, log = launch_game(c, mode="rebuild", labels=60, period=5, hold=6000)
    summary = [w for _, w in log if w[0] == "rebuilt"]
    if not summary:
        fail("the game did not finish its rebuilds")
    builds, presses = int(summary[0][1]), int(summary[0][3])
    if builds < 10 or presses < 1:
        fail(f"{builds} windows built, {presses} pressed")


@case
def long_command_lines(c):
    # A tail of 32,000 characters reaches the game whole.
    tail = c.game + b" " + b"x" * (32000 - len(c.game) - 1)
    echo = c.path("echo.txt")
    report = c.launch(c.qm2 + b" " + tail, game_env(echo=echo))
    expect_clean_exit(report)
    with open(echo, "rb") as f:
        expect_eq(f.read(), tail, "the game's 32,000-character command line")
    # The longest line the system takes, 32,766 characters and the
    # terminator: the launcher passes its tail on whole. One character more
    # and the system refuses to start the launcher itself, so no tail that
    # the launcher is given can be too long for its own start of the game.
    line = c.qm2 + b" " + c.game + b" "
    line += b"y" * (32766 - len(line))
    os.remove(echo)
    report = c.launch(line, game_env(echo=echo))
    expect_clean_exit(report)
    with open(echo, "rb") as f:
        expect_eq(f.read(), line[len(c.qm2) + 1:], "the game's 32,766-character line")
    expect_eq(c.launch(line + b"y").get("driver-error"), "CreateProcessA 87",
              "starting the launcher with 32,767 characters")


@case
def a_game_killed_from_outside(c):
    log = c.path("game.log")
    result = {}
    launch = threading.Thread(target=lambda: result.update(
        c.launch(c.qm2 + b" " + c.game, game_env(log=log, mode="exit", delay=600000))))
    launch.start()
    wait_for_event(log, "started", c.config.timeout)
    pids = processes_of(c, r"^[^ ]*fakegame\.exe")  # the game, not the launcher
    if len(pids) != 1:
        fail(f"expected one game process, found {pids}")
    killed = time.monotonic()
    os.kill(pids[0], signal.SIGKILL)
    launch.join(60)
    if launch.is_alive():
        fail("the launcher did not end after its game was killed")
    expect_clean_exit(result)
    late = time.monotonic() - killed
    if late > 20:
        fail(f"the launcher ended {late:.1f} s after its game was killed")


def processes_of(c, pattern):
    """The Linux processes of this Wine environment whose command line matches
    the regular expression `pattern`."""
    found = subprocess.run(["pgrep", "-f", pattern], capture_output=True, text=True)
    prefix = f"WINEPREFIX={c.wine['WINEPREFIX']}".encode()
    pids = []
    for pid in (int(p) for p in found.stdout.split()):
        try:
            with open(f"/proc/{pid}/environ", "rb") as f:
                if prefix in f.read().split(b"\0"):
                    pids.append(pid)
        except OSError:
            pass
    return pids


@case
def windows_destroyed_mid_walk_hundreds_of_times(c):
    _, entries = launch_game(c, mode="rebuild", labels=8, period=0, hold=8000, final=2000)
    summary = [w for _, w in entries if w[0] == "rebuilt"]
    if not summary or int(summary[0][1]) < 100:
        fail(f"too few rebuilds to tell: {summary}")
    final = [when for when, w in entries if w[0] == "final"]
    if not final:
        fail("the game showed no window that stayed")
    after = [tuple(w[1:5]) for when, w in entries if when > final[0] and w[0] == "send"]
    expect_pressed(after, "continue", "the window that stayed")


@case
def a_thousand_descendants(c):
    _, log = launch_game(c, mode="stay", layout="labels", labels=1000, hold=3000)
    expect_pressed(sends(log), "continue", "the button after 1000 labels")


def image_range(path):
    """The address range that a PE file's image takes when loaded."""
    with open(path, "rb") as f:
        data = f.read(4096)
    pe = struct.unpack_from("<I", data, 0x3C)[0]
    optional = pe + 24
    magic = struct.unpack_from("<H", data, optional)[0]
    if magic == 0x10B:
        base = struct.unpack_from("<I", data, optional + 28)[0]
    else:
        base = struct.unpack_from("<Q", data, optional + 24)[0]
    size = struct.unpack_from("<I", data, optional + 56)[0]
    return base, base + size


# Everything the launcher itself may call.
OWN_CALLS = {
    "GetCommandLineA", "IsDBCSLeadByte", "SetProcessWorkingSetSize", "CreateProcessA",
    "WaitForSingleObject", "CloseHandle", "GetLastError", "SetLastError", "FormatMessageA",
    "ExitProcess", "FindWindowA", "EnumChildWindows", "GetWindowTextA", "SendMessageTimeoutA",
    "MessageBoxA",
}


@case
def the_launcher_opens_no_file_or_registry_key(c):
    # Wine's relay trace logs every call into its DLLs with the caller's
    # return address; the calls from inside the launcher's image are its own.
    trace = c.path("relay.log")
    report = c.launch(c.qm2 + b" " + c.game,
                      dict(game_env(mode="close", delay=300), WINEDEBUG="+pid,+relay"),
                      stderr_path=trace)
    expect_clean_exit(report)
    low, high = image_range(c.config.qm2)
    calls = set()
    with open(trace, "rb") as f:
        for line in f:
            if b":Call " not in line or b" ret=" not in line:
                continue
            ret = int(line.rsplit(b" ret=", 1)[1].strip(), 16)
            if low <= ret < high:
                calls.add(line.split(b":Call ", 1)[1].split(b"(", 1)[0].split(b".")[-1].decode())
    for needed in ("CreateProcessA", "WaitForSingleObject", "GetWindowTextA"):
        if needed not in calls:
            fail(f"the trace shows no {needed} of the launcher's: {sorted(calls)}")
    expect_eq(calls - OWN_CALLS, set(), "calls of the launcher's beyond its own operations")


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--env", required=True)
    parser.add_argument("--bin", required=True)
    parser.add_argument("--qm2", required=True)
    parser.add_argument("--arch", default="x86")
    parser.add_argument("--timeout", type=int, default=60, help="seconds for one launch")
    parser.add_argument("case", choices=sorted(CASES) + ["list"])
    args = parser.parse_args()
    if args.case == "list":
        print(";".join(CASES))
        return 0
    c = Case(args.case, args)
    try:
        CASES[args.case](c)
    except AssertionError as error:
        print(f"FAIL {args.case}: {error}")
        return 1
    finally:
        c.close()
    print(f"PASS {args.case}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
