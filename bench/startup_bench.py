#!/usr/bin/env python3
"""Start-up benchmark: the kiosk against a bare WebKit window on the demo home page.

Alternates cold starts of build/bin/orbeta (on a fresh copy of the demo configuration) and
build/bin/orbeta-bare-webkit (the same home page, nothing else), all on one Xvfb display.
Each start is timed from spawn until the demo server logs the request for the image at the
very end of the home page (/end.png); at that moment the PSS of the started process and all
its descendants is summed. Prints the medians and the ratios kiosk / bare.

Run from anywhere after a build:  python3 bench/startup_bench.py [--runs N]
"""

import argparse
import ctypes
import os
import shutil
import signal
import statistics
import subprocess
import sys
import tempfile
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
BIN = os.path.join(ROOT, "build", "bin")
END_REQUEST = "home GET /end.png"


class BenchError(Exception):
    pass


# ---- Processes ----

def children_map():
    """ppid -> [pid] for every process visible in /proc."""
    result = {}
    for name in os.listdir("/proc"):
        if not name.isdigit():
            continue
        try:
            with open(f"/proc/{name}/stat") as f:
                stat = f.read()
        except OSError:
            continue
        # The command name may hold spaces or parentheses: the fields follow the last ')'.
        fields = stat[stat.rfind(")") + 2:].split()
        if len(fields) >= 2:
            result.setdefault(int(fields[1]), []).append(int(name))
    return result


def process_tree(pid):
    """pid and all its descendants."""
    kids = children_map()
    tree, todo = [], [pid]
    while todo:
        p = todo.pop()
        if p in tree:
            continue
        tree.append(p)
        todo.extend(kids.get(p, []))
    return tree


def pss_kb(pid):
    try:
        with open(f"/proc/{pid}/smaps_rollup") as f:
            for line in f:
                if line.startswith("Pss:"):
                    return int(line.split()[1])
    except (OSError, ValueError):
        pass
    return 0


def alive(pid):
    """True while pid exists and is not a zombie."""
    try:
        with open(f"/proc/{pid}/stat") as f:
            stat = f.read()
    except OSError:
        return False
    return stat[stat.rfind(")") + 2:].split()[0] != "Z"


def stop_tree(proc, grace=5.0):
    """Ends proc and every descendant (also ones in other process groups), and reaps proc."""
    if proc is None:
        return
    pids = process_tree(proc.pid) if proc.poll() is None else [proc.pid]
    targets = set(pids)
    for sig in (signal.SIGTERM, signal.SIGKILL):
        try:
            os.killpg(proc.pid, sig)
        except OSError:
            pass
        for p in list(targets):
            # Children reparented after their parent died are still found through the list
            # taken before; new descendants of the ones still alive are added.
            for q in process_tree(p) if alive(p) else []:
                targets.add(q)
        for p in targets:
            try:
                os.kill(p, sig)
            except OSError:
                pass
        deadline = time.monotonic() + grace
        while time.monotonic() < deadline:
            proc.poll()
            reap(p for p in targets if p != proc.pid)
            if proc.returncode is not None and not any(alive(p) for p in targets if p != proc.pid):
                break
            time.sleep(0.02)
        else:
            continue
        break
    try:
        proc.wait(timeout=grace)
    except subprocess.TimeoutExpired:
        pass
    reap(p for p in targets if p != proc.pid)


def reap(pids):
    """Collects the exit of orphaned descendants, which the subreaper setting makes ours."""
    for p in pids:
        try:
            os.waitpid(p, os.WNOHANG)
        except OSError:
            pass


def become_subreaper():
    """Orphaned descendants (WebKit's helpers once their parent is gone) come to this process
    rather than to init, so none escapes the clean-up or lingers as a zombie."""
    try:
        libc = ctypes.CDLL(None, use_errno=True)
        libc.prctl(36, 1, 0, 0, 0)  # PR_SET_CHILD_SUBREAPER
    except (OSError, AttributeError):
        pass


# ---- Xvfb and the demo server ----

