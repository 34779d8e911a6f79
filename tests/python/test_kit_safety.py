"""Files, signals and the gallery server, against the real thing: real files and symlinks
in a temporary folder, real signals to a real `velmora` process, and a real HTTP client
against the real server on 127.0.0.1 on a port the system picks."""

from __future__ import annotations

import http.client
import os
import pty
import select
import signal
import socket
import subprocess
import sys
import threading
import time
from collections.abc import Iterator
from concurrent.futures import ThreadPoolExecutor
from pathlib import Path

import numpy as np
import pytest

from velmora_kit import Player, TempoMap, export, frames, render, table, to_range
from velmora_kit._files import replacing_text
from velmora_kit.cli import main
from velmora_kit.gallery import build_site, make_server
from velmora_kit.gallery import serve as serve_module
from velmora_kit.gallery.site import SiteInTheWay
from velmora_kit.live.osc import OscSink

VELMORA = [sys.executable, "-m", "velmora_kit"]


# ---------------------------------------------------------------- the gallery server


@pytest.fixture(scope="module")
def hostile_site(tmp_path_factory: pytest.TempPathFactory) -> Path:
    """A built site among a user's own things: a note, a private folder, a link to /etc."""
    folder = tmp_path_factory.mktemp("served")
    (folder / "notes.txt").write_text("private notes\n")
    (folder / "private").mkdir()
    (folder / "private" / "key").write_text("secret\n")
    (folder / "etclink").symlink_to("/etc")
    return build_site(folder).directory


@pytest.fixture()
def server(hostile_site: Path, monkeypatch: pytest.MonkeyPatch) -> Iterator[tuple[int, list[str]]]:
    monkeypatch.setattr(serve_module._SiteHandler, "timeout", 0.5)
    lines: list[str] = []
    httpd = make_server(hostile_site, port=0, log=lines.append)
    thread = threading.Thread(target=httpd.serve_forever, daemon=True)
    thread.start()
    yield httpd.server_address[1], lines
    httpd.shutdown()
    httpd.server_close()
    thread.join(timeout=5)


def request(port: int, path: str, host: str | None = None, method: str = "GET") -> tuple[int, bytes]:
    connection = http.client.HTTPConnection("127.0.0.1", port, timeout=10)
    try:
        connection.putrequest(method, path, skip_host=True, skip_accept_encoding=True)
        connection.putheader("Host", host if host is not None else f"127.0.0.1:{port}")
        connection.endheaders()
        reply = connection.getresponse()
        return reply.status, reply.read()
    finally:
        connection.close()


def test_server_answers_only_for_the_sites_own_files(server: tuple[int, list[str]], hostile_site: Path,
                                                     capfd: pytest.CaptureFixture[str]) -> None:
    port, lines = server
    page = (hostile_site / "index.html").read_bytes()
    assert request(port, "/") == (200, page) and request(port, "/index.html?v=2") == (200, page)
    assert request(port, "/index.html", host=f"localhost:{port}")[0] == 200
    assert request(port, "/tables.js", method="HEAD") == (200, b"")
    refused = {
        ("/notes.txt", None): 404, ("/etclink/passwd", None): 404, ("/private/", None): 404,
        ("/private/key", None): 404, ("/index.html%00.txt", None): 404, ("/../etclink/passwd", None): 404,
        ("/%2e%2e/notes.txt", None): 404, ("/", "attacker.example"): 403, ("/", f"attacker.example:{port}"): 403,
    }
    for (path, host), status in refused.items():
        got, body = request(port, path, host=host)
        assert got == status and b"secret" not in body and b"root:" not in body, (path, host)
    assert len(lines) == len(refused) and all(" 40" in line for line in lines)
    assert capfd.readouterr().err == ""


def test_server_never_follows_a_symlink_named_like_a_site_file(tmp_path: Path) -> None:
    site = build_site(tmp_path / "site").directory
    (site / "gallery.css").unlink()
    (site / "gallery.css").symlink_to("/etc/passwd")
    httpd = make_server(site, port=0)
    thread = threading.Thread(target=httpd.serve_forever, daemon=True)
    thread.start()
    try:
        assert request(httpd.server_address[1], "/gallery.css")[0] == 404
    finally:
        httpd.shutdown()
        httpd.server_close()


