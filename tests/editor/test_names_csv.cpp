// Names from outside: the paste rules of the name grids, the names file
// read and written (as the window and zemctl import it), and the find of a name.
#include <QtTest>

#include "editor/bulk_edits.h"
#include "editor/names_csv.h"
#include "editor/naming_logic.h"
#include "support/names_files.h"

using namespace zem;

namespace {

using Names = std::vector<std::string>;

UnitConfiguration Unit(int sources, int zones) {
  UnitConfiguration unit;
  unit.SourceCount = sources;
  unit.ZoneCount = zones;
  return unit;
}

std::string Lines(int count, const std::string& stem) {
  std::string text;
  for (int i = 1; i <= count; ++i) text += stem + std::to_string(i) + "\n";
  return text;
}

}  // namespace

Q_DECLARE_METATYPE(std::string)
Q_DECLARE_METATYPE(Names)

class TestNamesCsv : public QObject {
  Q_OBJECT

 private slots:
  void pasteShapes_data() {
    QTest::addColumn<std::string>("clipboard");
    QTest::addColumn<int>("rows");
    QTest::addColumn<Names>("names");
    QTest::addColumn<int>("leftOut");
    QTest::addColumn<int>("refused");  // the line, 0 for none
    QTest::addColumn<int>("cut");
    const auto add = [](const char* name, const std::string& clipboard, int rows, const Names& names,
                        int leftOut = 0, int refused = 0, int cut = 0) {
      QTest::newRow(name) << clipboard << rows << names << leftOut << refused << cut;
    };
    add("one line", "Kitchen", 10, {"Kitchen"});
    Names forty;
    for (int i = 1; i <= 40; ++i) forty.push_back("Room " + std::to_string(i));
    add("40 lines", Lines(40, "Room "), 192, forty);
    add("final line break", "A\nB\n", 10, {"A", "B"});
    add("two final line breaks", "A\n\n", 10, {"A", ""});
    add("empty lines", "A\n\nC", 10, {"A", "", "C"});
    add("tabs", "Hall\tupstairs\tx\n\tB", 10, {"Hall", ""});
    add("CR LF", "A\r\nB\r\n", 10, {"A", "B"});
    add("lone CR", "A\rB", 10, {"A", "B"});
    add("over-long", "Guest Suite Number 2", 10, {"Guest Suite Num"}, 0, 0, 1);
    // A long line that did not fit is not counted as cut.
    add("long names past the end", "Guest Suite Number 2\nB\nGuest Suite Number 3", 2,
        {"Guest Suite Num", "B"}, 1, 0, 1);
    add("past the end", Lines(14, "R"), 2, {"R1", "R2"}, 12);
    add("Latin-1", "Caf\xC3\xA9", 10, {"Caf\xE9"});
    add("not Latin-1", "A\nB\nEuro \xE2\x82\xAC", 10, {}, 0, 3);
    add("control byte", "A\x01", 10, {}, 0, 1);
    add("refused past the end", "A\nB\n\xE2\x82\xAC", 1, {}, 0, 3);
    add("beyond Latin-1 after a tab", "A\t\xE2\x82\xAC", 10, {"A"});
  }
  void pasteShapes() {
    QFETCH(std::string, clipboard);
    QFETCH(int, rows);
    QFETCH(Names, names);
    QFETCH(int, leftOut);
    QFETCH(int, refused);
    QFETCH(int, cut);
    const NamePaste paste = PlanNamePaste(clipboard, rows);
    QCOMPARE(paste.refusedLine.value_or(0), refused);
    QCOMPARE(paste.names, names);
    QCOMPARE(paste.leftOut, leftOut);
    QCOMPARE(paste.cut, cut);
  }

