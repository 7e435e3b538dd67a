// The handover sheet of the examples and of edge configurations, in both
// forms: the XHTML read back with QXmlStreamReader, the PDF with pdftotext.
#include <QGuiApplication>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QXmlStreamReader>
#include <algorithm>
#include <set>

#include "editor/editor.h"
#include "sheet/sheet_html.h"
#include "sheet/sheet_pages.h"
#include "support/example_file.h"

using namespace zem;

namespace {

// The text of the XHTML and how many pictures it holds, or the reader's error.
struct ReadHtml {
  QString text, error, title;
  int svgs = 0;
};

ReadHtml ReadBack(const QByteArray& html) {
  ReadHtml read;
  QXmlStreamReader xml(html);
  while (!xml.atEnd()) {
    xml.readNext();
    if (xml.isStartElement() && xml.name() == QLatin1String("svg")) ++read.svgs;
    if (xml.isStartElement() && xml.name() == QLatin1String("title") && read.title.isEmpty())
      read.title = xml.readElementText();
    if (xml.isCharacters()) read.text += xml.text().toString() + QLatin1Char('\n');
  }
  if (xml.hasError()) read.error = xml.errorString();
  return read;
}

// The PDF's text as pdftotext lays it out; empty when it could not run.
QString PdfText(const QByteArray& pdf) {
  QTemporaryDir dir;
  QFile file(dir.filePath("sheet.pdf"));
  if (!file.open(QIODevice::WriteOnly) || file.write(pdf) != pdf.size()) return {};
  file.close();
  QProcess process;
  process.start("pdftotext", {"-layout", file.fileName(), "-"});
  if (!process.waitForFinished(60000) || process.exitCode() != 0) return {};
  return QString::fromUtf8(process.readAllStandardOutput());
}

QString Shown(const QByteArray& latin1) { return QString::fromLatin1(latin1); }

// pdftotext spaces words as it measures them ("L 5" may come out "L5"):
// texts are compared without their blanks.
QString Squeezed(QString text) { return text.remove(QRegularExpression("\\s")); }

// A configuration file's text of `zones` zones named after `names` (the
// rest left blank) and four sources, with `extra` lines.
QByteArray Configuration(const QByteArrayList& sourceNames, const QByteArrayList& zoneNames,
                         const QByteArray& extra) {
  QByteArray text;
  for (qsizetype s = 0; s < sourceNames.size(); ++s)
    text += "[NI" + QByteArray::number(s + 1) + "\"" + sourceNames[s] + "\"]\r\n";
  for (qsizetype z = 0; z < zoneNames.size(); ++z)
    text += "[NO" + QByteArray::number(z + 1) + "\"" + zoneNames[z] + "\"]\r\n";
  return text + extra;
}

// The sheet of a configuration file's text.
SheetDocument SheetOf(const QByteArray& file, const SheetTitleBlock& title = {}) {
  Editor editor;
  editor.ImportFileText(file.toStdString(), "edge.zem");
  return BuildSheet(editor.model, title, QDate(2026, 3, 4));
}

const SheetSection* SectionOf(const SheetDocument& sheet, const QString& heading) {
  for (const SheetSection& section : sheet.sections)
    if (section.heading == heading) return &section;
  return nullptr;
}

// Every paragraph, table cell (header cells included) and whole row (its
// cells joined by '|') of a section.
QStringList TextsOf(const SheetSection& section) {
  QStringList texts;
  for (const SheetBlock& block : section.blocks) {
    texts << block.text;
    for (const QString& heading : block.table.header) texts << heading;
    for (const auto& row : block.table.rows) {
      QStringList cells;
      for (const SheetCell& cell : row) cells << cell.text;
      texts << cells << cells.join('|');
    }
  }
  return texts;
}

}  // namespace

class TestSheet : public QObject {
  Q_OBJECT

