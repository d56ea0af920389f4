#!/usr/bin/env python3
"""Runs Pictoferry's benchmarks against references measured in the same run and prints each as a ratio,
with the minimum and the median over the runs. bench/run.sh builds what it needs and calls it.

Everything happens in a temporary folder: a copy of the program folder with a profile for the local sink
server, its own HOME and XDG folders (the program's first start writes settings and desktop entries
there), and a private Xvfb display for the window timing. Nothing here judges the figures."""
import argparse
import json
import os
import shutil
import signal
import statistics
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
SERVICE = "sink.bench"


def fail(message):
    sys.exit("bench: " + message)


def isolated_environment(root):
    env = {k: v for k, v in os.environ.items() if "proxy" not in k.lower()}
    for name in ("home", "data", "config", "cache", "runtime"):
        os.makedirs(os.path.join(root, name), mode=0o700, exist_ok=True)
    env.update(HOME=os.path.join(root, "home"), XDG_DATA_HOME=os.path.join(root, "data"),
               XDG_CONFIG_HOME=os.path.join(root, "config"), XDG_CACHE_HOME=os.path.join(root, "cache"),
               XDG_RUNTIME_DIR=os.path.join(root, "runtime"))
    return env


def start_sink():
    sink = subprocess.Popen([sys.executable, os.path.join(HERE, "sink.py")], stdout=subprocess.PIPE, text=True)
    return sink, int(sink.stdout.readline())


def start_xvfb():
    read_end, write_end = os.pipe()
    # -noreset: without it the server resets when its last client leaves, and the next window to start
    # can find no display.
    xvfb = subprocess.Popen(["Xvfb", "-displayfd", str(write_end), "-screen", "0", "1280x1024x24", "-nolisten", "tcp",
                             "-noreset"],
                            pass_fds=(write_end,), stderr=subprocess.DEVNULL)
    os.close(write_end)
    with os.fdopen(read_end) as pipe:
        number = pipe.readline().strip()
    if not number:
        fail("Xvfb did not start")
    return xvfb, ":" + number


def write_profile(program_folder, port):
    data = os.path.join(program_folder, "data")
    with open(os.path.join(data, "pictoferry.test.post.txt"), "rb") as template:
        request = template.read().replace(b"Host: 127.0.0.1:8089", b"Host: 127.0.0.1:%d" % port)
    with open(os.path.join(data, SERVICE + ".post.txt"), "wb") as out:
        out.write(request)
    script = ("SERVER:127.0.0.1:%d\r\nSEND:%s.post.txt\r\nLINK:id=\"image\" href=\"http://*\"\r\n"
              "THLINK:id=\"preview\" href=\"http://*\"\r\nEND:\r\n" % (port, SERVICE))
    with open(os.path.join(data, SERVICE + ".serv"), "wb") as out:
        out.write(script.encode())
    with open(os.path.join(data, SERVICE + ".info"), "wb") as out:
        out.write(b"[Main]\r\nMaxWidth=0\r\nMaxHeight=0\r\nMaxSize=0\r\nHostTime=bench\r\n")