  void utf8_data() {
    QTest::addColumn<std::string>("text");
    QTest::addColumn<int>("problem");
    QTest::addColumn<std::string>("latin1");
    const auto add = [](const char* name, const std::string& text, NameTextProblem problem,
                        const std::string& latin1) { QTest::newRow(name) << text << int(problem) << latin1; };
    add("ASCII", "Den", NameTextProblem::None, "Den");
    add("two bytes", "\xC3\x89t\xC3\xA9", NameTextProblem::None, "\xC9t\xE9");
    add("overlong", "\xC0\xAF", NameTextProblem::NotUtf8, "");
    add("surrogate", "\xED\xA0\x80", NameTextProblem::NotUtf8, "");
    add("cut short", "a\xC3", NameTextProblem::NotUtf8, "a");
    add("Latin-1 byte", "caf\xE9", NameTextProblem::NotUtf8, "caf");
    add("broken after beyond", "\xE2\x82\xAC\xFF", NameTextProblem::NotUtf8, "");
    add("DEL", "a\x7F", NameTextProblem::ControlByte, "a");
  }
  void utf8() {
    QFETCH(std::string, text);
    QFETCH(int, problem);
    QFETCH(std::string, latin1);
    std::string out;
    QCOMPARE(int(Utf8ToLatin1(text, out)), problem);
    QCOMPARE(out, latin1);
  }

  void exportedFile() {
    UnitConfiguration unit = Unit(2, 3);
    unit.ZoneNames[1] = "Den, \"east\"";
    unit.ZoneNames[2] = "Caf\xE9";
    unit.SourceNames[1] = "Tuner";
    unit.FavoriteNames[10] = "Night";
    const std::string text = NamesCsvText(unit);
    QVERIFY(text.starts_with(
        "\xEF\xBB\xBFkind,number,name\r\nzone,1,\"Den, \"\"east\"\"\"\r\nzone,2,Caf\xC3\xA9\r\n"
        "zone,3,\r\nsource,1,Tuner\r\nsource,2,\r\nfavorite,1,\r\n"));
    QVERIFY(text.ends_with("favorite,10,Night\r\ngroup,1,\r\n" + std::string() +
                           "group,2,\r\ngroup,3,\r\ngroup,4,\r\ngroup,5,\r\ngroup,6,\r\n"
                           "group,7,\r\ngroup,8,\r\ngroup,9,\r\ngroup,10,\r\n"));
    // It reads back as the names it was written from.
    UnitConfiguration back = Unit(2, 3);
    const NamesCsv csv = ReadNamesCsv(text, back);
    QVERIFY2(csv.error.empty(), csv.error.c_str());
    QCOMPARE(csv.entries.size(), std::size_t{3 + 2 + 10 + 10});
    QCOMPARE(ApplyNames(back, csv.entries), 4);
    QCOMPARE(back.ZoneNames, unit.ZoneNames);
    QCOMPARE(back.FavoriteNames, unit.FavoriteNames);
  }

  // Zone 2's name as the names file writes its cell (none: left out), and
  // read back as itself: a formula kept as text, a control byte left out.
  void writtenAndReadBack_data() {
    QTest::addColumn<std::string>("name");
    QTest::addColumn<std::string>("cell");
    const std::pair<std::string, std::string> rows[] = {{"=1+1", "'=1+1"},
                                                        {"+SUM(A1:A9)", "'+SUM(A1:A9)"},
                                                        {"-2+3", "'-2+3"},
                                                        {"@SUM(1+1)", "'@SUM(1+1)"},
                                                        {"=HYPERLINK(\"x\")", "\"'=HYPERLINK(\"\"x\"\")\""},
                                                        {"'Til Dawn", "''Til Dawn"},
                                                        {"=23456789012345", "'=23456789012345"},
                                                        {"A\tB", ""},
                                                        {"Den\x7F", ""}};
    for (const auto& [name, cell] : rows) QTest::newRow(name.c_str()) << name << cell;
  }
  void writtenAndReadBack() {
    QFETCH(std::string, name);
    QFETCH(std::string, cell);
    UnitConfiguration unit = Unit(2, 3);
    unit.ZoneNames[2] = name;
    std::vector<NameEntry> leftOut;
    const std::string text = NamesCsvText(unit, &leftOut);
    QCOMPARE(leftOut.size(), std::size_t{cell.empty()});
    QCOMPARE(text.find("\r\nzone,2,") == std::string::npos, cell.empty());
    if (!cell.empty()) QVERIFY2(text.find("\r\nzone,2," + cell + "\r\n") != std::string::npos, text.c_str());
    UnitConfiguration back = Unit(2, 3);
    const NamesCsv csv = ReadNamesCsv(text, back);
    QVERIFY(csv.error.empty() && csv.Notes().empty());
    ApplyNames(back, csv.entries);
    QCOMPARE(back.ZoneNames[2], cell.empty() ? std::string() : name);
  }

