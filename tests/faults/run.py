#!/usr/bin/env python3
"""Shows whether the test suite catches realistic faults (run through run.sh; see its usage).

Each fault is applied on its own to a copy of the working tree (the tree itself is never touched), the copy
is rebuilt and only the tests that execute the faulted lines are run: "killed" when one fails (named, and
marked "timeout" or "crash" when that is how it failed), "survived" when all pass or when no test executes
those lines at all. A fault whose text is not found exactly once is "n/a", one that does not compile
"no-build", one listed in equivalent.txt "equivalent" (not run). The kill rate is killed / (killed + survived).

Which tests execute which line comes from a coverage map, made once per tree: the unchanged tree is built with
coverage counters and every test function is run on its own, which also shows that the tree passes its tests
(a function that fails on its own has its whole test run instead). A fault on lines the map has no entry for
(declarations, constants, tables) runs the whole suite; so does every fault with --whole-suite. Several
faults are judged at once, each in a build folder of its own; the tests labelled "timing" run with nothing
else running beside them.
"""

import argparse
import difflib
import functools
import hashlib
import json
import os
import queue
import re
import shutil
import signal
import subprocess
import sys
import threading
import time

ROOT = os.path.realpath(os.path.join(os.path.dirname(__file__), "..", ".."))
PROGRAMS = ["lumaplex", "lumaplex-sim", "lumaplex-cli"]
# Made anew when this changes: what the map holds and how it is made.
MAP_FORMAT = "rows with execution counts, 1"
# Tests of one fault that run at once (they mostly wait for devices and time-outs).
SIDE_BY_SIDE = 2


def say(text):
    print(text, flush=True)


@functools.lru_cache(maxsize=None)
def tracked_files():
    out = subprocess.run(["git", "ls-files", "--cached", "--others", "--exclude-standard", "-z"], cwd=ROOT,
                         check=True, capture_output=True).stdout.decode()
    return tuple(sorted(f for f in out.split("\0") if f and os.path.isfile(os.path.join(ROOT, f))))


def tree_key(files):
    """What the coverage map depends on: every file but the fault lists and scripts and the documentation,
    and the map's form."""
    digest = hashlib.sha1(MAP_FORMAT.encode())
    for f in (f for f in files if not f.startswith(("tests/faults/", "docs/")) and not f.endswith(".md")):
        with open(os.path.join(ROOT, f), "rb") as handle:
            digest.update(f.encode() + b"\0" + hashlib.sha1(handle.read()).digest())
    return digest.hexdigest()


class SharedLock:
    """Many holders in shared mode (builds, ordinary tests) or one in exclusive mode (timing tests)."""

    def __init__(self):
        self.cond = threading.Condition()
        self.shared = 0
        self.exclusive = False
        self.waiting = 0

    def acquire(self, exclusive):
        with self.cond:
            if exclusive:
                self.waiting += 1
                self.cond.wait_for(lambda: not self.exclusive and self.shared == 0)
                self.waiting -= 1
                self.exclusive = True
            else:
                self.cond.wait_for(lambda: not self.exclusive and self.waiting == 0)
                self.shared += 1

    def release(self, exclusive):
        with self.cond:
            if exclusive:
                self.exclusive = False
            else:
                self.shared -= 1
            self.cond.notify_all()