 private slots:
  // What each configuration's sheet must show: texts (Latin-1, as shown),
  // texts it must not show, one routing line of each favorite with a route
  // ("zone|source|carries") and the number of pictures.
  void bothForms_data() {
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QByteArrayList>("shown");
    QTest::addColumn<QByteArrayList>("notShown");
    QTest::addColumn<QByteArrayList>("routes");  // "zone|favorite|cell" of the favorites table
    QTest::addColumn<int>("pictures");

    QTest::newRow("nothing named") << Configuration({" ", " "}, {" ", " ", " "}, "[F1AO2I1]\r\n[DHCP1]\r\n")
                                   << QByteArrayList{"Source 1", "Source 2", "Zone 3",           "Favorite 1",
                                                     "Group 10", "DHCP",     "no audio settings"}
                                   << QByteArrayList{"IP address"} << QByteArrayList{"Zone 2|1|1"} << 0;
    QTest::newRow("every DSP mode")
        << Configuration({"Tuner", "Disc"}, {"Off", "Zq", "Jazzy", "Toned", "Low", "None", "Odd"},
                         "[NEP3\"Jazz\"]\r\n[VO1R-20]\r\n[EO1M0]\r\n[BO1L5]\r\n"
                         "[VO2R-3]\r\n[EO2M1]\r\n[BO2R5]\r\n[EO2B1L4]\r\n[EO2B10L-6]\r\n"
                         "[VO3R0]\r\n[EO3M2]\r\n[BO3R0]\r\n[EO3P2]\r\n"
                         "[VO4R-1]\r\n[EO4M3]\r\n[BO4R0]\r\n[TO4B3T-2]\r\n"
                         "[VO5R-2]\r\n[EO5M4]\r\n[BO5R0]\r\n[EO5LP120]\r\n"
                         "[VO7R-9]\r\n[EO7M7]\r\n[F2AO5VI2]\r\n[F3AO4AI1]\r\n")
        << QByteArrayList{"EQ/Tone Disabled", "ZQ",     "Preset: Jazz", "Tone: bass +3, treble -2",
                          "Lowpass 120 Hz",   "-20 dB", "L 5",          "R 5",
                          "centre",           "mode 7", "Jazz",         "no audio settings"}
        << QByteArrayList{} << QByteArrayList{"5 Low|2|2 V", "4 Toned|3|1 A"} << 2;  // a curve, a preset
    QTest::newRow("Latin-1, quotes, < and &")
        << Configuration({"Caf\xE9", "Gr\xFC\337e & <Co>"}, {"Tom's \"Bar\"", "a<b>&c"},
                         "[NF4\"<&>\"]\r\n[NG2\"K\xF6ln\"]\r\n[G2AO1]\r\n[RPO2I1]\r\n[F4AO1I2]\r\n")
        << QByteArrayList{"Caf\xE9", "Gr\xFC\337e & <Co>", "Tom's \"Bar\"", "a<b>&c", "<&>", "K\xF6ln"}
        << QByteArrayList{} << QByteArrayList{"1 Tom's \"Bar\"|4|2"} << 0;
    QTest::newRow("control bytes") << Configuration({"A\001B", "C\x7F"}, {"Tab\there", "x\x9Fy"}, "")
                                   << QByteArrayList{"A\\x01B", "C\\x7F", "Tab\\x09here", "x\\x9Fy"}
                                   << QByteArrayList{} << QByteArrayList{} << 0;
    // Two zones share a curve; a third has its own.
    QTest::newRow("shared curves") << Configuration(
                                          {"S"}, {"One", "Two", "Three"},
                                          "[VO1R0]\r\n[EO1M1]\r\n[EO1B3L5]\r\n[VO2R0]\r\n[EO2M1]\r\n"
                                          "[EO2B3L5]\r\n[VO3R0]\r\n[EO3M1]\r\n")
                                   << QByteArrayList{"1 One, 2 Two", "3 Three"} << QByteArrayList{}
                                   << QByteArrayList{} << 2;

    // The pictures: one for each distinct curve of the zones in ZQ mode, and
    // one for each preset that is named or has a band not 0.
    const auto example = [](const char* name) {
      const QByteArray text = QByteArray::fromStdString(test::ExampleText(name));
      Editor editor;
      editor.ImportFileText(text.toStdString(), name);
      const UnitConfiguration& u = editor.model.unit;
      QByteArrayList shown, routes;
      for (int s = 1; s <= u.SourceCount; ++s) shown << QByteArray::fromStdString(u.SourceNames[s]);
      std::set<std::vector<int>> curves;
      for (int z = 1; z <= u.ZoneCount; ++z) {
        shown << QByteArray::fromStdString(u.ZoneNames[z]);
        const ZoneAudioRec& a = u.ZoneAudio[z];
        if (a.EQUsed && a.DSPMode == 1) curves.insert({a.Band.begin(), a.Band.end()});
      }
      int pictures = static_cast<int>(curves.size());
      for (int p = 1; p <= kPresets; ++p) {
        const EQPresetsRec& preset = u.EQPresets[p];
        pictures += preset.Name.find_first_not_of(' ') != std::string::npos ||
                    std::any_of(preset.Band.begin(), preset.Band.end(), [](int b) { return b != 0; });
      }
      QVERIFY(pictures > 2);
      QTest::newRow(name) << text << shown << QByteArrayList{} << routes << pictures;
    };
    example("small-8x24.zem");
    example("full-16x192.zem");
  }

