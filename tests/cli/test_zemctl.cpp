// zemctl check / convert, run as a user runs them.
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <filesystem>

#include "support/zemctl_runner.h"

using namespace zem::test;

namespace {

mode_t FileType(const QString& path) {
  struct stat st {};
  return ::stat(path.toLocal8Bit().constData(), &st) == 0 ? (st.st_mode & S_IFMT) : 0;
}

// A null device a test may lose: /dev/null itself only where this process
// cannot replace it (as root a regression would replace the machine's own),
// otherwise a copy made in `folder`; empty when none can be made.
QString NullDevice(const QString& folder) {
  if (::access("/dev", W_OK) != 0) return "/dev/null";
  const QString copy = folder + "/null";
  return ::mknod(copy.toLocal8Bit().constData(), S_IFCHR | 0666, makedev(1, 3)) == 0 ? copy : QString();
}

bool MakeFifo(const QString& path) { return ::mkfifo(path.toLocal8Bit().constData(), 0600) == 0; }

}  // namespace

class TestZemctl : public QObject {
  Q_OBJECT

  QTemporaryDir dir_;
  QString Tmp(const char* name) { return dir_.filePath(name); }

 private slots:
  void convertReproducesAnExportedFileByteForByte() {
    // The small example is what the program itself exports, so converting it
    // must give back exactly the same bytes.
    const QString out = Tmp("small.zem");
    Run r = Zemctl({"convert", Source("examples/small-8x24.zem"), "-o", out});
    QCOMPARE(r.status, 0);
    QCOMPARE(Read(out), Read(Source("examples/small-8x24.zem")));
  }

  void convertMatchesTheGoldenExportOfAUnitDump() {
    const QString out = Tmp("full.zem");
    const QString log = Tmp("full.log");
    Run r = Zemctl({"convert", Source("examples/full-16x192.zem"), "-o", out, "--log", log});
    QCOMPARE(r.status, 0);
    QCOMPARE(Read(out), Read(Source("tests/data/full-16x192.golden.zem")));
    const QByteArray logText = Read(log);
    QVERIFY(logText.startsWith("EQ Preset: 1 Name: Flat\n"));
    QVERIFY(logText.endsWith("Import Complete\n"));
    // Converting the export again changes nothing.
    const QString again = Tmp("again.zem");
    QCOMPARE(Zemctl({"convert", out, "-o", again}).status, 0);
    QCOMPARE(Read(again), Read(out));
  }

  void checkReportsWhatItDidNotUnderstand() {
    Run clean = Zemctl({"check", Source("examples/full-16x192.zem")});
    QCOMPARE(clean.status, 0);  // block markers count as understood
    QVERIFY(clean.out.contains("Didn't Handle: [RAR]\n"));
    QVERIFY(clean.out.endsWith("Import Complete\n"));

    Write(Tmp("bad.zem"), "[NI1\"A\"]\r\n[XYZ1]\r\n");
    Run bad = Zemctl({"check", Tmp("bad.zem")});
    QCOMPARE(bad.status, 1);
    QVERIFY(bad.out.contains("Didn't Handle: [XYZ1]\n"));

    Write(Tmp("big.zem"), "[VO1R99999999999999999999999999]\r\n");
    Run big = Zemctl({"check", Tmp("big.zem")});
    QCOMPARE(big.status, 1);
    QVERIFY(big.out.contains("Error parsing: [VO1R99999999999999999999999999]\n"));

    // check prints its log as the import makes it: the same lines that
    // convert --log writes from the log it holds.
    Write(Tmp("mixed.zem"), "[NI1\"A\"]\r\n[XYZ1]\nx[VO1R2]\r[VO1R99999999999]\r\n[NO1\"open");
    for (const QString& file : {Source("examples/full-16x192.zem"), Tmp("mixed.zem")}) {
      const Run checked = Zemctl({"check", file});
      QCOMPARE(Zemctl({"convert", file, "-o", Tmp("mixed-converted.zem"), "--log", Tmp("mixed.log")}).status,
               0);
      QCOMPARE(checked.out, Read(Tmp("mixed.log")));
    }

    Run missing = Zemctl({"check", Tmp("missing.zem")});
    QCOMPARE(missing.status, 2);
    QVERIFY(missing.err.contains("missing.zem"));

    // A log that cannot be written is no success.
    QProcess full;
    full.setStandardOutputFile("/dev/full");
    full.start(ZEMCTL_PATH, {"check", Source("examples/full-16x192.zem")});
    QVERIFY(full.waitForFinished(60000));
    QCOMPARE(full.exitCode(), 2);
    QVERIFY(full.readAllStandardError().contains("cannot write the log"));
  }

