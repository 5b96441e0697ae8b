#!/usr/bin/env python3
"""kivo-grab run under Wine against the camera simulator.

ctest runs one test class per entry:  grab_tests.py CLASS [-v]
The environment names the program and the Wine test environment:
  KIVO_WINE_RUN    cmake/wine-run.sh        KIVO_WINE_STATE  its state folder
  KIVO_GRAB_TOOL   kivo-grab.exe            KIVO_GRAB_WORK   a folder for files
  KIVO_GRAB_HOLD   GrabTestServerHold.exe, which holds a connection to the
                   simulator so that it and its camera state last between runs
Files are passed by relative names from a scratch folder that is the
program's working directory, so no path needs translating for Wine.
"""
import os
import re
import shutil
import subprocess
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import check_png  # noqa: E402

RUNNER = os.environ.get("KIVO_WINE_RUN", "")
STATE = os.environ.get("KIVO_WINE_STATE", "")
TOOL = os.environ.get("KIVO_GRAB_TOOL", "")
HOLD = os.environ.get("KIVO_GRAB_HOLD", "")
WORK = os.environ.get("KIVO_GRAB_WORK", tempfile.gettempdir())

EXIT_CAMERA, EXIT_USAGE, EXIT_FILE = 1, 2, 3
# The labels of the lines of diag, as its usage text documents them.
DIAG_LABELS = ("Activation time:", "Round trip (GetServerState):", "Picture transfer (GetRGBPicture):",
               "Live area:", "Live frame rate without overlay:", "Client CPU per picture without overlay:",
               "Server CPU per picture without overlay:", "with overlay")
PALETTE, RGB = 3, 2   # PNG colour types: GDI+ saves 8-bit grey with a palette
BAR_COLOURS = [(255, 255, 255), (255, 255, 0), (0, 255, 255), (0, 255, 0),
               (255, 0, 255), (255, 0, 0), (0, 0, 255), (0, 0, 0)]


# Wine's own diagnostics ("0123:err:ole:...", "fixme:heap:..."), present when
# WINEDEBUG enables them, as in the heap-checked run.
WINE_DEBUG_LINE = re.compile(r"^(?:[0-9a-f]+:)?(?:err|warn|fixme|trace):[\w-]+:")


def grab(*args, cwd=None, stdin_text=None):
    """Runs kivo-grab; the result has returncode, stdout and stderr (text).
    Wine's diagnostics are passed on to this script's stderr, where the
    heap-checked run looks for them, and left out of the result."""
    result = subprocess.run([RUNNER, STATE, TOOL, *args], cwd=cwd or WORK, input=stdin_text,
                            capture_output=True, text=True, encoding="utf-8", timeout=120)
    lines = result.stderr.splitlines(keepends=True)
    wine_lines = [line for line in lines if WINE_DEBUG_LINE.match(line)]
    if wine_lines:
        sys.stderr.write("".join(wine_lines))
        result.stderr = "".join(line for line in lines if not WINE_DEBUG_LINE.match(line))
    return result


def get_props(*props):
    """{number: (name, value)} from one 'get' run."""
    result = grab("get", *[str(p) for p in props])
    if result.returncode != 0:
        raise AssertionError("get %s failed: %s" % (props, result.stderr))
    values = {}
    for line in result.stdout.splitlines():
        number, name, value = line.split("\t")
        values[int(number)] = (name, value)
    return values


def set_prop(prop, value):
    result = grab("set", str(prop), str(value))
    if result.returncode != 0:
        raise AssertionError("set %s %s failed: %s" % (prop, value, result.stderr))


class ScratchFolder(unittest.TestCase):
    """A fresh working folder per test."""

    def setUp(self):
        os.makedirs(WORK, exist_ok=True)
        self.folder = tempfile.mkdtemp(dir=WORK)

    def tearDown(self):
        shutil.rmtree(self.folder, ignore_errors=True)

    def path(self, name):
        return os.path.join(self.folder, name)

    def run_grab(self, *args, stdin_text=None):
        return grab(*args, cwd=self.folder, stdin_text=stdin_text)

    def assertExit(self, result, code):
        self.assertEqual(code, result.returncode,
                         "exit %d, stdout %r, stderr %r" % (result.returncode, result.stdout, result.stderr))