  void bothForms() {
    QFETCH(QByteArray, file);
    QFETCH(QByteArrayList, shown);
    QFETCH(QByteArrayList, notShown);
    QFETCH(QByteArrayList, routes);
    QFETCH(int, pictures);
    Editor editor;
    editor.ImportFileText(file.toStdString(), "edge.zem");
    QVERIFY(editor.HasConfiguration());
    // Names beyond the counts are not the unit's: no export writes them.
    UnitConfiguration& unit = editor.model.unit;
    if (unit.ZoneCount < kZones) {
      unit.ZoneNames[unit.ZoneCount + 1] = "Far Zone";
      notShown << "Far Zone";
    }
    if (unit.SourceCount < kSources) {
      unit.SourceNames[unit.SourceCount + 1] = "Far Source";
      notShown << "Far Source";
    }
    SheetTitleBlock title;
    title.site = "Site";
    const SheetDocument sheet = BuildSheet(editor.model, title, QDate(2026, 3, 4));
    QCOMPARE(sheet.CurveCount(), pictures);
    const SheetBlock& favorites = SectionOf(sheet, "Favorites")->blocks.front();
    for (const QByteArray& route : routes) {
      const QStringList parts = Shown(route).split('|');
      const auto row = std::find_if(favorites.table.rows.begin(), favorites.table.rows.end(),
                                    [&](const auto& cells) { return cells[0].text == parts[0]; });
      QVERIFY2(row != favorites.table.rows.end(), route.constData());
      QCOMPARE((*row)[parts[1].toUInt()].text, parts[2]);
    }

    const ReadHtml html = ReadBack(SheetHtml(sheet));
    QVERIFY2(html.error.isEmpty(), qPrintable(html.error));
    QCOMPARE(html.title, QStringLiteral("Site"));
    QVERIFY(html.text.contains("2026-03-04"));
    QCOMPARE(html.svgs, pictures);
    for (const QByteArray& text : shown) QVERIFY2(html.text.contains(Shown(text)), text.constData());
    for (const QByteArray& text : notShown) QVERIFY2(!html.text.contains(Shown(text)), text.constData());

    if (QStandardPaths::findExecutable("pdftotext").isEmpty())
      QSKIP("pdftotext (poppler-utils) is not installed");
    const QString pdf = PdfText(SheetPdf(sheet, QPageSize::A4));
    const qsizetype pages = pdf.count('\f');
    QVERIFY(pdf.contains(QStringLiteral("Page %1 of %1").arg(pages)));
    // A long table starts each page it runs onto (a volume, or none) with its header row.
    static const QRegularExpression zoneRow(QStringLiteral("-?\\d+ dB\\b|no audio settings"));
    int zonePages = 0;
    for (const QString& page : pdf.split('\f'))
      if (page.contains(zoneRow) && ++zonePages)
        QVERIFY(page.contains(
            QRegularExpression("No\\. +Name +Groups +Restricted sources +DSP +Volume +Balance")));
    QVERIFY(unit.ZoneCount < kZones || zonePages > 2);
    // The whole unit's sheet: at most half of the 53 pages one route a line took.
    QVERIFY(unit.ZoneCount < kZones || pages <= 26);
    const QString squeezed = Squeezed(pdf);
    for (const QByteArray& text : shown) QVERIFY2(squeezed.contains(Squeezed(Shown(text))), text.constData());
    for (const QByteArray& text : notShown)
      QVERIFY2(!squeezed.contains(Squeezed(Shown(text))), text.constData());
  }