  void convertRefusesAConfigurationWithoutSources() {
    Write(Tmp("nosrc.zem"), "[NO1\"Kitchen\"]\r\n");
    Run r = Zemctl({"convert", Tmp("nosrc.zem"), "-o", Tmp("nosrc-out.zem")});
    QCOMPARE(r.status, 3);
    QVERIFY(!QFile::exists(Tmp("nosrc-out.zem")));
    QVERIFY(!r.err.isEmpty());
  }

  void aFailedWriteLeavesNothingBehind() {
    Run r = Zemctl({"convert", Source("examples/small-8x24.zem"), "-o", Tmp("no-such-dir/out.zem")});
    QCOMPARE(r.status, 2);
    QVERIFY(r.err.contains("no-such-dir/out.zem"));
    QVERIFY(QDir(Tmp("")).entryList({"*out*"}, QDir::Files).isEmpty());
  }

  void survivesHostileInput() {
    // Random bytes, with many lines that start like a command.
    QByteArray junk;
    QRandomGenerator random(42);
    for (int i = 0; i < 200000; ++i)
      junk += i % 50 == 0 ? QByteArray("\r[") : QByteArray(1, char(random.bounded(256)));
    Write(Tmp("junk.zem"), junk);
    QCOMPARE(Zemctl({"check", Tmp("junk.zem")}).status, 1);
    Write(Tmp("long.zem"), "[NO1\"" + QByteArray(1 << 20, 'a') + "\"]\r\n[NI1\"s\"]\r\n");
    QCOMPARE(Zemctl({"check", Tmp("long.zem")}).status, 0);
    QCOMPARE(Zemctl({"convert", Tmp("long.zem"), "-o", Tmp("long-out.zem")}).status, 0);
    QVERIFY(Read(Tmp("long-out.zem")).contains("[NO1\"aaaaaaaaaaaaaaa\"]\r\n"));
  }

  void checkFailsWithoutAnyCommand() {
    Write(Tmp("empty.zem"), "");
    Write(Tmp("notes.txt"), "# Site notes\nZone 3 is the patio [outdoor].\n");
    for (const QString& file : {Tmp("empty.zem"), Tmp("notes.txt")}) {
      Run r = Zemctl({"check", file});
      QCOMPARE(r.status, 1);
      QVERIFY(r.err.contains(file.toLocal8Bit() + ": no configuration commands found"));
    }
    // A binary file is no configuration either, whatever stray bytes it holds.
    QCOMPARE(Zemctl({"check", ZEMCTL_PATH}).status, 1);
    // One command line is enough, even a reply of the unit.
    Write(Tmp("reply.zem"), "(QX)\r\n");
    QCOMPARE(Zemctl({"check", Tmp("reply.zem")}).status, 0);
  }