class CameraTests(ScratchFolder):
    """Tests against the simulator, which a held connection keeps running."""

    @classmethod
    def setUpClass(cls):
        os.makedirs(WORK, exist_ok=True)   # get_props runs there before any test's setUp
        # Its stderr (reasons, Wine's diagnostics) goes straight to this script's.
        cls.holder = subprocess.Popen([RUNNER, STATE, HOLD], stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                      text=True)
        line = cls.holder.stdout.readline()
        if line.strip() != "connected":
            cls.release_holder()
            raise RuntimeError("the simulator could not be held: %r" % line)

    @classmethod
    def tearDownClass(cls):
        cls.release_holder()

    @classmethod
    def release_holder(cls):
        cls.holder.stdin.close()
        try:
            cls.holder.wait(timeout=60)
        except subprocess.TimeoutExpired:
            cls.holder.kill()
            cls.holder.wait()
        cls.holder.stdout.close()


class UsageTests(ScratchFolder):
    def test_help_documents_commands_and_exit_codes(self):
        for option in ("--help", "-h", "/?"):
            result = self.run_grab(option)
            self.assertExit(result, 0)
            self.assertEqual("", result.stderr)
            text = result.stdout
            self.assertIn("Usage: kivo-grab", text)
            for command in ("picture N FILE", "rgb FILE", "live FILE", "--colour", "--timeout-ms",
                            "record FOLDER (--count N | --seconds S) [--colour] [--timeout-ms T]",
                            "live-000001.png", "record.csv", "index,time_ms,width,height,format,file",
                            "pictures N, elapsed E s, rate R per s,", "interval min A ms, max B ms",
                            "get PROP", "set PROP VALUE", "--text", "table measure|search get FILE",
                            "table measure|search set FILE", "diag [--seconds S]"):
                self.assertIn(command, text)
            for label in DIAG_LABELS:
                self.assertIn(label, text)
            for code, meaning in ((0, "success"), (1, "camera error"), (2, "usage error"),
                                  (3, "file error"), (4, "no live picture")):
                self.assertRegex(text, r"(?m)^\s+%d\s+%s" % (code, meaning))

    def test_help_wins_anywhere_on_the_line(self):
        result = self.run_grab("picture", "1", "--help")
        self.assertExit(result, 0)
        self.assertIn("Usage: kivo-grab", result.stdout)
        self.assertFalse(os.listdir(self.folder))

    def test_no_arguments_is_a_usage_error(self):
        result = self.run_grab()
        self.assertExit(result, EXIT_USAGE)
        self.assertEqual("", result.stdout)
        self.assertIn("kivo-grab: no command given", result.stderr)
        self.assertIn("--help", result.stderr)

    def test_invalid_command_lines_name_the_fault(self):
        cases = [
            (("bogus",), "unknown command 'bogus'"),
            (("picture", "1"), "picture needs a picture number and a file"),
            (("picture", "one", "a.png"), "picture: 'one' is not a picture number"),
            (("picture", "2147483648", "a.png"), "picture: '2147483648' is not a picture number"),
            (("rgb",), "rgb needs exactly one file"),
            (("rgb", "a.png", "b.png"), "rgb needs exactly one file"),
            (("live", "a.png", "--timeout-ms"), "--timeout-ms needs a number"),
            (("live", "a.png", "--timeout-ms", "-1"), "--timeout-ms: '-1' is not a number of milliseconds from 0 to 3600000"),
            (("live", "a.png", "--timeout-ms=3600001"), "--timeout-ms: '3600001' is not a number"),
            (("get",), "get needs at least one property"),
            (("get", "20", "NOPE"), "'NOPE' is neither a property number nor a property name"),
            (("get", "-1"), "'-1' is neither a property number nor a property name"),
            (("get", "20", "--colour"), "--colour and --timeout-ms belong to the commands live and record"),
            (("record", "--count", "2"), "record needs exactly one folder"),
            (("record", "d", "e", "--count", "2"), "record needs exactly one folder"),
            (("record", "d", "--colour"), "record needs --count N or --seconds S"),
            (("record", "d", "--count", "2", "--seconds", "1"), "record takes --count or --seconds, not both"),
            (("record", "d", "--count"), "--count needs a number of pictures"),
            (("record", "d", "--seconds"), "--seconds needs a number of seconds"),
            (("record", "d", "--count", "0"), "--count: '0' is not a number of pictures from 1 to 100000"),
            (("record", "d", "--count=100001"), "--count: '100001' is not a number of pictures"),
            (("record", "d", "--count", "2.5"), "--count: '2.5' is not a number of pictures"),
            (("record", "d", "--seconds", "0"), "--seconds: '0' is not a number of seconds above 0 and at most "
                                                 "3600, with at most three decimals"),
            (("record", "d", "--seconds=0.000"), "--seconds: '0.000' is not"),
            (("record", "d", "--seconds", "3600.001"), "--seconds: '3600.001' is not"),
            (("record", "d", "--seconds", "1.2345"), "--seconds: '1.2345' is not"),
            (("record", "d", "--seconds", "-1"), "--seconds: '-1' is not"),
            (("record", "d", "--seconds", ".5"), "--seconds: '.5' is not"),
            (("record", "d", "--seconds", "1."), "--seconds: '1.' is not"),
            (("record", "d", "--seconds", "1e3"), "--seconds: '1e3' is not"),
            (("live", "a.png", "--count", "2"), "--count belongs to the command record"),
            (("diag", "--count", "2"), "--count belongs to the command record"),
            (("get", "20", "--seconds=1"), "--seconds belongs to the commands record and diag"),
            (("rgb", "a.png", "--text"), "--text belongs to the command set"),
            (("set", "20"), "set needs a property and a value"),
            (("table", "measure", "get"), "table needs a table, a direction and a file"),
            (("table", "other", "get", "t.txt"), "table: 'other' is neither measure nor search"),
            (("table", "search", "put", "t.txt"), "table: 'put' is neither get nor set"),
            (("get", "20", "--verbose"), "unknown option '--verbose'"),
            (("diag", "out.txt"), "diag takes no file or other argument"),
            (("diag", "--seconds"), "--seconds needs a number of seconds"),
            (("diag", "--seconds", "0"), "--seconds: '0' is not a number of seconds above 0 and at most 3600"),
            (("diag", "--seconds=3601"), "--seconds: '3601' is not a number of seconds"),
        ]
        for args, reason in cases:
            with self.subTest(args=args):
                result = self.run_grab(*args)
                self.assertExit(result, EXIT_USAGE)
                self.assertEqual("", result.stdout)
                self.assertIn("kivo-grab: " + reason, result.stderr)
        self.assertFalse(os.listdir(self.folder), "a refused command line wrote a file")