  // Wherever a zone, source, favorite or group is named outside its own
  // table, its number goes with it; two rooms of one name stay apart. The
  // favorites are one table: a row for each zone one of them routes (zone |
  // the ten cells), the sources routed by number and kind.
  void sections_data() {
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("section");
    QTest::addColumn<QStringList>("texts");  // each a whole cell, row or paragraph of that section
    const QByteArray twoBedrooms = Configuration(
        {"Tuner", " "}, {"Bedroom", "Bedroom", " "},
        "[NG2\"Up\"]\r\n[G2AO1]\r\n[G2AO2]\r\n[G3AO3]\r\n[RPO2I1]\r\n[RPO2I2]\r\n"
        "[VO1R0]\r\n[EO1M1]\r\n[VO2R0]\r\n[EO2M1]\r\n[NF3\"Party\"]\r\n[F3AO1I1]\r\n[F1AO3I2]\r\n");
    QTest::newRow("zones: groups, restrictions")
        << twoBedrooms << "Zones" << QStringList{"Bedroom", "2 Up", "Group 3", "1 Tuner, Source 2"};
    QTest::newRow("groups' members") << twoBedrooms << "Groups"
                                     << QStringList{"1 Bedroom, 2 Bedroom", "Zone 3"};
    QTest::newRow("favorites' headers, a restricted source left out")
        << twoBedrooms << "Favorites"
        << QStringList{"3 Party", "Favorite 10", "1 Bedroom|||1|||||||", "Zone 3|2|||||||||"};
    QTest::newRow("favorites: kinds, several sources, legend")
        << Configuration({"A", "B", "C"}, {"Hall", "Den", "Attic"},
                         "[F1AO1I1]\r\n[F1AO1AI2]\r\n[F1AO1VI3]\r\n[F10AO3VI2]\r\n")
        << "Favorites"
        << QStringList{
               "1 Hall|1, 2 A, 3 V|||||||||", "3 Attic||||||||||2 V",
               "Each cell names the sources routed to the zone by number: a number alone carries audio "
               "and video, \"A\" audio only, \"V\" video only."};
    QTest::newRow("no route") << Configuration({"A"}, {"Hall"}, "") << "Favorites"
                              << QStringList{"No favorite routes a source."};
  }
  void sections() {
    QFETCH(QByteArray, file);
    QFETCH(QString, section);
    QFETCH(QStringList, texts);
    const SheetDocument sheet = SheetOf(file);
    const SheetSection* found = SectionOf(sheet, section);
    QVERIFY(found);
    const QStringList shown = TextsOf(*found);
    for (const QString& text : texts)
      QVERIFY2(shown.contains(text), qPrintable(text + " in " + shown.join('/')));
    // Only zones with a route have a row.
    if (section == "Favorites") QVERIFY(!shown.contains("2 Bedroom") && !shown.contains("2 Den"));
  }