class Worker:
    """A copy of the tree and its build folder."""

    def __init__(self, base, index, jobs, timeout, lock):
        self.dir = os.path.join(base, f"worker-{index}")
        self.src = os.path.join(self.dir, "src")
        self.build = os.path.join(self.dir, "build")
        self.scratch = os.path.join(self.dir, "gcda")
        self.jobs = jobs
        self.timeout = timeout
        self.lock = lock
        self.tests = {}

    def sync(self, files):
        """Makes the copy hold the tree's files; unchanged files keep their time (no rebuild)."""
        wanted = set(files)
        for f in files:
            source, copy = os.path.join(ROOT, f), os.path.join(self.src, f)
            if os.path.exists(copy) and same_bytes(source, copy):
                continue
            os.makedirs(os.path.dirname(copy), exist_ok=True)
            shutil.copy2(source, copy)
            os.utime(copy)
        for top, _, names in os.walk(self.src):
            for name in names:
                if os.path.relpath(os.path.join(top, name), self.src) not in wanted:
                    os.remove(os.path.join(top, name))

    def configure(self):
        args = ["cmake", "-G", "Ninja", "-S", self.src, "-B", self.build, "-DCMAKE_BUILD_TYPE=Debug",
                "-DCMAKE_CXX_FLAGS_DEBUG=-O0", "-DCMAKE_CXX_FLAGS=--coverage", "-DCMAKE_EXE_LINKER_FLAGS=--coverage",
                "-DLUMAPLEX_BUILD_TESTS=ON", "-DLUMAPLEX_SHARED_LIBS=ON", "-DCMAKE_LINK_DEPENDS_NO_SHARED=ON"]
        if shutil.which("ccache"):
            args.append("-DCMAKE_CXX_COMPILER_LAUNCHER=ccache")
        run(args, check=True)

    def make(self, targets=None, jobs=None):
        """Builds (all test programs, or the targets); the log on failure, else None."""
        self.lock.acquire(False)
        try:
            args = ["cmake", "--build", self.build, "-j", str(jobs or self.jobs), "--target"]
            args += targets or ["lumaplex_test_programs"]
            done = run(args, env=ccache_env(os.path.dirname(self.dir)))
        finally:
            self.lock.release(False)
        return None if done.returncode == 0 else done.stdout[-3000:]

    def read_tests(self):
        shown = json.loads(run(["ctest", "--show-only=json-v1"], cwd=self.build, check=True).stdout)
        for test in shown["tests"]:
            props = {p["name"]: p["value"] for p in test.get("properties", [])}
            labels = props.get("LABELS", [])
            program = next(a for a in test["command"] if os.path.basename(a).startswith(("tst_", "replay_")))
            self.tests[test["name"]] = {
                "argv": test["command"], "program": program, "target": os.path.basename(program),
                "env": dict(e.split("=", 1) for e in props.get("ENVIRONMENT", [])),
                "cwd": props.get("WORKING_DIRECTORY", self.build), "timing": "timing" in labels,
                "skip": props.get("SKIP_RETURN_CODE"), "labels": labels}

    def units(self, name):
        """What of the test runs on its own: its rows ("function:tag"), for a unit test its functions; none
        for a test that is not a Qt test (it runs whole)."""
        test = self.tests[name]
        if test["target"].startswith("replay_"):
            return []
        if "unit" in test["labels"]:
            listed = run([test["program"], "-functions"], env=self.env_of(test), cwd=test["cwd"])
            return [line[:-2] for line in listed.stdout.split("\n") if line.endswith("()")]
        listed = run([test["program"], "-datatags"], env=self.env_of(test), cwd=test["cwd"])
        units = []
        for line in listed.stdout.split("\n"):
            fields = line.split(" ", 2)
            if len(fields) >= 2 and fields[0].startswith("Test"):
                units.append(fields[1] + (":" + fields[2] if len(fields) == 3 else ""))
        return units

    def env_of(self, test, prefix=None):
        env = dict(os.environ, **test["env"])
        env["GCOV_PREFIX"] = prefix or self.scratch
        return env

    def run_test(self, name, units, limit, prefix=None):
        """Runs the test (those units, or all of it): "pass", "fail", "timeout" or "crash"."""
        return self.run_tests([(name, units, limit)], prefix)

    def run_tests(self, runs, prefix=None, alone=False):
        """Runs (test, units, limit) triples, a few side by side, or with nothing beside them when they are
        timing tests (or `alone`); a failure ends those still running. The first failure as (status,
        output), or ("pass", "") when all passed."""
        timing = alone or any(self.tests[name]["timing"] for name, _, _ in runs)
        waiting = list(runs)
        self.lock.acquire(timing)
        try:
            started = []
            verdict = ("pass", "")
            while (started or waiting) and verdict[0] == "pass":
                while waiting and len(started) < SIDE_BY_SIDE:
                    name, units, limit = waiting.pop(0)
                    test = self.tests[name]
                    process = start(test["argv"] + list(units or []), self.env_of(test, prefix), test["cwd"])
                    started.append((name, process, time.monotonic() + limit))
                time.sleep(0.05)
                for entry in list(started):
                    name, process, deadline = entry
                    code = process.poll()
                    if code is None and time.monotonic() < deadline:
                        continue
                    started.remove(entry)
                    if code is None:
                        kill(process)
                    out = process.communicate()[0].decode(errors="replace")
                    RUNNING.discard(process)
                    skip = self.tests[name]["skip"]
                    if code is None:
                        verdict = ("timeout", name + ": " + out)
                    elif code != 0 and not (skip is not None and code == skip):
                        crashed = code < 0 or "Sanitizer" in out
                        verdict = ("crash" if crashed else "fail", name + ": " + out)
                    if verdict[0] != "pass":
                        break
            for _, process, _ in started:
                kill(process)
                process.communicate()
                RUNNING.discard(process)
            return verdict
        finally:
            self.lock.release(timing)