class PropertyTests(CameraTests):
    SCRATCH = 1000   # an unnamed property number, read as "0" until written

    def tearDown(self):
        set_prop(self.SCRATCH, "0")
        super().tearDown()

    def test_get_prints_number_name_and_value_per_property_in_order(self):
        result = self.run_grab("get", "picturewidth", "21", str(self.SCRATCH), "LIVEFORMAT")
        self.assertExit(result, 0)
        lines = result.stdout.splitlines()
        self.assertEqual(4, len(lines), result.stdout)
        fields = [line.split("\t") for line in lines]
        self.assertEqual([["20", "PICTUREWIDTH"], ["21", "PICTUREHEIGHT"],
                          [str(self.SCRATCH), "Property %d" % self.SCRATCH], ["48", "LIVEFORMAT"]],
                         [f[:2] for f in fields])
        self.assertEqual("0", fields[2][2])
        self.assertTrue(all(len(f) == 3 for f in fields))

    def test_every_property_name_of_the_interface_is_taken_in_any_case(self):
        names = {"OWNER": 0, "CONTROLFLAGS": 10, "PICTUREWIDTH": 20, "PICTUREHEIGHT": 21, "LIVEWIDTH": 24,
                 "LIVEHEIGHT": 25, "LIVELEFT": 26, "LIVETOP": 27, "LIMITEDSIZE": 36, "LIVEWINDOW": 45,
                 "LIVECOLOR": 46, "LIVEDISPLAY": 47, "LIVEFORMAT": 48, "LIVEFRAMERATE": 49, "LIVEFRAMECOUNT": 50}
        words = [name if i % 2 else name.lower() for i, name in enumerate(names)]
        result = self.run_grab("get", *words)
        self.assertExit(result, 0)
        self.assertEqual([str(n) for n in names.values()],
                         [line.split("\t")[0] for line in result.stdout.splitlines()])

    def test_integer_values_are_written_as_integers(self):
        for written, read in (("007", "7"), ("+42", "42"), ("-2147483648", "-2147483648"),
                              ("2147483647", "2147483647")):
            with self.subTest(value=written):
                set_prop(self.SCRATCH, written)
                self.assertEqual(("Property %d" % self.SCRATCH, read), get_props(self.SCRATCH)[self.SCRATCH])

    def test_text_values_and_forced_text_keep_every_character(self):
        for value, args in (("007", ("--text", "007")), ("2147483648", ("2147483648",)),
                            ("0x10", ("0x10",)), ("12abc", ("12abc",)),
                            ("two words, grün", ("two words, grün",)), ("--dashes", ("--", "--dashes"))):
            with self.subTest(value=value):
                self.assertExit(self.run_grab("set", str(self.SCRATCH), *args), 0)
                self.assertEqual(value, get_props(self.SCRATCH)[self.SCRATCH][1])

    def test_value_refused_by_the_camera_is_a_camera_error_and_changes_nothing(self):
        before = get_props(20)[20][1]
        result = self.run_grab("set", "PICTUREWIDTH", "0")
        self.assertExit(result, EXIT_CAMERA)
        self.assertEqual("", result.stdout)
        self.assertRegex(result.stderr, r"kivo-grab: camera error: 6 : CS ERROR : SetPropValueInt")
        self.assertEqual(before, get_props(20)[20][1])