  void inputsAreBoundedAndOnlyFilesOrFifos() {
    const Limits oneGiB{0, rlim_t{1} << 30};
    Run zero = Zemctl({"check", "/dev/zero"}, oneGiB);
    QCOMPARE(zero.status, 2);
    QVERIFY(zero.err.contains("cannot read /dev/zero: A character device, not a regular file"));
    QCOMPARE(Zemctl({"check", Tmp("")}).status, 2);  // a folder

    // A FIFO fed forever: read up to 64 MiB, then stopped with a warning.
    const QString fifo = Tmp("endless.fifo");
    QVERIFY(MakeFifo(fifo));
    QProcess feeder;
    feeder.start("sh", {"-c", "exec cat /dev/zero > \"$0\"", fifo});
    QVERIFY(feeder.waitForStarted());
    Run endless = Zemctl({"check", fifo}, oneGiB);
    QCOMPARE(endless.status, 1);
    QVERIFY(endless.err.contains("endless.fifo reached the limit of 64 MiB; only its beginning was read"));
    feeder.kill();
    feeder.waitForFinished();

    // A million lines at most, so a file of bare line ends stays small.
    Write(Tmp("lines.zem"), "[NI1\"s\"]\r\n" + QByteArray(1100000, '\n') + "[NI2\"t\"]\r\n");
    Run lines = Zemctl({"check", Tmp("lines.zem")});
    QCOMPARE(lines.status, 1);
    QVERIFY(lines.err.contains("reached the limit of 1000000 lines"));
    Run converted = Zemctl({"convert", Tmp("lines.zem"), "-o", Tmp("lines-out.zem")});
    QCOMPARE(converted.status, 4);  // written, but from the beginning only
    QVERIFY(Read(Tmp("lines-out.zem")).contains("[NI1\"s\"]"));
    QVERIFY(!Read(Tmp("lines-out.zem")).contains("[NI2\"t\"]"));
  }

  void aFullDiskFailsAndKeepsTheOldFile() {
    // The export of the small example (5.5 KB) fits QSaveFile's buffer, whose
    // failed flush its commit() would ignore.
    const QString out = Tmp("full-disk.zem");
    const QByteArray old(3000, 'o');
    Write(out, old);
    Run r = Zemctl({"convert", Source("examples/small-8x24.zem"), "-o", out}, {4096});
    QCOMPARE(r.status, 2);
    QVERIFY2(r.err.contains("cannot write " + out.toLocal8Bit() + ": File too large"), r.err.constData());
    QCOMPARE(Read(out), old);
    QCOMPARE(QDir(Tmp("")).entryList({"*full-disk*"}, QDir::Files | QDir::Hidden).size(), 1);
    // The log goes the same way.
    Run log =
        Zemctl({"convert", Source("examples/full-16x192.zem"), "-o", Tmp("fd2.zem"), "--log", out}, {4096});
    QCOMPARE(log.status, 2);
    QCOMPARE(Read(out), old);
  }

  void devicesAndFifosAreWrittenNotReplaced() {
    const QByteArray expected = Read(Source("examples/small-8x24.zem"));
    Run toStdout = Zemctl({"convert", Source("examples/small-8x24.zem"), "-o", "/dev/stdout"});
    QCOMPARE(toStdout.status, 0);
    QCOMPARE(toStdout.out, expected);

    const QString fifo = Tmp("out.fifo");
    QVERIFY(MakeFifo(fifo));
    QProcess reader;
    reader.start("cat", {fifo});
    QVERIFY(reader.waitForStarted());
    QCOMPARE(Zemctl({"convert", Source("examples/small-8x24.zem"), "-o", fifo}).status, 0);
    // zemctl ran with the event loop, which may have seen cat end already.
    QTRY_COMPARE_WITH_TIMEOUT(reader.state(), QProcess::NotRunning, 10000);
    QCOMPARE(reader.readAllStandardOutput(), expected);
    QCOMPARE(FileType(fifo), mode_t(S_IFIFO));

    const QString null = NullDevice(dir_.path());
    if (null.isEmpty()) QSKIP("no null device that may be lost");
    Run toNull = Zemctl({"convert", Source("examples/small-8x24.zem"), "-o", null, "--log", null});
    QCOMPARE(toNull.status, 0);
    QCOMPARE(FileType(null), mode_t(S_IFCHR));
  }