class Finished:
    def __init__(self, returncode, stdout):
        self.returncode = returncode
        self.stdout = stdout


RUNNING = set()


def start(args, env=None, cwd=None):
    """Starts a command in a session of its own (so that it can be killed with everything it started)."""
    process = subprocess.Popen(args, env=env, cwd=cwd, stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
                               start_new_session=True)
    RUNNING.add(process)
    return process


def run(args, env=None, cwd=None, timeout=None, check=False):
    """Runs a command, which is killed whole at the time-out (returncode None)."""
    process = start(args, env, cwd)
    try:
        out = process.communicate(timeout=timeout)[0]
        code = process.returncode
    except subprocess.TimeoutExpired:
        kill(process)
        out = process.communicate()[0]
        code = None
    finally:
        RUNNING.discard(process)
    text = out.decode(errors="replace")
    if check and code != 0:
        sys.exit(f"failed: {' '.join(args)}\n{text[-3000:]}")
    return Finished(code, text)


def kill(process):
    try:
        os.killpg(process.pid, signal.SIGKILL)
    except ProcessLookupError:
        pass


def same_bytes(a, b):
    if os.path.getsize(a) != os.path.getsize(b):
        return False
    with open(a, "rb") as x, open(b, "rb") as y:
        return x.read() == y.read()


def ccache_env(base):
    return dict(os.environ, CCACHE_BASEDIR=base, CCACHE_NOHASHDIR="true")


def executed_lines(worker, prefix):
    """{file of the tree: {line: count}} from the counters a run left below `prefix`."""
    counters = []
    for top, _, names in os.walk(prefix):
        for name in names:
            if name.endswith(".gcda"):
                counters.append(os.path.join(top, name))
                notes = os.path.join(top[len(prefix):], name[:-5] + ".gcno")
                if os.path.exists(notes):
                    os.link(notes, os.path.join(top, name[:-5] + ".gcno"))
    lines = {}
    if not counters:
        return lines
    text = run(["gcov", "-j", "-t"] + counters, cwd=prefix).stdout
    decoder, at = json.JSONDecoder(), text.find("{")
    while at >= 0:
        document, end = decoder.raw_decode(text, at)
        for f in document.get("files", []):
            path = os.path.realpath(os.path.join(document.get("current_working_directory", ""), f["file"]))
            if not path.startswith(worker.src + os.sep):
                continue
            counts = lines.setdefault(os.path.relpath(path, worker.src), {})
            for line in f["lines"]:
                counts[line["line_number"]] = counts.get(line["line_number"], 0) + line["count"]
        at = text.find("{", end)
    return lines