def read_numbers(path):
    with open(path, encoding="ascii") as f:
        return [int(line) for line in f.read().splitlines()]


class TableTests(CameraTests):
    def tearDown(self):
        empty = self.path("empty.txt")
        open(empty, "w").close()
        for table in ("measure", "search"):
            self.assertExit(self.run_grab("table", table, "set", "empty.txt"), 0)
        super().tearDown()

    def write(self, name, text):
        with open(self.path(name), "w", newline="") as f:
            f.write(text)

    def test_tables_round_trip_through_files_and_stay_apart(self):
        measure = [0, -1, 7, 2147483647, -2147483648] + list(range(300))   # beyond one read buffer
        search = [5, 4, 3]
        self.write("measure.txt", "\r\n".join(str(v) for v in measure) + "\r\n")
        self.write("search.txt", "\n  5\t\n\n4 \r\n+3")   # blanks, blank lines, no last line end
        self.assertExit(self.run_grab("table", "measure", "set", "measure.txt"), 0)
        self.assertExit(self.run_grab("table", "search", "set", "search.txt"), 0)

        self.assertExit(self.run_grab("table", "measure", "get", "measure-out.txt"), 0)
        self.assertExit(self.run_grab("table", "search", "get", "search-out.txt"), 0)
        self.assertEqual(measure, read_numbers(self.path("measure-out.txt")))
        self.assertEqual(search, read_numbers(self.path("search-out.txt")))
        with open(self.path("search-out.txt"), "rb") as f:
            self.assertEqual(b"5\r\n4\r\n3\r\n", f.read())

    def test_standard_input_and_output_stand_for_dash(self):
        self.assertExit(self.run_grab("table", "search", "set", "-", stdin_text="9\n-8\n"), 0)
        result = self.run_grab("table", "search", "get", "-")
        self.assertExit(result, 0)
        self.assertEqual(["9", "-8"], result.stdout.splitlines())

    def test_empty_file_empties_the_table(self):
        self.write("one.txt", "1\n")
        self.write("empty.txt", "")
        self.assertExit(self.run_grab("table", "measure", "set", "one.txt"), 0)
        self.assertExit(self.run_grab("table", "measure", "set", "empty.txt"), 0)
        self.assertExit(self.run_grab("table", "measure", "get", "out.txt"), 0)
        self.assertEqual(0, os.path.getsize(self.path("out.txt")))

    def test_bad_files_are_file_errors_and_leave_the_table(self):
        self.write("good.txt", "11\n12\n")
        self.assertExit(self.run_grab("table", "search", "set", "good.txt"), 0)
        for text, reason in (("1\nabc\n", "bad.txt:2: 'abc' is not a decimal 32-bit number"),
                             ("\n\n2147483648\n", "bad.txt:3: '2147483648' is not a decimal 32-bit number"),
                             ("1 2\n", "bad.txt:1: '1 2' is not")):
            with self.subTest(text=text):
                self.write("bad.txt", text)
                result = self.run_grab("table", "search", "set", "bad.txt")
                self.assertExit(result, EXIT_FILE)
                self.assertIn(reason, result.stderr)
        result = self.run_grab("table", "search", "set", "missing.txt")
        self.assertExit(result, EXIT_FILE)
        self.assertIn("missing.txt: cannot open", result.stderr)
        result = self.run_grab("table", "search", "get", os.path.join("no-such-folder", "out.txt"))
        self.assertExit(result, EXIT_FILE)
        self.assertIn("cannot create", result.stderr)

        self.assertExit(self.run_grab("table", "search", "get", "after.txt"), 0)
        self.assertEqual([11, 12], read_numbers(self.path("after.txt")))