def run_measured(command, env, timeout=300):
    """Wall seconds and peak resident memory (MB) of one run of a command."""
    started = time.perf_counter()
    process = subprocess.Popen(command, env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    deadline = started + timeout
    while True:
        pid, status, usage = os.wait4(process.pid, os.WNOHANG)
        if pid:
            break
        if time.perf_counter() > deadline:
            process.kill()
            os.wait4(process.pid, 0)
            fail("%s did not finish within %d s" % (command[0], timeout))
        time.sleep(0.002)
    elapsed = time.perf_counter() - started
    process.returncode = os.waitstatus_to_exitcode(status)
    if process.returncode != 0:
        fail("%s ended with %d" % (" ".join(command), process.returncode))
    return elapsed, usage.ru_maxrss / 1024.0


def journal_lines(program_folder):
    try:
        with open(os.path.join(program_folder, "journal.txt"), "rb") as journal:
            return journal.read().count(b"\n")
    except FileNotFoundError:
        return 0


def upload_with_program(program_folder, picture, env):
    before = journal_lines(program_folder)
    result = run_measured([os.path.join(program_folder, "pictoferry"), picture, "-u=" + SERVICE, "-e"], env)
    if journal_lines(program_folder) != before + 1:
        fail("the program's upload of %s left no journal record" % picture)
    return result


def upload_with_curl(picture, port, env):
    return run_measured(["curl", "-s", "-f", "-o", "/dev/null", "--noproxy", "*", "-H", "Expect:",
                         "-F", "image=@%s;type=image/jpeg" % picture, "http://127.0.0.1:%d/upload" % port], env)


def window_mapped_us(watch, command, env):
    output = subprocess.run([watch] + command, env=env, capture_output=True, text=True, timeout=120).stdout.strip()
    if not output.isdigit():
        fail("no window appeared for %s (%s)" % (command[0], output))
    return int(output)


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--build", required=True, help="the Release build folder")
    parser.add_argument("--runs", type=int, default=5, help="runs of every measurement (default 5)")
    parser.add_argument("--size-mb", type=int, default=100, help="size of the uploaded file in MB (default 100)")
    args = parser.parse_args()
    build = os.path.abspath(args.build)
    tools = os.path.join(build, "bench")

    root = tempfile.mkdtemp(prefix="pictoferry-bench-")
    sink = xvfb = None
    try:
        env = isolated_environment(root)
        sink, port = start_sink()
        xvfb, display = start_xvfb()
        program_folder = os.path.join(root, "program")
        shutil.copytree(os.path.join(build, "program"), program_folder)
        write_profile(program_folder, port)

        tiny, big = os.path.join(root, "tiny.jpg"), os.path.join(root, "big.jpg")
        subprocess.run([os.path.join(tools, "bench_picture"), tiny, "0"], env=dict(env, QT_QPA_PLATFORM="offscreen"),
                       check=True)
        subprocess.run([os.path.join(tools, "bench_picture"), big, str(args.size_mb * 1000 * 1000)],
                       env=dict(env, QT_QPA_PLATFORM="offscreen"), check=True)

        headless = dict(env, QT_QPA_PLATFORM="offscreen")
        windowed = dict(env, QT_QPA_PLATFORM="xcb", DISPLAY=display)
        watch = os.path.join(tools, "bench_mapwatch")
        upload_with_program(program_folder, tiny, headless)  # first start: writes settings, warms the caches
        upload_with_curl(big, port, env)

        rows = {key: [] for key in ("memory", "window", "window_text", "text_bare")}
        figures = {key: [] for key in ("prog_rss", "prog_base_rss", "curl_rss", "prog_window", "bare_window",
                                       "text_window")}
        upload_seconds = {key: [] for key in ("prog_tiny", "prog_big", "curl_tiny", "curl_big")}
        for run in range(args.runs):
            prog_tiny = upload_with_program(program_folder, tiny, headless)
            prog_big = upload_with_program(program_folder, big, headless)
            curl_tiny = upload_with_curl(tiny, port, env)
            curl_big = upload_with_curl(big, port, env)
            prog_window = window_mapped_us(watch, [os.path.join(program_folder, "pictoferry")], windowed)
            bare_window = window_mapped_us(watch, [os.path.join(tools, "bench_barewindow")], windowed)
            text_window = window_mapped_us(watch, [os.path.join(tools, "bench_barewindow"), "--lay-out-text"], windowed)
            for key, measured in (("prog_tiny", prog_tiny), ("prog_big", prog_big), ("curl_tiny", curl_tiny),
                                  ("curl_big", curl_big)):
                upload_seconds[key].append(measured[0])
            rows["memory"].append(prog_big[1] / curl_big[1])
            rows["window"].append(prog_window / bare_window)
            rows["window_text"].append(prog_window / text_window)
            rows["text_bare"].append(text_window / bare_window)
            for key, value in (("prog_rss", prog_big[1]), ("prog_base_rss", prog_tiny[1]), ("curl_rss", curl_big[1]),
                               ("prog_window", prog_window / 1000), ("bare_window", bare_window / 1000),
                               ("text_window", text_window / 1000)):
                figures[key].append(value)
            print("run %d/%d: upload and start-up measured" % (run + 1, args.runs), file=sys.stderr)
        # A transfer is a big upload less the start and the rest of a tiny one. The tiny one's median stands
        # for that rest: one slow tiny start taken from its own run's big upload could even come out larger.
        figures["prog_transfer"] = [big - statistics.median(upload_seconds["prog_tiny"])
                                    for big in upload_seconds["prog_big"]]
        figures["curl_transfer"] = [big - statistics.median(upload_seconds["curl_tiny"])
                                    for big in upload_seconds["curl_big"]]
        rows["transfer"] = [prog / curl for prog, curl in zip(figures["prog_transfer"], figures["curl_transfer"])]

        journal = subprocess.run([os.path.join(tools, "bench_journal"), os.path.join(program_folder, "journal"),
                                  str(args.runs)], env=env, capture_output=True, text=True, check=True)
        sys.stderr.write(journal.stderr)
        journal_runs = [json.loads(line) for line in journal.stdout.splitlines()]
        rows["journal_full"] = [r["full_us_per_record"] / r["full_reference_us_per_record"] for r in journal_runs]
        rows["journal_limit"] = [r["limit_large_ms"] / r["limit_small_ms"] for r in journal_runs]
        for key in ("full_us_per_record", "full_reference_us_per_record", "limit_large_ms", "limit_small_ms"):
            figures[key] = [r[key] for r in journal_runs]
    finally:
        for process in (sink, xvfb):
            if process:
                process.send_signal(signal.SIGTERM)
                process.wait()
        shutil.rmtree(root, ignore_errors=True)

    def median(key):
        return statistics.median(figures[key])

    table = [
        ("transfer part of a %d MB upload" % args.size_mb, "%.3f s" % median("prog_transfer"),
         "curl -F: %.3f s" % median("curl_transfer"), rows["transfer"]),
        ("peak memory during that upload", "%.1f MB (%.1f MB without the file)" % (median("prog_rss"),
                                                                                 median("prog_base_rss")),
         "curl -F: %.1f MB" % median("curl_rss"), rows["memory"]),
        ("exec -> main window mapped", "%.1f ms" % median("prog_window"),
         "bare Qt window: %.1f ms" % median("bare_window"), rows["window"]),
        ("exec -> main window mapped", "%.1f ms" % median("prog_window"),
         "window laying out its text: %.1f ms" % median("text_window"), rows["window_text"]),
        ("window laying out its text", "%.1f ms" % median("text_window"),
         "bare Qt window: %.1f ms" % median("bare_window"), rows["text_bare"]),
        ("journal page, 100k records, no limit", "%.2f us/record" % median("full_us_per_record"),
         "first-letter builder: %.2f us/record" % median("full_reference_us_per_record"), rows["journal_full"]),
        ("journal page, 100k records, limit 100", "%.2f ms" % median("limit_large_ms"),
         "1k records, limit 100: %.2f ms" % median("limit_small_ms"), rows["journal_limit"]),
    ]
    print("\n%d runs; medians of the figures, ratio = program / reference of the same run\n" % args.runs)
    print("%-40s %-38s %-40s %9s %9s" % ("what", "program", "reference", "ratio min", "median"))
    for what, program, reference, ratios in table:
        print("%-40s %-38s %-40s %8.2fx %8.2fx" % (what, program, reference, min(ratios), statistics.median(ratios)))


if __name__ == "__main__":
    main()
