"""Runs the Windows builds under Wine on a private Xvfb display and drives their windows.

One WineSession is one fresh Wine prefix, one X server and one persistent wineserver. Windows
are driven by lumora_driver.exe (tests/e2e/driver), which runs inside the same session; every
text crosses that boundary as UTF-16 (hex or a file) and comes back as ASCII JSON, so NUL
characters, emoji and lone surrogates survive. The session keeps its drivers running and sends
them commands over a pipe (starting a Wine process costs about 100 ms; a command, well under
one); a command that runs while another waits gets a driver of its own. Python standard
library only.

The same suites run the shipped 32-bit build through CPU emulation when the environment names
another Wine (as printed by scripts/prepare_wine32.sh): LUMORA_WINE (the loader),
LUMORA_WINESERVER, LUMORA_WINEARCH (the prefix's architecture, win64 by default) and
LUMORA_TIMEOUT_FACTOR (every time-out of the harness is multiplied by it).
"""

import atexit
import collections
import glob
import json
import os
import re
import select
import shutil
import signal
import subprocess
import tempfile
import threading
import time

WINE = os.environ.get("LUMORA_WINE") or "/usr/lib/wine/wine64"
WINESERVER = os.environ.get("LUMORA_WINESERVER") or "/usr/lib/wine/wineserver"
WINEARCH = os.environ.get("LUMORA_WINEARCH") or "win64"
TIMEOUT_FACTOR = float(os.environ.get("LUMORA_TIMEOUT_FACTOR") or 1)
REPO = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))

WS_EX_TOPMOST = 0x8
IDOK = 1
IDYES, IDNO = 6, 7
# Texts longer than this go to the driver through a file instead of the command line.
_INLINE_LIMIT = 4000
_DRIVER_TIMEOUT = 60


def scaled(seconds):
    """A time-out of the harness or a test, stretched for a slower Wine (LUMORA_TIMEOUT_FACTOR);
    None (no limit) stays None."""
    return None if seconds is None else seconds * TIMEOUT_FACTOR


class HarnessError(RuntimeError):
    """The driver or Wine failed in a way that is not the tested program's answer."""


def build_dir():
    """The win64 build tree: $LUMORA_BUILD, else <repo>/build/win64."""
    return os.environ.get("LUMORA_BUILD") or os.path.join(REPO, "build", "win64")


def exe(*parts):
    """Path of a file in the win64 build tree."""
    return os.path.join(build_dir(), *parts)


def control_ids(table):
    """{design name: id} from a control-id table of the sources, such as
    "poster/lumora_control_ids.inc": the table the programs and the unit tests are built from."""
    with open(os.path.join(REPO, table), encoding="utf-8") as f:
        ids = {name: int(number) for name, number in
               re.findall(r"^CONTROL_ID\((\w+),\s*(\d+)\)", f.read(), re.MULTILINE)}
    if not ids:
        raise HarnessError("no control ids in " + table)
    return ids


def lumora_control_ids():
    return control_ids(os.path.join("poster", "lumora_control_ids.inc"))


def setup_control_ids():
    return control_ids(os.path.join("installer", "setup_lumora_control_ids.inc"))


def lumora_exe():
    return exe("poster", "Lumora.exe")


def setup_exe():
    return exe("installer", "SetupLumora.exe")


def driver_exe():
    return exe("tests", "e2e", "driver", "lumora_driver.exe")


def minimal_window_exe():
    return exe("tests", "e2e", "driver", "minimal_window.exe")


def require_built(*programs):
    """Skips the calling test module unless the Wine loader, the driver and every given program
    exist."""
    import unittest
    if not os.path.exists(WINE):
        raise unittest.SkipTest("no Wine loader %s (the 32-bit one is prepared by "
                                "scripts/prepare_wine32.sh)" % WINE)
    missing = [p for p in (driver_exe(),) + programs if not os.path.exists(p)]
    if missing:
        raise unittest.SkipTest("build the %s preset first: missing %s" % (
            os.path.basename(build_dir()), ", ".join(missing)))


def windows_path(unix_path):
    """A Unix path as Wine sees it through its Z: drive (the whole Unix file system)."""
    return "Z:" + os.path.abspath(unix_path).replace("/", "\\")