class OddPictureSize(CameraTests):
    """Pictures of a size whose rows are no multiple of four bytes, restored after."""
    WIDTH, HEIGHT = 203, 157

    @classmethod
    def setUpClass(cls):
        super().setUpClass()
        saved = get_props(20, 21)
        cls.saved_size = (saved[20][1], saved[21][1])
        set_prop(20, cls.WIDTH)
        set_prop(21, cls.HEIGHT)
        size = get_props(20, 21)
        cls.width, cls.height = int(size[20][1]), int(size[21][1])

    @classmethod
    def tearDownClass(cls):
        set_prop(20, cls.saved_size[0])
        set_prop(21, cls.saved_size[1])
        super().tearDownClass()

    def load(self, name, colour_type):
        try:
            return check_png.check_png(self.path(name), self.width, self.height, colour_type)
        except check_png.PngError as error:
            self.fail("%s: %s" % (name, error))

    def assertGreyPalette(self, image):
        self.assertTrue(all(r == g == b for r, g, b in image.palette), "the palette is not grey")


class PictureTests(OddPictureSize):
    def test_grey_picture_is_the_camera_picture(self):
        for number in (0, 5):
            with self.subTest(picture=number):
                name = "picture%d.png" % number
                self.assertExit(self.run_grab("picture", str(number), name), 0)
                image = self.load(name, PALETTE)
                self.assertGreyPalette(image)
                rows = image.rows()
                # The simulator's picture n: pixel (x, y) = (x + y + 29 n) mod 256.
                wrong = [(x, y) for y, row in enumerate(rows) for x, (v, _, _) in enumerate(row)
                         if v != (x + y + 29 * number) % 256]
                self.assertEqual([], wrong[:5])

    def test_rgb_picture_shows_the_eight_bars(self):
        self.assertExit(self.run_grab("rgb", "bars.png"), 0)
        rows = self.load("bars.png", RGB).rows()
        for bar, colour in enumerate(BAR_COLOURS):
            x = (2 * bar + 1) * self.width // 16   # the middle of the bar
            self.assertEqual({colour}, {row[x] for row in rows}, "bar %d" % bar)

    def test_failures_leave_no_file(self):
        result = self.run_grab("picture", "-1", "minus.png")
        self.assertExit(result, EXIT_CAMERA)
        self.assertIn("camera error: 6 : CS ERROR : AllocPicture", result.stderr)
        result = self.run_grab("rgb", os.path.join("no-such-folder", "bars.png"))
        self.assertExit(result, EXIT_FILE)
        self.assertIn("the PNG could not be written", result.stderr)
        self.assertFalse(os.listdir(self.folder))