  void outputsMayNameNeitherTheInputNorEachOther() {
    const QString in = Tmp("in.zem");
    const QByteArray original = Read(Source("examples/small-8x24.zem"));
    Write(in, original);
    Run log = Zemctl({"convert", in, "-o", Tmp("o.zem"), "--log", in});
    QCOMPARE(log.status, 2);
    QVERIFY(log.err.contains("is the input file"));
    Run out = Zemctl({"convert", in, "-o", Tmp("./in.zem")});
    QCOMPARE(out.status, 2);
    QVERIFY(QFile::link(in, Tmp("link.zem")));
    QCOMPARE(Zemctl({"convert", Tmp("link.zem"), "-o", in}).status, 2);
    QCOMPARE(Read(in), original);
    // Two outputs on one file not made yet.
    Run both = Zemctl({"convert", in, "-o", Tmp("new.zem"), "--log", Tmp("sub/../new.zem")});
    QCOMPARE(both.status, 2);
    QVERIFY(both.err.contains("-o and --log name the same file"));
    QVERIFY(!QFile::exists(Tmp("new.zem")));

    // Every output is checked before the input is read or a unit is called:
    // an unwritable log would otherwise lose the pulled configuration.
    Run nowhere = Zemctl({"convert", in, "-o", Tmp("o2.zem"), "--log", Tmp("no-dir/log.txt")});
    QCOMPARE(nowhere.status, 2);
    QVERIFY(!QFile::exists(Tmp("o2.zem")));
    Run folder = Zemctl({"convert", in, "-o", Tmp("")});
    QCOMPARE(folder.status, 2);
    for (const char* option : {"-o", "--log", "--raw"}) {
      QStringList args{"pull", "--telnet", "127.0.0.1:1", "-o", Tmp("pulled.zem")};
      if (QByteArray(option) != "-o")
        args << option << Tmp("no-dir/file");
      else
        args[4] = Tmp("no-dir/pulled.zem");
      Run pull = Zemctl(args);
      QCOMPARE(pull.status, 2);  // not 1: the link was never tried
      QVERIFY(pull.err.contains("cannot write " + Tmp("no-dir/").toLocal8Bit()));
    }
    QCOMPARE(Zemctl({"pull", "--telnet", "127.0.0.1:1", "-o", Tmp("p.zem"), "--raw", Tmp("p.zem")}).status,
             2);
  }