def start_xvfb():
    read_fd, write_fd = os.pipe()
    try:
        proc = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write_fd), "-screen", "0", "1280x1024x24", "-nolisten", "tcp",
             "-noreset"],
            pass_fds=(write_fd,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
            start_new_session=True)
    except FileNotFoundError:
        os.close(read_fd)
        os.close(write_fd)
        raise BenchError("Xvfb not found (install the xvfb package)")
    os.close(write_fd)
    number = b""
    with os.fdopen(read_fd, "rb") as pipe:
        while True:
            c = pipe.read(1)
            if not c or c == b"\n":
                break
            number += c
    if not number.strip():
        stop_tree(proc)
        raise BenchError("Xvfb did not start")
    return proc, ":" + number.decode().strip()


def start_demo_server(work, timeout):
    config = os.path.join(work, "config")
    ports_file = os.path.join(work, "demo-server.ports")
    log_path = os.path.join(work, "demo-server.log")
    log = open(log_path, "wb")
    try:
        proc = subprocess.Popen(
            [os.path.join(BIN, "orbeta-demo-server"), "--root", os.path.join(ROOT, "data", "demo"),
             "--base-port", "0", "--port-file", ports_file, "--config-out", config],
            stdout=log, stderr=subprocess.STDOUT, stdin=subprocess.DEVNULL, cwd=work,
            start_new_session=True)
    finally:
        log.close()
    deadline = time.monotonic() + timeout
    while not (os.path.exists(ports_file) and os.path.getsize(ports_file) > 0):
        if proc.poll() is not None:
            raise BenchError("the demo server did not start:\n" + tail(log_path))
        if time.monotonic() > deadline:
            stop_tree(proc)
            raise BenchError("the demo server wrote no port file")
        time.sleep(0.05)
    time.sleep(0.05)  # the file is complete once it is non-empty, but be safe
    ports = {}
    with open(ports_file) as f:
        for line in f:
            name, _, port = line.strip().partition("=")
            if port:
                ports[name] = port
    if "home" not in ports:
        stop_tree(proc)
        raise BenchError("no 'home' site in the port file")
    return proc, config, log_path, f"http://127.0.0.1:{ports['home']}/"


def tail(path, lines=15):
    try:
        with open(path, errors="replace") as f:
            return "".join(f.readlines()[-lines:])
    except OSError:
        return ""


# ---- One start ----

def fresh_kiosk_config(config, dest):
    """Copies the demo configuration, pointing the absolute paths in it at the copy."""
    shutil.copytree(config, dest)
    for name in os.listdir(dest):
        path = os.path.join(dest, name)
        with open(path, "rb") as f:
            data = f.read()
        new = data.replace(config.encode(), dest.encode())
        if new != data:
            with open(path, "wb") as f:
                f.write(new)


def measure(kind, args, env, run_dir, log_path, timeout):
    """Starts args, waits for the end of the home page in the server log; (ms, PSS kB)."""
    out_path = os.path.join(run_dir, f"{kind}.out")
    with open(log_path, "rb") as f:
        f.seek(0, os.SEEK_END)
        offset = f.tell()
    proc = None
    try:
        with open(out_path, "wb") as out:
            start = time.monotonic()
            proc = subprocess.Popen(args, env=env, cwd=run_dir, stdout=out, stderr=subprocess.STDOUT,
                                    stdin=subprocess.DEVNULL, start_new_session=True)
        buffer = b""
        with open(log_path, "rb") as log:
            log.seek(offset)
            while True:
                chunk = log.read()
                if chunk:
                    buffer += chunk
                    if END_REQUEST.encode() in buffer:
                        elapsed = (time.monotonic() - start) * 1000.0
                        break
                else:
                    if proc.poll() is not None:
                        raise BenchError(f"{kind} exited ({proc.returncode}) before the page ended:\n"
                                         + tail(out_path))
                    if time.monotonic() - start > timeout:
                        raise BenchError(f"{kind}: no request for /end.png within {timeout:g} s:\n"
                                         + tail(out_path))
                    time.sleep(0.002)
        pss = sum(pss_kb(p) for p in process_tree(proc.pid))
        return elapsed, pss
    finally:
        stop_tree(proc)