  // Files read (zones 1 to 3 afterwards, names cut) or refused (the error).
  void readNames_data() {
    QTest::addColumn<std::string>("file");
    QTest::addColumn<Names>("zones");
    QTest::addColumn<std::string>("summary");
    QTest::addColumn<std::string>("error");
    const auto read = [](const char* name, const std::string& file, const Names& zones,
                         const std::string& summary = {}) {
      QTest::newRow(name) << file << zones << summary << std::string();
    };
    const auto refused = [](const char* name, const std::string& file, const std::string& error) {
      QTest::newRow(name) << file << Names{} << std::string() << error;
    };
    // The spreadsheet's default CSV: no mark, LF, quotes only where needed.
    read("LibreOffice", "kind,number,name\nzone,1,Den\nzone,3,\"Hall, up\"\n", Names{"Den", "", "Hall, up"});
    read("CSV UTF-8 (comma delimited)",
         "\xEF\xBB\xBFkind,number,name\r\nzone,2,Caf\xC3\xA9\r\nzone,1,Den\r\n", Names{"Den", "Caf\xE9", ""});
    read("quotes inside", "kind,number,name\r\nzone,1,\"Say \"\"hi\"\"\"", Names{"Say \"hi\"", "", ""});
    read("every field quoted", "\"kind\",\"number\",\"name\"\n\"zone\",\"2\",\"B\"\n", Names{"", "B", ""});
    read("empty rows and columns", "kind,number,name,\n,,,\nzone,1,A,\n\n", Names{"A", "", ""});
    read("spaces and case", "Kind, Number ,NAME\nZone, 3 ,C\n", Names{"", "", "C"});
    read("long names cut", "kind,number,name\nzone,1,Guest Suite Number 2\nzone,2,Sixteen letters!\n",
         Names{"Guest Suite Num", "Sixteen letters", ""}, "2 names changed, 2 names cut to 15 characters");
    read("blank name", "kind,number,name\nzone,1,\n", Names{"", "", ""});
    // One leading ' is taken off before the cut, as spreadsheets keep it.
    read("leading quotes",
         "kind,number,name\nzone,1,'=23456789012345\nzone,2,''x\nzone,3,'Guest Suite Number\n",
         Names{"=23456789012345", "'x", "Guest Suite Num"}, "3 names changed, 1 name cut to 15 characters");
    read("Windows-1252", "kind,number,name\r\nzone,1,Caf\xE9\r\nzone,2,\x93Hi\x94 \x96 \x92s\r\n",
         Names{"Caf\xE9", "\"Hi\" - 's", ""},
         "2 names changed, 4 typographic quotes or dashes made plain, read as Windows-1252 text");
    read("typographic in UTF-8", "kind,number,name\nzone,1,Kid\xE2\x80\x99s \xE2\x80\x94 Den\n",
         Names{"Kid's - Den", "", ""}, "1 name changed, 2 typographic quotes or dashes made plain");
    read("semicolons, quoted", "\"kind\";\"number\";\"name\"\n\"zone\";\"1\";\"A;B, C\"\n",
         Names{"A;B, C", "", ""});
    const std::string header = "kind,number,name\r\n";
    refused("empty file", "", "line 1: the first row is not kind,number,name");
    refused("beyond Latin-1", header + "zone,1,\xE2\x82\xAC\r\n",
            "line 2: the name holds a character a name cannot hold");
    refused("a line break in a name", header + "source,1,\"Two\r\nlines\"\r\n",
            "line 2: the name holds a control character");
    refused("favorite 11", header + "favorite,11,D\r\n",
            "line 2: favorite number \"11\" is not one of 1 to 10");
    refused("not a number", header + "group,x,D\r\n", "line 2: group number \"x\" is not one of 1 to 10");
    refused("two fields", header + "zone,1\r\n", "line 2: a row holds three fields: kind,number,name");
    refused("no closing quote", header + "zone,1,\"A\r\n", "line 2: a quoted field has no closing quote");
    refused("text after a quote", header + "zone,1,\"A\"B\r\n", "line 2: text after a closing quote");
    refused("beyond Latin-1 in Windows-1252", header + "zone,1,Caf\xE9\r\nzone,2,\x80\r\n",
            "line 3: the name holds a character a name cannot hold");
    refused("NUL in Windows-1252", header + std::string("zone,1,Caf\xE9\r\n\0,2,B\r\n", 20),
            "line 3: unknown kind \"\\x00\" (zone, source, favorite or group)");
    refused("a UTF-8 mark, then not UTF-8", "\xEF\xBB\xBF" + header + "zone,1,Caf\xE9\r\n",
            "line 2: not UTF-8 text; save it as CSV UTF-8");
    refused("a control byte in the number", header + "zone,\x1B[2J,A\r\n",
            "line 2: zone number \"\\x1B[2J\" is not one of 1 to 24");
    // The refusals the window and zemctl meet, on the same counts.
    for (const test::NamesFile& file : test::NamesFiles())
      if (file.changed < 0) refused(file.name, file.bytes, file.error);
  }
  void readNames() {
    QFETCH(std::string, file);
    QFETCH(Names, zones);
    QFETCH(std::string, summary);
    QFETCH(std::string, error);
    Editor editor;
    editor.model.unit = Unit(8, 24);
    const NamesImport import = ImportNamesFile(editor, file);
    QCOMPARE(import.csv.error, error);
    QCOMPARE(import.csv.entries.empty(), !error.empty());
    if (!summary.empty()) QCOMPARE(import.Summary(), summary);
    const UnitConfiguration& unit = editor.model.unit;
    QCOMPARE(Names(unit.ZoneNames.begin(), unit.ZoneNames.begin() + 3), error.empty() ? zones : Names(3));
  }