def test_server_takes_a_burst_and_clients_that_go_away(server: tuple[int, list[str]],
                                                       capfd: pytest.CaptureFixture[str]) -> None:
    port, lines = server
    # 300 connections at once, each completed before any is answered.
    sockets = [socket.create_connection(("127.0.0.1", port), timeout=10) for _ in range(300)]
    for sock in sockets:
        sock.sendall(f"GET /index.html HTTP/1.0\r\nHost: 127.0.0.1:{port}\r\n\r\n".encode())
    with ThreadPoolExecutor(32) as pool:
        replies = list(pool.map(lambda s: s.makefile("rb").readline(), sockets))
    for sock in sockets:
        sock.close()
    assert replies == [b"HTTP/1.0 200 OK\r\n"] * 300
    # Clients that go away mid-answer, and one that never says anything.
    for _ in range(5):
        sock = socket.create_connection(("127.0.0.1", port), timeout=10)
        sock.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER, b"\x01\x00\x00\x00\x00\x00\x00\x00")
        sock.sendall(f"GET /tables.js HTTP/1.0\r\nHost: 127.0.0.1:{port}\r\n\r\n".encode())
        sock.recv(10)
        sock.close()
    silent = socket.create_connection(("127.0.0.1", port), timeout=10)
    assert silent.recv(10) == b""  # closed by the server's time limit, not by us
    silent.close()
    assert request(port, "/")[0] == 200
    assert capfd.readouterr().err == ""
    assert all("Traceback" not in line and "\n" not in line for line in lines)


# ---------------------------------------------------------------- files


def test_export_never_writes_through_a_planted_temporary(tmp_path: Path) -> None:
    victim = tmp_path / "victim.txt"
    victim.write_text("the user's own file\n")
    for name in ("out.csv", "out.glb"):
        pytest.importorskip("pygltflib")
        (tmp_path / f"{name}.part").symlink_to(victim)
        export("bounce", tmp_path / name, tempo=120, fps=30, seconds=1)
        assert victim.read_text() == "the user's own file\n"
        assert (tmp_path / name).is_file() and not (tmp_path / name).is_symlink()
        assert (tmp_path / f"{name}.part").is_symlink()
    assert sorted(p.name for p in tmp_path.iterdir()) == ["out.csv", "out.csv.part", "out.glb", "out.glb.part", "victim.txt"]


def test_writing_errors_name_the_users_path_and_leave_nothing(tmp_path: Path) -> None:
    (tmp_path / "d.csv").mkdir()
    with pytest.raises(IsADirectoryError, match=r"^cannot write '.*d\.csv': it is a folder$"):
        export("bounce", tmp_path / "d.csv", tempo=120, fps=30, seconds=1)
    with pytest.raises(FileNotFoundError, match=r"^cannot write '.*missing/x\.csv': No such file or directory$"):
        export("bounce", tmp_path / "missing" / "x.csv", tempo=120, fps=30, seconds=1)
    kept = tmp_path / "kept.csv"
    kept.write_text("old\n")
    kept.chmod(0o640)
    with pytest.raises(OSError, match="No space left on device"):
        with replacing_text(kept) as out:
            out.write("half a file")
            raise OSError(28, "No space left on device")
    assert kept.read_text() == "old\n"
    with replacing_text(kept) as out:
        out.write("new\n")
    assert kept.read_text() == "new\n" and kept.stat().st_mode & 0o777 == 0o640
    # Nested writers (a whole site before any rename): the failing file is named once.
    with pytest.raises(OSError, match=r"^cannot write '.*second\.js': No space left on device$"):
        with replacing_text(tmp_path / "first.js") as first, replacing_text(tmp_path / "second.js") as second:
            first.write("1")
            second.write("2")
            raise OSError(28, "No space left on device")
    assert sorted(p.name for p in tmp_path.iterdir()) == ["d.csv", "kept.csv"]


def test_gallery_replaces_only_its_own_files(tmp_path: Path, capsys: pytest.CaptureFixture[str]) -> None:
    mine = tmp_path / "page.html"
    mine.write_text("<p>the user's page</p>\n")
    folder = tmp_path / "site"
    folder.mkdir()
    (folder / "index.html").write_text("<p>the user's index</p>\n")
    (folder / "gallery.js").symlink_to(mine)
    with pytest.raises(SiteInTheWay, match=r"already holds index\.html, gallery\.js, not written by the gallery"):
        build_site(folder)
    assert sorted(p.name for p in folder.iterdir()) == ["gallery.js", "index.html"]
    assert main(["gallery", "-o", str(folder)]) == 1
    out, err = capsys.readouterr()
    assert out == "" and err.count("\n") == 1
    assert err.endswith("not written by the gallery: choose another folder, or add --force to replace them\n")
    build_site(folder, force=True)
    assert mine.read_text() == "<p>the user's page</p>\n" and not (folder / "gallery.js").is_symlink()
    build_site(folder)  # its own files: replaced without asking