class LiveTests(OddPictureSize):
    def setUp(self):
        super().setUp()
        self.settings = get_props(10, 48)

    def assertSettingsRestored(self):
        self.assertEqual(self.settings, get_props(10, 48))

    def test_grey_live_picture(self):
        self.assertExit(self.run_grab("live", "live.png", "--timeout-ms", "30000"), 0)
        image = self.load("live.png", PALETTE)
        self.assertGreyPalette(image)
        rows = [[v for v, _, _ in row] for row in image.rows()]
        # A horizontal ramp (+1 per pixel, mod 256) under a white square.
        side = min(self.width, self.height) // 8
        ramps = [row for row in rows if all((b - a) % 256 == 1 for a, b in zip(row, row[1:]))]
        self.assertGreaterEqual(len(ramps), self.height - side)
        self.assertGreaterEqual(sum(row.count(255) for row in rows), side * side)
        self.assertSettingsRestored()

    def test_colour_live_picture(self):
        self.assertExit(self.run_grab("live", "--colour", "live.png"), 0)
        rows = self.load("live.png", RGB).rows()
        seen = {pixel for row in rows for pixel in row}
        self.assertEqual(set(BAR_COLOURS), seen)   # bars and the white square, nothing else
        self.assertSettingsRestored()

    def test_failed_save_still_restores_the_settings(self):
        result = self.run_grab("live", "--colour", os.path.join("no-such-folder", "live.png"))
        self.assertExit(result, EXIT_FILE)
        self.assertSettingsRestored()
        # The camera was let go: the next run acquires again.
        self.assertExit(self.run_grab("live", "again.png"), 0)
        self.load("again.png", PALETTE)


SUMMARY = re.compile(r"pictures (\d+), elapsed (\d+\.\d{3}) s"
                     r"(?:, rate (\d+\.\d{3}) per s, interval min (\d+\.\d{3}) ms, max (\d+\.\d{3}) ms)?\r?\n")
CSV_HEADER = "index,time_ms,width,height,format,file"