  void find_data() {
    QTest::addColumn<int>("from");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("forward");
    QTest::addColumn<bool>("includeFrom");
    QTest::addColumn<int>("index");
    QTest::addColumn<bool>("wrapped");
    QTest::newRow("forward") << 0 << "suite" << true << false << 2 << false;
    QTest::newRow("as typed, the current one") << 2 << "suite" << true << true << 2 << false;
    QTest::newRow("next") << 2 << "suite" << true << false << 4 << false;
    QTest::newRow("wrapping to the top") << 4 << "suite" << true << false << 2 << true;
    QTest::newRow("backward") << 4 << "suite" << false << false << 2 << false;
    QTest::newRow("wrapping to the bottom") << 2 << "SUITE" << false << false << 4 << true;
    QTest::newRow("the only one again") << 1 << "den" << true << false << 1 << true;
    QTest::newRow("Latin-1 letters") << 0 << QString::fromLatin1("\xE9t\xC9") << true << false << 3 << false;
    QTest::newRow("nothing current") << -1 << "Hall" << true << false << 0 << false;
    QTest::newRow("not found") << 0 << "xyz" << true << false << -1 << false;
  }
  void find() {
    QFETCH(int, from);
    QFETCH(QString, text);
    QFETCH(bool, forward);
    QFETCH(bool, includeFrom);
    QFETCH(int, index);
    QFETCH(bool, wrapped);
    const Names names{"Hall", "Den", "Guest Suite 1", "\xC9t\xE9 room", "Guest Suite 2"};
    const QByteArray latin1 = text.toLatin1();
    const FoundName found = FindName(names, from, latin1.toStdString(), forward, includeFrom);
    QCOMPARE(found.index, index);
    QCOMPARE(found.wrapped, wrapped);
  }
};

QTEST_APPLESS_MAIN(TestNamesCsv)
#include "test_names_csv.moc"