# ---------------------------------------------------------------- signals


def wait_for(condition: object, seconds: float = 30.0) -> None:
    deadline = time.monotonic() + seconds
    while not condition() and time.monotonic() < deadline:  # type: ignore[operator]
        time.sleep(0.02)


def test_sigterm_and_sighup_end_an_export_and_a_served_gallery_like_ctrl_c(tmp_path: Path) -> None:
    scratch = tmp_path / "tmp"
    scratch.mkdir()
    environment = {**os.environ, "TMPDIR": str(scratch)}
    exporting = subprocess.Popen([*VELMORA, "export", "helix", "-o", "out.csv", "--seconds", "1e5"], cwd=tmp_path,
                                 stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
    serving = subprocess.Popen([*VELMORA, "gallery", "--serve", "--port", "0"], env=environment,
                               stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
    try:
        wait_for(lambda: any(p.suffix == ".tmp" for p in tmp_path.iterdir()))
        assert serving.stdout is not None and "serving" in serving.stdout.readline()
        assert any(scratch.iterdir())
        for process, ending in ((exporting, signal.SIGTERM), (serving, signal.SIGHUP)):
            process.send_signal(ending)
            _, err = process.communicate(timeout=30)
            assert process.returncode == 128 + ending and err == ""
    finally:
        for process in (exporting, serving):
            if process.poll() is None:
                process.kill()
    assert sorted(p.name for p in tmp_path.iterdir()) == ["tmp"] and not any(scratch.iterdir())


def test_a_command_started_under_nohup_outlives_the_hang_up(tmp_path: Path) -> None:
    serving = subprocess.Popen(["nohup", *VELMORA, "gallery", "--serve", "--port", "0"], cwd=tmp_path,
                               stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
    try:
        assert serving.stdout is not None and "serving" in serving.stdout.readline()
        serving.send_signal(signal.SIGHUP)
        time.sleep(0.5)
        assert serving.poll() is None
        serving.send_signal(signal.SIGTERM)
        assert serving.wait(timeout=30) == 128 + signal.SIGTERM
    finally:
        if serving.poll() is None:
            serving.kill()


def test_sigterm_restores_the_terminal_and_prints_the_summary() -> None:
    leader, follower = pty.openpty()
    process = subprocess.Popen([*VELMORA, "play", "bounce"], stdin=follower, stdout=follower,
                               stderr=subprocess.PIPE, env={**os.environ, "TERM": "xterm-256color"})
    os.close(follower)
    shown = b""
    try:
        deadline = time.monotonic() + 30
        while b"pattern" not in shown and time.monotonic() < deadline:
            if select.select([leader], [], [], 0.1)[0]:
                shown += os.read(leader, 65536)
        process.send_signal(signal.SIGTERM)
        assert process.stderr is not None
        err = process.stderr.read().decode()
        assert process.wait(timeout=30) == 128 + signal.SIGTERM
        while select.select([leader], [], [], 0.2)[0]:
            try:
                shown += os.read(leader, 65536)
            except OSError:  # the terminal's other side has closed
                break
    finally:
        if process.poll() is None:
            process.kill()
        os.close(leader)
    assert b"\x1b[?25l" in shown and shown.rindex(b"\x1b[?25h") > shown.rindex(b"\x1b[?25l")
    assert err.startswith("velmora play: interrupted after") and "Traceback" not in err


# ---------------------------------------------------------------- numbers at the edges


def test_pips_beyond_int64_and_latencies_beyond_a_minute_are_refused_by_name() -> None:
    for tempo, seconds in ((TempoMap(120), 1e17), (TempoMap(1e308), 1.0), (TempoMap(120), [1.0, -1e17])):
        with pytest.raises(ValueError, match=r"^seconds .* beyond the 64-bit pip range"):
            tempo.pip(seconds)
    assert TempoMap(120).pip(7.2e16) == 9_216_000_000_000_000_000  # the last whole second below 2**63
    with pytest.raises(ValueError, match="beyond the 64-bit pip range"):
        frames(1e300, 60, 1.0)
    with pytest.raises(ValueError, match=r"^latency_seconds must be within ±60 s, got 1000000000.0$"):
        Player({"b": "bounce"}, tempo=120, latency_seconds=1e9)
    assert Player({"b": "bounce"}, tempo=120, latency_seconds=-60.0).latency_seconds == -60.0


@pytest.mark.parametrize(("argv", "status", "message"), [
    (["play", "bounce", "--bpm", "1e300", "--seconds", "0.1"], 2, "argument --bpm: must be at most 10000 BPM, got 1e300"),
    (["play", "bounce", "--latency", "1e12", "--seconds", "0.1"], 2, "argument --latency: must be within ±60000 ms, got 1e12"),
    (["export", "bounce", "-o", "{tmp}/x.csv", "--seconds", "1e300"], 2,
     "--seconds 1e+300 at --fps 60 is more than 67,108,864 frames; give a shorter --seconds or a lower --fps"),
    (["export", "bounce", "-o", "{tmp}/x.csv", "--bpm", "1e-300"], 2, "the default length (6e+301 s) at --fps 60 is more than"),
    (["export", "bounce", "-o", "{tmp}/x.csv", "--midi", "/dev/zero"], 1, "--midi must be a regular file, got '/dev/zero'"),
    (["export", "bounce", "-o", "{tmp}/x.csv", "--rate", "0"], 2, "--rate must be positive"),
    (["gallery", "--port", "80"], 2, "--port 80 needs --serve: add --serve, or leave --port out"),
    (["play", "bounce", "--artnet", "::1", "--seconds", "0.1"], 1, "host must be an IPv4 address or a name with one"),
    (["play", "bounce", "--osc", "127.0.0.1:70000", "--seconds", "0.1"], 2, "--osc port must be in 1..65535, got 70000"),
])
def test_command_mistakes_are_one_line_with_one_exit_code_convention(
        argv: list[str], status: int, message: str, tmp_path: Path, capsys: pytest.CaptureFixture[str]) -> None:
    try:
        got = main([a.replace("{tmp}", str(tmp_path)) for a in argv])
    except SystemExit as stop:  # argparse's own refusals
        got = stop.code  # type: ignore[assignment]
    out, err = capsys.readouterr()
    assert (got, out) == (status, "") and message in err and err.count("\n") == 1, err
    assert list(tmp_path.iterdir()) == []


def test_a_reader_that_stops_early_is_no_failure() -> None:
    shown = subprocess.run(f"{sys.executable} -m velmora_kit show beat_dembow_spring | head -1; exit ${{PIPESTATUS[0]}}",
                           shell=True, executable="/bin/bash", capture_output=True, text=True, timeout=60)
    assert (shown.returncode, shown.stderr) == (0, "") and shown.stdout.startswith("beat_dembow_spring")


# ---------------------------------------------------------------- inputs and messages


def test_native_gather_refuses_misaligned_buffers_and_render_copies_them() -> None:
    gather = pytest.importorskip("velmora_kit._gather")
    odd = np.frombuffer(bytes(8 * 4 + 1), np.int64, offset=1, count=4)
    odd_floats = np.frombuffer(bytes(8 * 4 + 1), np.float64, offset=1, count=4)
    assert not odd.flags.aligned
    rows = table("helix")
    with pytest.raises(ValueError, match="pips must be an aligned int32 or int64 array"):
        gather.gather_step(rows, odd, np.empty((4, 3)))
    with pytest.raises(ValueError, match="pips must be an aligned float64 array"):
        gather.gather_linear(rows, odd_floats, np.empty((4, 3)))
    assert render("helix", odd).tobytes() == render("helix", [0, 0, 0, 0]).tobytes()
    assert render("helix", odd_floats, interpolation="linear").tobytes() == render("helix", [0, 0, 0, 0]).tobytes()


def test_kit_messages_name_the_argument_and_what_to_do() -> None:
    for unordered in ({1, 2}, {1: 2}, {1: 2}.keys()):
        with pytest.raises(TypeError, match=r"^pips must be an ordered sequence or an array, got \w+; pass a list"):
            render("bounce", unordered)
    with pytest.raises(ValueError, match=r"^Unknown velmora: bounse \(did you mean bounce\b.*\?\)$"):
        render("bounse", [0])
    with pytest.raises(ValueError, match="^Unknown velmora: zzzzqqqq$"):  # nothing close: the module's message
        render("zzzzqqqq", [0])
    with pytest.raises(TypeError, match=r"^low must be a number or a sequence of numbers \(one per axis\), got 'a'$"):
        to_range([0.5], "a", 2)  # type: ignore[arg-type]
    with pytest.raises(ValueError, match="^low must be one number for a single position, got 1 values$"):
        to_range(0.5, [0], [10])
    pytest.importorskip("pythonosc")
    sink = OscSink("127.0.0.1", np.int64(9000))
    assert sink.port == 9000 and type(sink.port) is int
    with pytest.raises(TypeError, match="port must be an int"):
        OscSink("127.0.0.1", np.bool_(True))  # type: ignore[arg-type]