def wait_until(condition, timeout=10.0, interval=0.05):
    """Polls condition() until it returns something truthy; returns that value, or the last
    falsy value once the deadline has passed."""
    deadline = time.monotonic() + scaled(timeout)
    while True:
        value = condition()
        if value or time.monotonic() >= deadline:
            return value
        time.sleep(interval)


def _utf16_hex(text):
    return "x:" + text.encode("utf-16-le", "surrogatepass").hex()


def _quote_arg(arg):
    """Quotes one argument the way CommandLineToArgvW reads it back."""
    if arg and not any(c in arg for c in ' \t\n"'):
        return arg
    out, backslashes = '"', 0
    for c in arg:
        if c == "\\":
            backslashes += 1
        elif c == '"':
            out += "\\" * (2 * backslashes + 1) + '"'
            backslashes = 0
        else:
            out += "\\" * backslashes + c
            backslashes = 0
    return out + "\\" * (2 * backslashes) + '"'


_live_sessions = set()


@atexit.register
def _stop_all_sessions():
    for session in list(_live_sessions):
        session.stop()


class _Driver:
    """One long-lived `lumora_driver.exe serve`: a command is a line of tab-separated arguments,
    its answer the lines up to one that holds a single "."."""

    def __init__(self, argv, env):
        # Output goes to a pipe that is read up to the end marker only: Wine programs started
        # on the side may inherit it and keep it open after the driver has ended.
        self._process = subprocess.Popen(argv, env=env, stdin=subprocess.PIPE,
                                         stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
        self._pending = b""

    def ask(self, args, timeout):
        """The answer's lines; raises HarnessError when the driver fails or is too slow, after
        which this driver is no longer usable."""
        line = "\t".join(args)
        if any(c in line for c in "\r\n") or any("\t" in a for a in args):
            raise HarnessError("a driver argument holds a tab or a line break: %r" % (args,))
        try:
            self._process.stdin.write(line.encode("utf-8") + b"\n")
            self._process.stdin.flush()
        except OSError as error:
            raise HarnessError("driver %s: cannot send the command (%s)" % (args[:1], error))
        fd = self._process.stdout.fileno()
        deadline = time.monotonic() + timeout
        while b"\n.\n" not in b"\n" + self._pending:
            left = deadline - time.monotonic()
            if left <= 0:
                raise HarnessError("driver %s timed out after %ss" % (args[:1], timeout))
            ready, _, _ = select.select([fd], [], [], left)
            if ready:
                chunk = os.read(fd, 1 << 16)
                if not chunk:
                    raise HarnessError("driver %s ended (rc %s)" % (args[:1],
                                                                   self._process.poll()))
                self._pending += chunk
        marker = (b"\n" + self._pending).index(b"\n.\n")
        answer, self._pending = self._pending[:marker], self._pending[marker + 2:]
        return answer.decode("ascii", "replace").splitlines()

    def close(self, kill=False):
        """Ends the driver: closing its input ends its loop; killed if it does not, or at once
        with kill (a driver that failed may be stuck in its command)."""
        try:
            self._process.stdin.close()
        except OSError:
            pass
        try:
            self._process.wait(timeout=0 if kill else scaled(10))
        except subprocess.TimeoutExpired:
            self._process.kill()
            self._process.wait()
        self._process.stdout.close()


class Program:
    """A program started inside a session by the driver, which stays beside it to collect its
    exit code (written to a file: a pipe could be held open by the program's own children)."""

    def __init__(self, session, monitor, answers_path, pid):
        self._session = session
        self._monitor = monitor
        self._answers_path = answers_path
        self.pid = pid
        self._exit_code = None

    def _read_exit(self):
        for answer in _read_answers(self._answers_path):
            if "exit" in answer:
                return answer["exit"]
        return -1

    def wait_exit(self, timeout=10.0):
        """The program's exit code once it has ended within timeout seconds, else None."""
        if self._exit_code is None:
            try:
                self._monitor.wait(timeout=scaled(timeout))
            except subprocess.TimeoutExpired:
                return None
            self._exit_code = self._read_exit()
        return self._exit_code

    def running(self):
        return self._exit_code is None and self._monitor.poll() is None

    def kill(self):
        """Terminates the program (exit code 1) unless it has ended already."""
        if self.running():
            try:
                self._session.driver("kill", str(self.pid), timeout=15)
            except HarnessError:
                pass
        if self.wait_exit(10) is None:
            self._monitor.kill()
            self._monitor.wait()
            self._exit_code = self._read_exit()


def _read_answers(path):
    try:
        with open(path, "rb") as f:
            lines = f.read().decode("ascii", "replace").splitlines()
    except OSError:
        return []
    return [json.loads(l) for l in lines if l.startswith("{") and l.endswith("}")]


class WineSession:
    """A private Wine prefix (win64, or LUMORA_WINEARCH), X display and persistent wineserver.

    Use as a context manager or call start()/stop(). stop() ends every process the session
    started, also after a failure, and deletes the prefix."""

    def __init__(self, http_proxy=None, env=None, screen="1280x1024x24"):
        self.http_proxy = http_proxy
        self._extra_env = dict(env or {})
        self._screen = screen
        self.prefix_root = None
        self.prefix = None
        self._prefix_id = None
        self.display = None
        self.env = None
        self._xvfb = None
        self._wineserver = None
        self._programs = []
        self._temp_files = 0
        self._idle_drivers = []
        self._drivers_lock = threading.Lock()

    # --- lifetime ------------------------------------------------------------------------

    def __enter__(self):
        return self.start()

    def __exit__(self, *exc):
        self.stop()
        return False

    def start(self, *args, **kwargs):
        """Without arguments: boots the session and returns it. With arguments: starts a
        program, see run()."""
        if args or kwargs:
            return self.run(*args, **kwargs)
        if self.env is not None:
            return self
        _live_sessions.add(self)
        try:
            self._boot()
        except BaseException:
            self.stop()
            raise
        return self

    def _boot(self):
        self.prefix_root = tempfile.mkdtemp(prefix="lumora-wine-")
        self.prefix = os.path.join(self.prefix_root, "prefix")
        os.mkdir(self.prefix)
        status = os.stat(self.prefix)
        self._prefix_id = (status.st_dev, status.st_ino)
        self._start_xvfb()
        env = dict(os.environ)
        env.update(
            WINEPREFIX=self.prefix,
            WINEARCH=WINEARCH,
            WINESERVER=WINESERVER,
            WINEDEBUG="-all",
            WINEDLLOVERRIDES="mscoree,mshtml=",
            DISPLAY=self.display,
            LANG="C.UTF-8",
        )
        env.pop("WAYLAND_DISPLAY", None)
        if self.http_proxy:
            env["http_proxy"] = self.http_proxy
        env.update(self._extra_env)
        self.env = env
        self._wineserver = subprocess.Popen(
            [WINESERVER, "-p"], env=env, stdin=subprocess.DEVNULL,
            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        # wineboot now and then fails its first run on a fresh prefix ("fixed a temporary
        # directory error") and succeeds when run again.
        for attempt in range(3):
            if self.wine("wineboot", "--init", timeout=240, check=attempt == 2).returncode == 0:
                break
        self.wine("reg", "add", r"HKCU\Software\Wine\X11 Driver", "/v", "Managed",
                  "/t", "REG_SZ", "/d", "N", "/f")
        # wineboot returns before the prefix's last files are written; wait for C:\windows.
        wait_until(lambda: os.path.isdir(self.unix_path("C:\\windows\\system32")), 30)

    def _start_xvfb(self):
        # Xvfb picks the lowest display number whose /tmp/.X<n>-lock it can take, so several
        # sessions can start at once without racing for a number.
        read_fd, write_fd = os.pipe()
        self._xvfb = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write_fd), "-screen", "0", self._screen,
             "-nolisten", "tcp"],
            pass_fds=(write_fd,), stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
            stderr=subprocess.DEVNULL)
        os.close(write_fd)
        number = b""
        deadline = time.monotonic() + 30
        with os.fdopen(read_fd, "rb") as pipe:
            while not number.endswith(b"\n") and time.monotonic() < deadline:
                chunk = pipe.read(1)
                if not chunk:
                    break
                number += chunk
        if not number.strip():
            raise HarnessError("Xvfb did not report a display number")
        self.display = ":" + number.decode().strip()

    def stop(self):
        """Ends every program, the wineserver and Xvfb (by PID) and deletes the prefix."""
        for program in self._programs:
            if program.running():
                try:
                    program.kill()
                except Exception:
                    pass
        self._programs = []
        with self._drivers_lock:
            drivers, self._idle_drivers = self._idle_drivers, []
        for driver in drivers:
            driver.close()
        if self.env is not None:
            try:
                subprocess.run([WINESERVER, "-k"], env=self.env, timeout=scaled(30),
                               stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            except subprocess.TimeoutExpired:
                pass
        if self._wineserver is not None:
            try:
                self._wineserver.wait(timeout=scaled(15))
            except subprocess.TimeoutExpired:
                self._wineserver.kill()
                self._wineserver.wait()
            self._wineserver = None
        if self._xvfb is not None:
            self._xvfb.send_signal(signal.SIGTERM)
            try:
                self._xvfb.wait(timeout=10)
            except subprocess.TimeoutExpired:
                self._xvfb.kill()
                self._xvfb.wait()
            self._xvfb = None
        if self.prefix_root:
            shutil.rmtree(self.prefix_root, ignore_errors=True)
            self.prefix_root = None
        self._remove_server_folder()
        self.env = None
        _live_sessions.discard(self)

    def _remove_server_folder(self):
        """Removes the folder in which the wineserver kept its socket for this prefix, which
        outlives the prefix: Debian's Wine puts it in <temp>/wine-XXXXXX/server-<dev>-<inode>
        (the prefix's device and inode in hex), with the random parent shared by every prefix
        of the user; the parent goes too once it is empty."""
        if self._prefix_id is None:
            return
        name = "server-%x-%x" % self._prefix_id
        self._prefix_id = None
        temp = os.environ.get("TMPDIR") or "/tmp"
        for parent in glob.glob(os.path.join(glob.escape(temp), "wine-*")):
            folder = os.path.join(parent, name)
            if os.path.isdir(folder):
                shutil.rmtree(folder, ignore_errors=True)
                try:
                    os.rmdir(parent)
                except OSError:
                    pass  # other prefixes' servers still live there

    # --- paths -----------------------------------------------------------------------------

    @property
    def c_drive(self):
        return os.path.join(self.prefix, "drive_c")

    def unix_path(self, win_path):
        """The Unix path of a C: or Z: path of this session, or of a network path
        \\\\server\\share\\..., which Wine looks up under the prefix's dosdevices/unc."""
        if win_path.startswith("\\\\"):
            parts = [p for p in win_path[2:].split("\\") if p]
            return os.path.join(self.prefix, "dosdevices", "unc", *parts)
        drive, rest = win_path[:2].upper(), win_path[2:].lstrip("\\")
        parts = [p for p in rest.split("\\") if p]
        if drive == "C:":
            return os.path.join(self.c_drive, *parts)
        if drive == "Z:":
            return os.path.join("/", *parts)
        raise ValueError("no Unix path for " + win_path)

    def temp_file(self, suffix=""):
        """A fresh file name inside the session's temporary folder."""
        self._temp_files += 1
        return os.path.join(self.prefix_root, "t%d%s" % (self._temp_files, suffix))

    # --- raw commands ----------------------------------------------------------------------

    def _run(self, argv, timeout):
        """Runs a Wine process with its output in files: programs that Wine starts on the side
        (services, explorer) inherit the output handles and would keep a pipe open forever."""
        out_path, err_path = self.temp_file(".out"), self.temp_file(".err")
        with open(out_path, "wb") as out, open(err_path, "wb") as err:
            process = subprocess.Popen(argv, env=self.env, stdin=subprocess.DEVNULL,
                                       stdout=out, stderr=err)
            try:
                process.wait(timeout=scaled(timeout))
            except subprocess.TimeoutExpired:
                process.kill()
                process.wait()
                raise HarnessError("%s timed out after %ss" % (argv[1:3], scaled(timeout)))
        with open(out_path, "rb") as out, open(err_path, "rb") as err:
            result = subprocess.CompletedProcess(argv, process.returncode, out.read(), err.read())
        os.unlink(out_path)
        os.unlink(err_path)
        return result

    def wine(self, *args, timeout=60, check=True):
        """Runs a Wine command (a builtin such as reg, or an .exe path) and waits for it;
        returns the CompletedProcess with text output."""
        result = self._run([WINE, *args], timeout)
        result.stdout = result.stdout.decode("utf-8", "replace")
        result.stderr = result.stderr.decode("utf-8", "replace")
        if check and result.returncode != 0:
            raise HarnessError("wine %s failed (%d): %s" % (args, result.returncode,
                                                           result.stderr[-2000:]))
        return result

    def _text_arg(self, text):
        if text is None:
            return "~"
        if len(text) <= _INLINE_LIMIT:
            return _utf16_hex(text)
        path = self.temp_file(".u16")
        with open(path, "wb") as f:
            f.write(text.encode("utf-16-le", "surrogatepass"))
        return "@" + windows_path(path)

    def driver(self, *args, timeout=_DRIVER_TIMEOUT):
        """Runs one driver command and returns its JSON answer. Safe to call from several
        threads at once: each call has a running driver to itself."""
        with self._drivers_lock:
            driver = self._idle_drivers.pop() if self._idle_drivers else None
        if driver is None:
            driver = _Driver([WINE, driver_exe(), "serve"], self.env)
        try:
            lines = driver.ask(args, scaled(timeout))
        except BaseException:
            driver.close(kill=True)
            raise
        with self._drivers_lock:
            if self.env is not None:
                self._idle_drivers.append(driver)
                driver = None
        if driver is not None:  # the session stopped meanwhile
            driver.close()
        lines = [l for l in lines if l.startswith("{")]
        if not lines:
            raise HarnessError("driver %s gave no answer" % (args[:1],))
        answer = json.loads(lines[-1])
        if "error" in answer:
            raise HarnessError("driver %s: %s (error %s)" % (args[:1], answer["error"],
                                                             answer.get("code")))
        return answer

    # --- programs --------------------------------------------------------------------------

    def _start_request(self, exe_path, args, env, unset, cwd, http_proxy, command_line=None):
        win_exe = exe_path if exe_path[1:2] == ":" else windows_path(exe_path)
        if command_line is None:
            command_line = " ".join(_quote_arg(a) for a in [win_exe, *args])
        changes = []
        proxy = http_proxy or self.http_proxy
        if proxy:
            changes.append("http_proxy=" + proxy)
        changes += ["%s=%s" % (k, v) for k, v in (env or {}).items()]
        changes += ["-" + name for name in unset]
        # A 64-bit process started under Wine gets ProgramFiles reset from ProgramW6432 while it
        # starts up; without that variable the value given here stays.
        named = {n.lower() for n in list((env or {}).keys()) + list(unset)}
        if "programfiles" in named and "programw6432" not in named:
            changes.append("-ProgramW6432")
        return "\0".join([win_exe, command_line, cwd or "", *changes])

    def run(self, exe_path, args=(), env=None, unset=(), cwd="C:\\", http_proxy=None,
            command_line=None):
        """Starts a program through the driver with an exact environment: the session's Windows
        environment, with `env` (name -> value) set and the names in `unset` removed (setting
        or removing ProgramFiles also removes ProgramW6432, or Wine would restore it).
        exe_path is a Unix path or a Windows path. The working folder defaults to C:\\ so that
        a root-relative path of the program lands in the prefix. `command_line`, when given, is
        the program's whole command line exactly (args are then ignored). Returns a Program."""
        design = self._start_request(exe_path, args, env, unset, cwd, http_proxy, command_line)
        answers_path = self.temp_file(".json")
        with open(answers_path, "wb") as answers:
            monitor = subprocess.Popen(
                [WINE, driver_exe(), "start", self._text_arg(design)], env=self.env,
                stdin=subprocess.DEVNULL, stdout=answers, stderr=subprocess.DEVNULL)
        first = wait_until(lambda: _read_answers(answers_path) or monitor.poll() is not None,
                           timeout=60, interval=0.01)
        answers = _read_answers(answers_path)
        if not first or not answers or "pid" not in answers[0]:
            if monitor.poll() is None:
                monitor.kill()
            monitor.wait()
            raise HarnessError("driver could not start %s: %s" % (exe_path, answers))
        program = Program(self, monitor, answers_path, answers[0]["pid"])
        self._programs.append(program)
        return program

    def time_start(self, exe_path, cls, control_id=-1, timeout=30, args=(), env=None,
                   unset=(), cwd="C:\\", http_proxy=None):
        """Seconds from creating the process until a visible window of class `cls` exists and,
        with control_id >= 0, that control holds text; measured inside the session, after which
        the program is ended."""
        design = self._start_request(exe_path, args, env, unset, cwd, http_proxy)
        return self.driver("time_start", self._text_arg(design), self._text_arg(cls),
                           str(control_id), str(int(scaled(timeout) * 1000)),
                           timeout=timeout + 30)["seconds"]

    def kill_programs(self):
        """Kills every program this session started that still runs."""
        for program in self._programs:
            program.kill()
        self._programs = []

    # --- clipboard -------------------------------------------------------------------------

    def set_clipboard(self, text):
        """Puts text on the clipboard as CF_UNICODETEXT (any length, NULs and emoji kept)."""
        self.driver("set_clipboard", self._text_arg(text))

    def clear_clipboard(self):
        self.driver("set_clipboard", "~")

    def get_clipboard(self):
        """The clipboard's Unicode text up to its first NUL, or None when it holds no text."""
        return self.driver("get_clipboard")["text"]

    def shell_open(self, target):
        """Opens `target` (a link) through the shell, as a browser hands a link over; returns
        the process id of the program the shell started, or 0."""
        return self.driver("shell_open", self._text_arg(target))["pid"]

    # --- windows ---------------------------------------------------------------------------

    def wait_window(self, cls=None, title=None, timeout=10):
        """The handle of a visible top-level window of that class and/or exact title, once
        one exists; None after timeout seconds."""
        return self.driver("wait_window", self._text_arg(cls), self._text_arg(title),
                           str(int(scaled(timeout) * 1000)), timeout=timeout + 30)["hwnd"]

    def windows(self, cls=None, title=None, visible=True):
        """Handles of the top-level windows of that class and/or title."""
        answer = self.driver("windows", self._text_arg(cls), self._text_arg(title))
        return answer["visible" if visible else "all"]

    def window_exists(self, cls=None, title=None, visible=True):
        return bool(self.windows(cls, title, visible))

    def info(self, hwnd, control_id=-1):
        """Everything the driver knows of a window or one of its controls (by id): exists,
        class, title, visible, enabled, rect, client, client_origin, style, ex_style, id, pid."""
        return self.driver("info", str(hwnd), str(control_id))

    def controls(self, hwnd):
        """All descendant windows: dicts of hwnd, id, class, text, parent, rect."""
        return self.driver("controls", str(hwnd))["controls"]

    def get_text(self, hwnd, control_id=-1):
        return self.driver("get_text", str(hwnd), str(control_id))["text"]

    def set_text(self, hwnd, control_id, text):
        """WM_SETTEXT: bypasses input limits, as on Windows."""
        self.driver("set_text", str(hwnd), str(control_id), self._text_arg(text))

    def type_text(self, hwnd, control_id, text):
        """One WM_CHAR per UTF-16 unit, so the control's input limit applies."""
        self.driver("type_text", str(hwnd), str(control_id), self._text_arg(text),
                    timeout=_DRIVER_TIMEOUT + len(text) // 50)

    def click(self, hwnd, control_id):
        """Posts BM_CLICK to the button: returns at once, even if the click opens a box."""
        self.driver("click", str(hwnd), str(control_id))

    def choose_system_menu_item(self, hwnd, access_key, timeout=10):
        """Opens the window's system menu as Alt+Space does and types the item's access key;
        returns once the menu is open, before the item's command has run."""
        self.driver("system_menu", str(hwnd), access_key, str(int(scaled(timeout) * 1000)),
                    timeout=timeout + 30)

    def close(self, hwnd):
        """Posts WM_CLOSE to a top-level window, as its close box does."""
        self.driver("close", str(hwnd), "-1")

    def focused_control(self, hwnd):
        """Control id of the control with the keyboard focus in hwnd's thread (0 if none)."""
        return self.driver("focus", str(hwnd))["id"]

    def is_enabled(self, hwnd, control_id=-1):
        return self.info(hwnd, control_id)["enabled"]

    def is_visible(self, hwnd, control_id=-1):
        answer = self.info(hwnd, control_id)
        return answer["exists"] and answer["visible"]

    def window_title(self, hwnd):
        return self.info(hwnd)["title"]

    def window_rect(self, hwnd, control_id=-1):
        """(left, top, right, bottom) in screen pixels."""
        return tuple(self.info(hwnd, control_id)["rect"])

    def client_rect(self, hwnd, control_id=-1):
        """(left, top, right, bottom) of the client area in screen pixels."""
        answer = self.info(hwnd, control_id)
        x, y = answer["client_origin"]
        _, _, width, height = answer["client"]
        return (x, y, x + width, y + height)

    def ex_style(self, hwnd):
        return self.info(hwnd)["ex_style"]

    # --- message boxes ---------------------------------------------------------------------

    def message_boxes(self, title=None):
        """Visible message boxes now: list of (hwnd, title, text)."""
        boxes = self.driver("message_boxes", self._text_arg(title), "0")["boxes"]
        return [(b["hwnd"], b["title"], b["text"]) for b in boxes]

    def wait_message_box(self, title=None, timeout=10):
        """(hwnd, title, text) of a visible message box (a top-level #32770 window), with that
        exact title if given; None after timeout seconds."""
        boxes = self.driver("message_boxes", self._text_arg(title),
                            str(int(scaled(timeout) * 1000)),
                            timeout=timeout + 30)["boxes"]
        if not boxes:
            return None
        b = boxes[0]
        return (b["hwnd"], b["title"], b["text"])

    def dismiss_message_box(self, hwnd, button=IDOK):
        """Clicks the box's button (OK by default) and waits until the box has closed."""
        self.driver("dismiss", str(hwnd), str(button))

    def no_message_box_within(self, seconds):
        """True when no message box shows during the next `seconds` seconds."""
        return self.wait_message_box(timeout=seconds) is None

    # --- other views -----------------------------------------------------------------------

    def screenshot(self, path, hwnd=None):
        """PNG of the whole display, or cropped to a window's outer rectangle."""
        command = ["import", "-display", self.display, "-window", "root"]
        if hwnd is not None:
            left, top, right, bottom = self.window_rect(hwnd)
            command += ["-crop", "%dx%d+%d+%d" % (right - left, bottom - top, left, top),
                        "+repage"]
        subprocess.run(command + [path], check=True, timeout=60, stdin=subprocess.DEVNULL,
                       capture_output=True)

    def colors(self, hwnd, control_id=-1, client=False):
        """collections.Counter of the (r, g, b) pixels that a window or control (with client,
        only its client area) shows on the display now."""
        rect = self.client_rect if client else self.window_rect
        left, top, right, bottom = rect(hwnd, control_id)
        result = subprocess.run(
            ["import", "-display", self.display, "-window", "root", "-crop",
             "%dx%d+%d+%d" % (right - left, bottom - top, left, top), "+repage",
             "-depth", "8", "rgb:-"],
            check=True, timeout=60, stdin=subprocess.DEVNULL, capture_output=True)
        data = result.stdout
        return collections.Counter(tuple(data[i:i + 3]) for i in range(0, len(data) - 2, 3))

    def reg_query(self, key, value=None):
        """Reads the registry with `reg query`. With a value name ("" for the default value):
        its data as text, or None when the key or value is missing. Without: {name: (type,
        data)} of the key's values (the default value is named ""), or None when the key is
        missing."""
        default = value in ("", "(Default)")
        args = ["reg", "query", key]
        if value is not None:
            args += ["/ve"] if default else ["/v", value]
        result = self.wine(*args, check=False)
        if result.returncode != 0:
            return None
        values = {}
        for line in result.stdout.splitlines():
            if not line.startswith("    "):
                continue
            fields = line[4:].split("    ")
            if len(fields) < 2:
                continue
            name, kind, data = fields[0], fields[1], "    ".join(fields[2:])
            if name == "(Default)":
                if data == "(value not set)":
                    continue
                name = ""
            values[name] = (kind, data)
        if value is None:
            return values
        found = values.get("" if default else value)
        return found[1] if found else None