# ---- Main ----

def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--runs", type=int, default=5, help="starts of each (default 5)")
    parser.add_argument("--timeout", type=float, default=60.0, help="seconds per start (default 60)")
    opts = parser.parse_args()
    if opts.runs < 1:
        parser.error("--runs must be at least 1")
    for name in ("orbeta", "orbeta-bare-webkit", "orbeta-demo-server"):
        if not os.access(os.path.join(BIN, name), os.X_OK):
            sys.exit(f"startup_bench: {os.path.join(BIN, name)} missing; build first")

    # SIGTERM and SIGHUP unwind like Ctrl-C, so the clean-up below always runs.
    def on_signal(signum, _frame):
        raise KeyboardInterrupt
    signal.signal(signal.SIGTERM, on_signal)
    signal.signal(signal.SIGHUP, on_signal)

    become_subreaper()
    work = tempfile.mkdtemp(prefix="orbeta-startup-")
    xvfb = server = None
    try:
        xvfb, display = start_xvfb()
        server, config, log_path, home = start_demo_server(work, opts.timeout)
        results = {"kiosk": [], "bare": []}
        for i in range(opts.runs):
            for kind in ("kiosk", "bare"):
                run_dir = os.path.join(work, f"{kind}-{i}")
                os.makedirs(run_dir, mode=0o700)  # also the runtime folder: 0700
                env = dict(os.environ)
                for var in ("WAYLAND_DISPLAY", "DBUS_SESSION_BUS_ADDRESS"):
                    env.pop(var, None)
                # Same, empty per-user folders for both: nothing cached from an earlier start.
                env.update(DISPLAY=display, GDK_BACKEND="x11", HOME=run_dir,
                           XDG_CACHE_HOME=os.path.join(run_dir, "cache"),
                           XDG_CONFIG_HOME=os.path.join(run_dir, "config"),
                           XDG_DATA_HOME=os.path.join(run_dir, "data"),
                           XDG_RUNTIME_DIR=run_dir)
                if kind == "kiosk":
                    kiosk_dir = os.path.join(run_dir, "kiosk")
                    fresh_kiosk_config(config, kiosk_dir)
                    env.update(WINDIR=kiosk_dir, ORBETA_REGISTRY=os.path.join(kiosk_dir, "registry"))
                    args = [os.path.join(BIN, "orbeta")]
                else:
                    args = [os.path.join(BIN, "orbeta-bare-webkit"), home]
                ms, pss = measure(kind, args, env, run_dir, log_path, opts.timeout)
                results[kind].append((ms, pss))
                print(f"  run {i + 1} {kind:5} {ms:6.0f} ms  PSS {pss / 1024:6.1f} MB", flush=True)
                shutil.rmtree(run_dir, ignore_errors=True)

        med = {k: (statistics.median(t for t, _ in v), statistics.median(p for _, p in v))
               for k, v in results.items()}
        kt, kp = med["kiosk"]
        bt, bp = med["bare"]
        print(f"kiosk  start {kt:.0f} ms  PSS {kp / 1024:.0f} MB   (median of {opts.runs})")
        print(f"bare   start {bt:.0f} ms  PSS {bp / 1024:.0f} MB")
        print(f"ratio  time {kt / bt:.2f} x   memory {kp / bp:.2f} x")
        print("target: at most 1.10 x for each")
        return 0
    except BenchError as e:
        print(f"startup_bench: {e}", file=sys.stderr)
        return 1
    except KeyboardInterrupt:
        print("startup_bench: interrupted", file=sys.stderr)
        return 130
    finally:
        signal.signal(signal.SIGTERM, signal.SIG_IGN)
        signal.signal(signal.SIGHUP, signal.SIG_IGN)
        stop_tree(server)
        stop_tree(xvfb)
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