class RecordTests(OddPictureSize):
    def setUp(self):
        super().setUp()
        self.settings = get_props(10, 48)

    def assertSettingsRestored(self):
        self.assertEqual(self.settings, get_props(10, 48))

    def record(self, folder, *args):
        os.makedirs(self.path(folder), exist_ok=True)
        return self.run_grab("record", folder, *args)

    def read_rows(self, folder, colour):
        """The list's rows as (index, time), after checking every column and
        that each row's file is there and decodes with the camera's size."""
        with open(self.path(os.path.join(folder, "record.csv")), encoding="ascii", newline="") as f:
            lines = f.read().split("\r\n")
        self.assertEqual(CSV_HEADER, lines[0])
        self.assertEqual("", lines[-1], "the last row has no line end")
        rows = []
        for line in lines[1:-1]:
            index, time_ms, width, height, kind, name = line.split(",")
            self.assertEqual((str(self.width), str(self.height), "colour" if colour else "grey"),
                             (width, height, kind), line)
            self.assertEqual("live-%06d.png" % int(index), name)
            self.load(os.path.join(folder, name), RGB if colour else PALETTE)
            rows.append((int(index), float(time_ms)))
        self.assertEqual(list(range(1, len(rows) + 1)), [index for index, _ in rows])
        times = [time for _, time in rows]
        self.assertEqual(sorted(times), times, "times go backwards")
        self.assertGreater(times[0] if times else 1, 0)
        # Exactly the listed pictures, no more.
        self.assertEqual(sorted(["record.csv"] + ["live-%06d.png" % i for i, _ in rows]),
                         sorted(os.listdir(self.path(folder))))
        return times

    def assertSummaryMatches(self, stdout, times):
        """The printed figures are the list's times, up to the printed digits."""
        match = SUMMARY.fullmatch(stdout)
        self.assertIsNotNone(match, stdout)
        self.assertEqual(len(times), int(match.group(1)))
        self.assertAlmostEqual(times[-1] / 1000, float(match.group(2)), delta=0.0006)
        if len(times) < 2:
            self.assertIsNone(match.group(3))
            return
        span = times[-1] - times[0]
        rate = (len(times) - 1) * 1000 / span
        intervals = [b - a for a, b in zip(times, times[1:])]
        # Each listed time is rounded to 0.001 ms, each printed figure to 0.001.
        self.assertAlmostEqual(rate, float(match.group(3)), delta=0.0006 + rate * 0.0011 / span)
        self.assertAlmostEqual(min(intervals), float(match.group(4)), delta=0.0016)
        self.assertAlmostEqual(max(intervals), float(match.group(5)), delta=0.0016)

    def test_count_saves_numbered_pictures_and_lists_them(self):
        for colour, count in ((False, 4), (True, 3), (False, 1)):
            with self.subTest(colour=colour, count=count):
                folder = "rec-%s-%d" % (colour, count)
                result = self.record(folder, "--count", str(count), *(["--colour"] if colour else []))
                self.assertExit(result, 0)
                times = self.read_rows(folder, colour)
                self.assertEqual(count, len(times))
                self.assertSummaryMatches(result.stdout, times)
                self.assertSettingsRestored()

    def test_seconds_record_what_arrives_within_the_time(self):
        result = self.record("timed", "--seconds", "1.5", "--colour")
        self.assertExit(result, 0)
        times = self.read_rows("timed", True)
        self.assertGreaterEqual(len(times), 1)
        self.assertLessEqual(times[-1], 1500)
        self.assertSummaryMatches(result.stdout, times)
        self.assertSettingsRestored()

    def test_time_out_keeps_the_pictures_saved_before(self):
        # At one picture per second the second one is not there within 100 ms.
        rate = get_props(49)[49][1]
        set_prop(49, 1)
        try:
            result = self.record("slow", "--count", "3", "--timeout-ms", "100")
        finally:
            set_prop(49, rate)
        self.assertExit(result, 4)
        self.assertIn("kivo-grab: no live picture within 100 ms", result.stderr)
        self.assertEqual("", result.stdout)
        self.assertEqual(1, len(self.read_rows("slow", False)))
        self.assertSettingsRestored()

    def test_file_errors(self):
        # Accepted limits reach the folder check.
        for limit in (("--count", "100000"), ("--seconds", "3600"), ("--seconds", "0.001")):
            with self.subTest(limit=limit):
                result = self.run_grab("record", "missing", *limit)
                self.assertExit(result, EXIT_FILE)
                self.assertIn("kivo-grab: missing: no such folder", result.stderr)
        open(self.path("plain"), "w").close()
        result = self.run_grab("record", "plain", "--count", "1")
        self.assertExit(result, EXIT_FILE)
        self.assertIn("kivo-grab: plain: not a folder", result.stderr)

        os.makedirs(self.path(os.path.join("list", "record.csv")))
        result = self.run_grab("record", "list", "--count", "1")
        self.assertExit(result, EXIT_FILE)
        self.assertIn("record.csv: cannot create", result.stderr)
        self.assertEqual(["record.csv"], os.listdir(self.path("list")))

        # The second picture's name is taken by a folder: the first stays, listed.
        os.makedirs(self.path(os.path.join("blocked", "live-000002.png")))
        result = self.run_grab("record", "blocked", "--count", "5")
        self.assertExit(result, EXIT_FILE)
        self.assertIn("live-000002.png: the PNG could not be written", result.stderr)
        os.rmdir(self.path(os.path.join("blocked", "live-000002.png")))
        self.assertEqual(1, len(self.read_rows("blocked", False)))
        self.assertSettingsRestored()