  // The title block's fields: left out when empty, control characters as
  // \xNN (a line break only where lines are kept, in the notes), in the
  // document and through the XHTML writer alike.
  void titleBlock_data() {
    QTest::addColumn<QStringList>("fields");  // site, address, installer, contact, notes
    QTest::addColumn<QString>("title");
    QTest::addColumn<QStringList>("facts");  // "label|value" before the date, in order
    QTest::newRow("all empty: today's title")
        << QStringList{"", "", "", "", ""} << "ZEM Configuration" << QStringList{};
    QTest::newRow("every field") << QStringList{"Smith residence", "1 High St", "AV & Co <Ltd>",
                                                "0123 \"45\"", "Rack in the cellar.\r\nKey: desk\r\n"}
                                 << "Smith residence"
                                 << QStringList{"Address|1 High St", "Installer|AV & Co <Ltd>",
                                                "Contact|0123 \"45\"",
                                                "Notes|Rack in the cellar.\nKey: desk"};
    QTest::newRow("control characters, beyond Latin-1")
        << QStringList{QString("Site\x01") + QChar(0x85), "1\n2", QString::fromUtf8("\x1b[31m \xe2\x82\xac"),
                       QString("C\x7f") + QChar(0xFFFF), "\n\nx\x02y\rz\n\n"}
        << "Site\\x01\\x85"
        << QStringList{"Address|1\\x0A2", QString::fromUtf8("Installer|\\x1B[31m \xe2\x82\xac"),
                       QString("Contact|C\\x7F") + QChar(QChar::ReplacementCharacter), "Notes|x\\x02y\nz"};
  }
  void titleBlock() {
    QFETCH(QStringList, fields);
    QFETCH(QString, title);
    QFETCH(QStringList, facts);
    const SheetDocument sheet =
        SheetOf(Configuration({"A"}, {"Hall"}, ""), {fields[0], fields[1], fields[2], fields[3], fields[4]});
    QCOMPARE(sheet.title, title);
    QCOMPARE(sheet.sections.front().heading, title);
    QStringList shown;
    for (const auto& [label, value] : sheet.sections.front().blocks.front().facts) {
      if (label == "Date") break;
      shown << label + "|" + value;
    }
    QCOMPARE(shown, facts);

    // The XHTML holds each as it is shown, notes' lines as <br/>.
    const QByteArray html = SheetHtml(sheet);
    const ReadHtml read = ReadBack(html);
    QVERIFY2(read.error.isEmpty(), qPrintable(read.error));
    QCOMPARE(read.title, title);
    for (const QString& fact : facts)
      for (const QString& line : fact.section('|', 1).split('\n'))
        QVERIFY2(read.text.contains(line), qPrintable(line));
    QCOMPARE(html.count("<br/>"), facts.join('|').count('\n'));
  }

  void localePaper_data() {
    QTest::addColumn<QString>("locale");
    QTest::addColumn<bool>("letter");
    for (const char* name : {"en_US", "fr_CA", "es_MX", "fil_PH", "es_CL", "es_CO"})
      QTest::newRow(name) << name << true;
    for (const char* name : {"en_GB", "de_DE", "pt_BR", "C"}) QTest::newRow(name) << name << false;
  }
  void localePaper() {
    QFETCH(QString, locale);
    QFETCH(bool, letter);
    QCOMPARE(LocalePaper(QLocale(locale)), letter ? QPageSize::Letter : QPageSize::A4);
  }

  // zemctl's and the window's tests meet .pdf, .html, .xhtml and .txt.
  void names_data() {
    QTest::addColumn<QString>("path");
    QTest::addColumn<int>("format");  // -1 none
    QTest::newRow("PDF") << "a/B.PDF" << int(SheetFormat::Pdf);
    QTest::newRow("htm") << "b.htm" << int(SheetFormat::Html);
    QTest::newRow("no extension") << "pdf" << -1;
    QTest::newRow("dot in a folder") << "a.pdf/b" << -1;
  }
  void names() {
    QFETCH(QString, path);
    QFETCH(int, format);
    const std::optional<SheetFormat> found = SheetFormatFor(path.toStdString());
    QCOMPARE(found ? int(*found) : -1, format);
  }
};

QTEST_MAIN(TestSheet)
#include "test_sheet.moc"