def build_map(workers, key):
    """Runs every unit of every test on its own with coverage counters: the map and each unit's time."""
    first = workers[0]
    tasks = queue.Queue()
    for name in first.tests:
        for function in first.units(name) or [None]:
            tasks.put((tasks.qsize(), name, function))
    total = tasks.qsize()
    results = []
    failed = set()

    def serve(worker):
        while True:
            try:
                number, name, function = tasks.get_nowait()
            except queue.Empty:
                return
            prefix = os.path.join(worker.dir, "map", str(number))
            shutil.rmtree(prefix, ignore_errors=True)
            began = time.monotonic()
            status, out = worker.run_test(name, [function] if function else [], worker.timeout, prefix)
            seconds = time.monotonic() - began
            if status != "pass":
                failed.add(name)
            results.append((name, function, seconds, executed_lines(worker, prefix)))
            shutil.rmtree(prefix, ignore_errors=True)

    threads = [threading.Thread(target=serve, args=(w,), daemon=True) for w in workers]
    for t in threads:
        t.start()
    for t in threads:
        t.join()
    if len(results) != total:
        sys.exit(f"the coverage map is incomplete: {len(results)} of {total} units ran")
    # A unit that fails on its own (it needs those before it) makes its whole test the unit.
    for name in sorted(failed):
        status, out = first.run_test(name, [], first.timeout)
        if status != "pass":
            say(f"the unchanged tree fails {name} ({status}); a fault cannot be judged against a red suite:")
            say(out[-3000:])
            sys.exit(1)
    units = sorted({(n, None if n in failed else f) for n, f, _, _ in results}, key=str)
    index = {unit: i for i, unit in enumerate(units)}
    seconds = [0.0] * len(units)
    lines = {}
    for name, function, took, executed in results:
        unit = index[(name, None if name in failed else function)]
        seconds[unit] += took
        for path, counts in executed.items():
            into = lines.setdefault(path, {})
            for line, count in counts.items():
                users = into.setdefault(str(line), {})
                if count > 0:
                    users[str(unit)] = users.get(str(unit), 0) + count
    return {"key": key, "units": [[n, f] for n, f in units], "seconds": seconds, "lines": lines}


class Fault:
    def __init__(self, label, entry):
        fields = entry.split(" @@ ")
        self.label = label
        self.entry = entry
        self.area, self.name = fields[0], fields[1]
        self.old = fields[2].replace("<NL>", "\n")
        self.new = (fields[3] if len(fields) > 3 else "").replace("<NL>", "\n")
        self.what = fields[4] if len(fields) > 4 else ""
        self.key = " @@ ".join(fields[1:4])
        self.file = resolve(self.name)
        self.place = self.name
        self.verdict = None
        self.diff = ""
        self.log = []

    def locate(self):
        """The faulty text of the file and the lines the fault changes, or None when not found once."""
        if not self.file:
            return None
        with open(os.path.join(ROOT, self.file), encoding="utf-8", errors="surrogateescape") as handle:
            text = handle.read()
        if text.count(self.old) != 1:
            return None
        at = text.index(self.old)
        first = text.count("\n", 0, at) + 1
        self.place = f"{self.file}:{first}"
        old, new = self.old.split("\n"), self.new.split("\n")
        lead = 0
        while lead < min(len(old), len(new)) and old[lead] == new[lead]:
            lead += 1
        tail = 0
        while tail < min(len(old), len(new)) - lead and old[-1 - tail] == new[-1 - tail]:
            tail += 1
        changed = range(first + lead, first + max(lead + 1, len(old) - tail))
        return text[:at] + self.new + text[at + len(self.old):], list(changed)


def resolve(name):
    """A path from the top, or a file name found once among the tracked files."""
    if os.path.isfile(os.path.join(ROOT, name)):
        return name
    found = [f for f in tracked_files() if ("/" + f).endswith("/" + name)]
    return found[0] if found else None