NUMBER = r"(\d+(?:\.\d+)?)"
# Each line of diag by its label; a CPU line holds a number or the reason it has none.
DIAG_LINES = [
    ("activation", r"Activation time: %s ms \((.+)\)" % NUMBER),
    ("round_trip", r"Round trip \(GetServerState\): median %s ms, 95th percentile %s ms \((\d+) calls\)"
     % (NUMBER, NUMBER)),
    ("transfer", r"Picture transfer \(GetRGBPicture\): (\d+) bytes, median %s ms, %s MB/s \((\d+) calls\)"
     % (NUMBER, NUMBER)),
    ("area", r"Live area: (\d+) x (\d+) pixels, camera picture (\d+) x (\d+)"),
]
for run in ("without", "with"):
    DIAG_LINES += [
        ("rate_" + run, r"Live frame rate %s overlay: %s fps \((\d+) pictures in %s s\)" % (run, NUMBER, NUMBER)),
        ("client_" + run, r"Client CPU per picture %s overlay: (?:%s ms|(cannot be read \(.+\)))" % (run, NUMBER)),
        ("server_" + run, r"Server CPU per picture %s overlay: (?:%s ms|(cannot be read \(.+\)))" % (run, NUMBER)),
    ]


class DiagTests(CameraTests):
    LIVE_SETTINGS = (10, 24, 25, 26, 27, 45, 46, 47, 48)   # CONTROLFLAGS, the live area, window, key, display, format
    # Values of the tool's own settings that diag is not to leave behind.
    MARKED = ((26, 3), (27, 5), (46, 0x123456), (47, 0))

    def setUp(self):
        super().setUp()
        self.saved = get_props(*[prop for prop, _ in self.MARKED])
        for prop, value in self.MARKED:
            set_prop(prop, value)

    def tearDown(self):
        for prop, (_, value) in self.saved.items():
            set_prop(prop, value)
        super().tearDown()

    def parse(self, output):
        lines = output.splitlines()
        self.assertEqual(len(DIAG_LINES), len(lines), output)
        values = {}
        for (name, pattern), line in zip(DIAG_LINES, lines):
            match = re.fullmatch(pattern, line)
            self.assertIsNotNone(match, "%s: %r" % (name, line))
            values[name] = match.groups()
        return values

    def test_diag_prints_every_figure_and_leaves_the_settings(self):
        before = get_props(*self.LIVE_SETTINGS)
        size = get_props(20, 21)
        result = self.run_grab("diag", "--seconds", "2")
        sys.stderr.write("\nkivo-grab diag --seconds 2:\n" + result.stdout + result.stderr)
        self.assertExit(result, 0)
        self.assertEqual("", result.stderr)
        values = self.parse(result.stdout)

        activation_ms, state = values["activation"]
        self.assertGreater(float(activation_ms), 0)
        self.assertEqual("the camera server was already running", state)   # the tests hold it
        median, p95, calls = values["round_trip"]
        self.assertGreater(float(median), 0)
        self.assertGreaterEqual(float(p95), float(median))
        self.assertEqual("300", calls)
        size_bytes, median, rate, calls = values["transfer"]
        self.assertEqual(int(size[20][1]) * int(size[21][1]) * 3, int(size_bytes))
        self.assertGreater(float(median), 0)
        self.assertGreater(float(rate), 0)
        self.assertEqual("20", calls)
        self.assertEqual((size[20][1], size[21][1]), values["area"][2:])
        for run in ("without", "with"):
            with self.subTest(run=run):
                fps, pictures, seconds = values["rate_" + run]
                self.assertGreater(int(pictures), 0)
                self.assertGreater(float(fps), 0)
                self.assertGreater(float(seconds), 0)
                client_ms, client_reason = values["client_" + run]
                self.assertIsNone(client_reason, "the tool's own CPU time is always readable")
                self.assertGreater(float(client_ms), 0)
                server_ms, server_reason = values["server_" + run]
                if server_reason is None:
                    self.assertGreater(float(server_ms), 0)
        self.assertEqual(before, get_props(*self.LIVE_SETTINGS))
        # The camera was let go: another client orders it at once.
        self.assertExit(self.run_grab("get", "LIVEDISPLAY"), 0)


if __name__ == "__main__":
    for name, value in (("KIVO_WINE_RUN", RUNNER), ("KIVO_WINE_STATE", STATE), ("KIVO_GRAB_TOOL", TOOL),
                        ("KIVO_GRAB_HOLD", HOLD)):
        if not value:
            sys.exit("%s is not set" % name)
    unittest.main()