  // Replacing a file keeps what it was, or refuses as `>` would; the check
  // before a pull (127.0.0.1:1 refuses: 1 once the check passed) says the
  // same. Two users need root: they are switched to in zemctl's child.
  void replaceKeepsWhatTheFileWas_data() {
    QTest::addColumn<QString>("setup");
    QTest::addColumn<bool>("asUser");  // else as root
    QTest::addColumn<QString>("refusal");
    QTest::newRow("root keeps owner, group, setgid") << "other 02640" << false << "";
    QTest::newRow("owner that cannot be kept") << "other 0664" << true << "could not keep its owner";
    QTest::newRow("two hard links") << "linked" << false << "It has 2 hard links";
    QTest::newRow("write-protected") << "user 0444" << true << "Permission denied";
    QTest::newRow("sticky folder, other's link") << "sticky other-link" << true << "sticky world-writable";
    QTest::newRow("sticky folder, own link") << "sticky user-link" << true << "";
    QTest::newRow("dangling link") << "dangling" << false << "";
  }
  void replaceKeepsWhatTheFileWas() {
    QFETCH(QString, setup);
    QFETCH(bool, asUser);
    QFETCH(QString, refusal);
    if (::geteuid() != 0) QSKIP("needs root to give files to other users and to run as them");
    constexpr uid_t kUser = 4321, kOther = 4322;
    const QString folder = Tmp(QTest::currentDataTag());
    QVERIFY(QDir().mkpath(folder));
    const QByteArray f = folder.toLocal8Bit();
    ::chmod(dir_.path().toLocal8Bit().constData(), 0755);
    ::chmod(f.constData(), setup.startsWith("sticky") ? 01777 : 0777);
    const QString in = folder + "/in.zem", out = folder + "/out.zem", file = folder + "/file.zem";
    QVERIFY(QFile::copy(Source("examples/small-8x24.zem"), in));
    ::chmod(in.toLocal8Bit().constData(), 0644);
    const QByteArray old = "old\r\n";
    const auto make = [&](const QString& path, uid_t owner, gid_t group, mode_t mode) {
      Write(path, old);
      QCOMPARE(::chown(path.toLocal8Bit().constData(), owner, group), 0);
      QCOMPARE(::chmod(path.toLocal8Bit().constData(), mode), 0);
    };
    if (setup.startsWith("other"))
      make(out, kOther, setup.endsWith("0664") ? kUser : kOther, setup.endsWith("0664") ? 0664 : 02640);
    if (setup == "user 0444") make(out, kUser, kUser, 0444);
    if (setup == "linked") {
      make(out, 0, 0, 0644);
      QCOMPARE(::link(out.toLocal8Bit().constData(), (folder + "/second").toLocal8Bit().constData()), 0);
    }
    if (setup.startsWith("sticky") || setup == "dangling") {
      if (setup != "dangling") make(file, kUser, kUser, 0644);
      QVERIFY(QFile::link(file, out));
      const uid_t linkOwner = setup.endsWith("other-link") ? kOther : setup.endsWith("user-link") ? kUser : 0;
      QCOMPARE(::lchown(out.toLocal8Bit().constData(), linkOwner, linkOwner), 0);
    }
    const Limits as{0, 0, asUser ? kUser : 0};
    const QString written = setup.startsWith("sticky") || setup == "dangling" ? file : out;
    struct stat before {};
    ::lstat(written.toLocal8Bit().constData(), &before);

    const Run check = Zemctl({"pull", "--telnet", "127.0.0.1:1", "-o", out}, as);
    QCOMPARE(check.status, refusal.isEmpty() ? 1 : 2);
    const Run run = Zemctl({"convert", in, "-o", out}, as);
    QVERIFY2(run.err.contains(refusal.toLocal8Bit()), run.err.constData());
    QCOMPARE(run.status, refusal.isEmpty() ? 0 : 2);
    QCOMPARE(Read(written) == old, !refusal.isEmpty());
    struct stat after {};
    QCOMPARE(::lstat(written.toLocal8Bit().constData(), &after), 0);
    if (setup.startsWith("other") || setup == "user 0444")
      QVERIFY(after.st_uid == before.st_uid && after.st_gid == before.st_gid &&
              after.st_mode == before.st_mode);
    QCOMPARE(QFileInfo(out).isSymLink(), written != out);  // a link stays a link
    QCOMPARE(FileType(out), mode_t(S_IFREG));
    QCOMPARE(QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System).filter(".out.zem.").size(), 0);
  }

  void argumentsAndHelp() {
    QCOMPARE(Zemctl({"--help"}).status, 0);
    for (const char* command : {"check", "convert", "pull", "push"}) {
      Run help = Zemctl({command, "--help"});
      QCOMPARE(help.status, 0);
      QVERIFY(help.out.contains("Usage: zemctl"));
    }
    QCOMPARE(Zemctl({}).status, 2);
    QCOMPARE(Zemctl({"frobnicate"}).status, 2);
    QCOMPARE(Zemctl({"convert", Source("examples/small-8x24.zem")}).status, 2);
    QCOMPARE(Zemctl({"check"}).status, 2);
    QCOMPARE(Zemctl({"check", "a.zem", "b.zem"}).status, 2);
  }

  // What the commands say of arguments they cannot take, word for word: the
  // first line on standard error, the command's help after it, exit status 2.
  void usageErrors_data() {
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QByteArray>("problem");
    const auto row = [](const char* name, const QStringList& args, const char* problem) {
      QTest::newRow(name) << args << QByteArray(problem);
    };
    row("unknown option", {"convert", "a.zem", "-o", "b.zem", "--bogus"}, "unexpected argument '--bogus'");
    row("diff: unknown option", {"diff", "a.zem", "b.zem", "--bogus"}, "unknown option '--bogus'");
    row("another command's option", {"convert", "a.zem", "-o", "b.zem", "--keep-out-of-range"},
        "unexpected argument '--keep-out-of-range'");
    row("missing value", {"convert", "a.zem", "-o"}, "unexpected argument '-o'");
    row("missing value of a link", {"pull", "-o", "a.zem", "--telnet"}, "unexpected argument '--telnet'");
    row("diff: missing value", {"diff", "a.zem", "--serial"}, "unknown option '--serial'");
    row("a second file", {"dump", "a.zem", "b.zem", "--json"}, "unexpected argument 'b.zem'");
    row("pull takes no file", {"pull", "a.zem"}, "unexpected argument 'a.zem'");
    row("no --option=value", {"build", "a.json", "--output=b.zem"}, "unexpected argument '--output=b.zem'");
    row("no -oVALUE", {"dump", "a.zem", "--json", "-ob.json"}, "unexpected argument '-ob.json'");
    row("- is no file", {"convert", "-", "-o", "b.zem"}, "unexpected argument '-'");
    row("-- ends nothing", {"push", "--", "a.zem"}, "unexpected argument '--'");
    row("empty argument", {"convert", "", "-o", "b.zem"}, "unexpected argument ''");
    row("check: an option", {"check", "--strict"}, "check takes one configuration file");
    row("value problem before a bad argument", {"pull", "--timeout", "0", "--bogus"},
        "--timeout takes a whole number of seconds, 1 or more, not '0'");
    row("bad argument before a value problem", {"pull", "--bogus", "--timeout", "0"},
        "unexpected argument '--bogus'");
    row("reply limit", {"push", "a.zem", "--reply-limit", "x", "--telnet", "h"}, "bad reply limit 'x'");
    row("empty --since", {"push", "a.zem", "--since", "", "--telnet", "h"}, "empty --since file name");
    row("empty --backup", {"push", "a.zem", "--backup", "", "--telnet", "h"}, "empty backup file name");
    row("empty device", {"pull", "--serial", "", "-o", "a.zem"}, "empty host or device");
    row("two links", {"pull", "--telnet", "h", "--serial", "d", "-o", "a.zem"},
        "give either --telnet or --serial");
    row("three sides", {"diff", "a.zem", "--telnet", "h", "b.zem"},
        "diff compares two configurations, each a file or a unit");
    row("unknown command", {"frobnicate"}, "unknown command 'frobnicate'");
  }
  void usageErrors() {
    QFETCH(QStringList, args);
    QFETCH(QByteArray, problem);
    const Run run = Zemctl(args);
    QCOMPARE(run.status, 2);
    QCOMPARE(run.err.left(run.err.indexOf('\n')), "zemctl: " + problem);
    QVERIFY(run.err.contains("\nUsage: zemctl "));
    QCOMPARE(run.out, QByteArray());
  }

  // File names are bytes: one that is not UTF-8 reaches the file system and
  // the messages as it was given. The shell passes the bytes, as QProcess
  // would encode the names.
  void fileNamesAreBytes() {
    const std::string folder = Tmp("latin1").toStdString();
    std::filesystem::create_directory(folder);
    std::filesystem::copy_file(Source("examples/small-8x24.zem").toStdString(), folder + "/in\xE9.zem");
    QProcess sh;
    sh.setWorkingDirectory(QString::fromStdString(folder));
    sh.start("/bin/sh", {"-c",
                         "\"$0\" convert \"$(printf 'in\\351.zem')\" -o \"$(printf 'out\\377.zem')\" && "
                         "exec \"$0\" check \"$(printf 'gone\\351.zem')\"",
                         ZEMCTL_PATH});
    QVERIFY(sh.waitForFinished(60000));
    QCOMPARE(sh.exitCode(), 2);  // the missing file
    QVERIFY(std::filesystem::exists(folder + "/out\xFF.zem"));
    QCOMPARE(Read(QString::fromStdString(folder) + "/out\xC3\xBF.zem"), QByteArray("<missing>"));
    const QByteArray err = sh.readAllStandardError();
    QVERIFY2(err.startsWith("zemctl: cannot read gone\xE9.zem: "), err.constData());
  }
};

QTEST_GUILESS_MAIN(TestZemctl)
#include "test_zemctl.moc"