def selection(fault, lines, coverage, whole):
    """The units to run, {number in the map: how often they execute the faulted lines}, or None for the
    whole suite. A change of lines with no code of their own (a declaration, a constant, a table) in a .cpp
    file runs every unit that executes some line of that file; in a header, the whole suite."""
    if whole:
        return None
    known = coverage["lines"].get(fault.file, {})
    entries = [known[str(n)] for n in lines if str(n) in known]
    if not entries:
        if not fault.file.endswith(".cpp") or not known:
            return None
        entries = list(known.values())
    units = {}
    for users in entries:
        for unit, count in users.items():
            units[int(unit)] = units.get(int(unit), 0) + count
    return units


class History:
    """The tests that killed faults in each file, the latest first (kept in the build folder, so that it
    also serves the next run): a fault in that file tries them first."""

    def __init__(self, path):
        self.path = path
        self.lock = threading.Lock()
        try:
            with open(path, encoding="utf-8") as handle:
                self.killers = json.load(handle)
        except (OSError, ValueError):
            self.killers = {}

    def of(self, file):
        with self.lock:
            return list(self.killers.get(file, []))

    def killed(self, file, test):
        with self.lock:
            tests = [test] + [t for t in self.killers.get(file, []) if t != test]
            self.killers[file] = tests[:5]
            with open(self.path, "w", encoding="utf-8") as handle:
                json.dump(self.killers, handle)


def judge(worker, fault, coverage, whole, equivalent, history):
    located = fault.locate()
    if located is None:
        return "n/a"
    if fault.key in equivalent:
        return "equivalent"
    faulty, lines = located
    copy = os.path.join(worker.src, fault.file)
    with open(copy, encoding="utf-8", errors="surrogateescape") as handle:
        original = handle.read()
    with open(copy, "w", encoding="utf-8", errors="surrogateescape") as handle:
        handle.write(faulty)
    try:
        units = selection(fault, lines, coverage, whole)
        executions = {}
        if units is None:
            plan = {name: None for name in worker.tests}
        else:
            plan = {}
            for i, count in units.items():
                executions[coverage["units"][i][0]] = executions.get(coverage["units"][i][0], 0) + count
                name, function = coverage["units"][i]
                if function is None:
                    plan[name] = None
                elif plan.get(name, []) is not None:
                    plan.setdefault(name, []).append(function)
            every = {}
            for name, function in coverage["units"]:
                every.setdefault(name, []).append(function)
            for name in plan:
                if plan[name] is not None and len(plan[name]) == len(every[name]):
                    plan[name] = None
        targets = PROGRAMS + sorted({worker.tests[n]["target"] for n in plan})
        if worker.make(targets) is not None:
            return "no-build"
        cost = {name: 0.0 for name in plan}
        for i, (name, function) in enumerate(coverage["units"]):
            if name in plan and (plan[name] is None or function in plan[name]):
                cost[name] += coverage["seconds"][i]
        # The likeliest to fail first: those that killed faults in this file before, then those that execute
        # the faulted lines most often for their time (the quickest first when the whole suite runs). Timing
        # tests run alone, the others a few side by side.
        killers = history.of(fault.file)
        order = sorted(plan, key=lambda n: (killers.index(n) if n in killers else len(killers),
                                            -executions.get(n, 0) / max(cost[n], 0.1), cost[n]))
        runs = [(name, plan[name], max(20, 3 * cost[name])) for name in order]
        fault.log = [f"{name} ({cost[name]:.1f} s, {executions.get(name, 0)} executions): "
                     f"{' | '.join(plan[name]) if plan[name] else 'all'}" for name, _, _ in runs]
        batches = []
        for r in runs:
            if worker.tests[r[0]]["timing"] or not batches or worker.tests[batches[-1][0][0]]["timing"]:
                batches.append([r])
            else:
                batches[-1].append(r)
        for batch in batches:
            status, out = worker.run_tests(batch)
            shutil.rmtree(worker.scratch, ignore_errors=True)
            if status == "pass":
                continue
            name = out.split(":", 1)[0]
            fault.log.append(out[-4000:])
            # A failure beside other tests is confirmed with nothing beside it (a busy machine is no fault);
            # the rest of the batch runs then as well.
            if len(batch) > 1:
                again = [r for r in batch if r[0] == name]
                status, out = worker.run_tests(again, alone=True)
                shutil.rmtree(worker.scratch, ignore_errors=True)
                if status == "pass":
                    fault.log.append(f"({name} passed on its own)")
                    status, out = worker.run_tests([r for r in batch if r[0] != name], alone=True)
                    shutil.rmtree(worker.scratch, ignore_errors=True)
                    if status == "pass":
                        continue
                    name = out.split(":", 1)[0]
            history.killed(fault.file, name)
            return f"killed ({name})" if status == "fail" else f"killed ({status}: {name})"
        fault.diff = unified(fault.file, original, faulty)
        return "survived"
    finally:
        # Written anew (a new time), so that the next build compiles the original again.
        with open(copy, "w", encoding="utf-8", errors="surrogateescape") as handle:
            handle.write(original)


def unified(path, before, after):
    return "".join(difflib.unified_diff(before.splitlines(True), after.splitlines(True), f"a/{path}", f"b/{path}"))


def entries_of(path):
    with open(path, encoding="utf-8") as handle:
        return [line.rstrip("\n") for line in handle if line.strip() and not line.startswith("#")]


def equivalents():
    keys = set()
    for line in entries_of(os.path.join(ROOT, "tests/faults/equivalent.txt")):
        fields = line.split(" @@ ")
        if len(fields) >= 4:
            keys.add(" @@ ".join(fields[:3]))
    return keys


def main():
    parser = argparse.ArgumentParser(prog="tests/faults/run.sh", description=__doc__.split("\n\n")[0])
    parser.add_argument("--list", action="store_true", help="the hand-written faults (the default)")
    parser.add_argument("--sample", nargs=2, metavar=("SEED", "N"), help="N faults drawn by sample.py")
    parser.add_argument("--whole-suite", action="store_true", help="every fault runs the whole suite")
    parser.add_argument("--workers", type=int, default=max(1, min(2, os.cpu_count() or 1)),
                        help="faults judged at once, each in a build folder of its own (default: 2)")
    parser.add_argument("build", nargs="?", default="build-faults", help="folder of the copies and builds")
    options = parser.parse_args()
    if options.sample and not (options.sample[1].isdigit() and int(options.sample[1]) > 0):
        parser.error("N must be a positive number")
    chosen = set(os.environ.get("FAULTS", "").split())
    start = time.monotonic()

    faults = []
    if options.list or not options.sample:
        for i, entry in enumerate(entries_of(os.path.join(ROOT, "tests/faults/faults.txt")), 1):
            faults.append(Fault(str(i), entry))
    if options.sample:
        seed, count = options.sample
        drawn = run([sys.executable, os.path.join(ROOT, "tests/faults/sample.py"), seed, count], cwd=ROOT,
                    check=True).stdout
        prefix = "s" if options.list else ""
        for i, entry in enumerate((e for e in drawn.split("\n") if e.strip()), 1):
            faults.append(Fault(prefix + str(i), entry))
        say(f"{count} faults drawn with seed {seed}")
    faults = [f for f in faults if not chosen or f.label in chosen]

    base = os.path.abspath(os.path.join(ROOT, options.build))
    lock = SharedLock()
    files = tracked_files()
    key = tree_key(files)
    jobs = max(1, (os.cpu_count() or 1) // options.workers)
    workers = [Worker(base, i + 1, jobs, 300, lock) for i in range(options.workers)]
    say(f"preparing {len(workers)} copies of the tree in {base}")
    for worker in workers:
        worker.sync(files)
        worker.configure()
    # One after the other with every core: the later copies find most objects in the compiler cache.
    for worker in workers:
        failure = worker.make(jobs=os.cpu_count() or 1)
        if failure is not None:
            say(failure)
            sys.exit("the unchanged tree does not build")
        worker.read_tests()

    map_file = os.path.join(base, "coverage-map.json")
    coverage = None
    if os.path.exists(map_file):
        with open(map_file, encoding="utf-8") as handle:
            coverage = json.load(handle)
        if coverage.get("key") != key:
            coverage = None
    if coverage is None:
        say("baseline: every test function on its own, with coverage counters")
        coverage = build_map(workers, key)
        with open(map_file, "w", encoding="utf-8") as handle:
            json.dump(coverage, handle)
    say(f"baseline: {len(coverage['units'])} test functions pass in {sum(coverage['seconds']):.0f} s "
        f"(their own time); ready after {time.monotonic() - start:.0f} s")

    equivalent = equivalents()
    history = History(os.path.join(base, "killers.json"))
    pending = queue.Queue()
    for fault in faults:
        pending.put(fault)
    printing = threading.Lock()
    log = open(os.path.join(base, "faults.log"), "w", encoding="utf-8")
    say(f"(what each fault ran: {log.name})")
    say("")
    say(f"{'#':>3}  {'area':<9} {'file:line':<44} {'verdict':<30} what")

    def serve(worker):
        while True:
            try:
                fault = pending.get_nowait()
            except queue.Empty:
                return
            began = time.monotonic()
            fault.verdict = judge(worker, fault, coverage, options.whole_suite, equivalent, history)
            line = (f"{fault.label:>3}  {fault.area:<9} {fault.place:<44} {fault.verdict:<30} {fault.what} "
                    f"({time.monotonic() - began:.0f} s)")
            with printing:
                say(line)
                log.write("\n".join([line] + fault.log) + "\n\n")
                log.flush()

    threads = [threading.Thread(target=serve, args=(w,), daemon=True) for w in workers]
    for t in threads:
        t.start()
    for t in threads:
        t.join()
    report(faults, start)


def report(faults, start):
    count = lambda test: sum(1 for f in faults if test(f.verdict))
    killed = count(lambda v: v.startswith("killed"))
    timeouts = count(lambda v: v.startswith("killed (timeout"))
    survived = count(lambda v: v == "survived")
    survivors = [f for f in faults if f.verdict == "survived"]
    if survivors:
        say("\nSurvivors (add a test that catches each, or list it in tests/faults/equivalent.txt with the reason):")
        for f in survivors:
            say(f"\n#{f.label} {f.place}: {f.what}\n{f.diff}")
    say("")
    say(f"killed {killed} ({timeouts} by timeout), survived {survived}, equivalent {count(lambda v: v == 'equivalent')}"
        f", n/a {count(lambda v: v == 'n/a')}, no-build {count(lambda v: v == 'no-build')}, total {len(faults)}")
    areas = sorted({f.area for f in faults})
    for area in areas:
        k = sum(1 for f in faults if f.area == area and f.verdict.startswith("killed"))
        s = sum(1 for f in faults if f.area == area and f.verdict == "survived")
        if k + s:
            say(f"  {area}: killed {k} of {k + s}")
    if killed + survived:
        say(f"kill rate {100 * killed / (killed + survived):.1f} % ({killed} of {killed + survived} compiled, "
            f"non-equivalent faults)")
    else:
        say("kill rate: none of the faults compiled and ran")
    seconds = int(time.monotonic() - start)
    say(f"{seconds // 60} min {seconds % 60} s in all")


if __name__ == "__main__":
    try:
        main()
    except KeyboardInterrupt:
        for process in list(RUNNING):
            kill(process)
        sys.exit("\ninterrupted (the working tree was never changed)")
