// zemctl's option tables against what is written from them and about them:
// each command's help, the manual page's synopsis and options, and the bash
// completion; and the one parser that reads arguments by them.
#include <QFile>
#include <QRegularExpression>
#include <QtTest>
#include <set>
#include <string>
#include <vector>

#include "cli/zemctl_options.h"

namespace {

using Names = std::set<std::string>;

QString SourceText(const char* relative) {
  QFile file(QStringLiteral(ZEM_SOURCE_DIR "/") + relative);
  return file.open(QIODevice::ReadOnly) ? QString::fromLatin1(file.readAll()) : QString();
}

Names OptionNames(std::span<const zem::OptionRow> rows, bool onlyWithValue = false) {
  Names names;
  for (const zem::OptionRow& row : rows) {
    if (onlyWithValue && row.valueName.empty()) continue;
    if (!row.shortName.empty()) names.emplace(row.shortName);
    names.emplace(row.longName);
  }
  return names;
}

const zem::CommandEntry* FindCommand(const QString& name) {
  for (const zem::CommandEntry* entry : zem::Commands())
    if (name.toStdString() == entry->name) return entry;
  return nullptr;
}

// The names of every option of `command`, or with no command of zemctl itself.
Names TableNames(const QString& command) {
  const zem::CommandEntry* entry = FindCommand(command);
  return OptionNames(entry ? entry->options : zem::ProgramOptions());
}

Names AnyTableNames() {
  Names all = OptionNames(zem::ProgramOptions());
  for (const zem::CommandEntry* entry : zem::Commands()) all.merge(OptionNames(entry->options));
  return all;
}

// The options `text` names: "--word" and "-x", roff's "\-" read as "-".
Names NamedOptions(QString text) {
  text.replace(QStringLiteral("\\-"), QStringLiteral("-"));
  Names names;
  static const QRegularExpression option(QStringLiteral("(?<![\\w-])(--[a-z][a-z-]*|-[a-z])(?![\\w-])"));
  for (const QRegularExpressionMatch& m : option.globalMatch(text)) names.insert(m.captured(1).toStdString());
  return names;
}

// For a comparison that shows what differs.
template <typename List>
QString Joined(const List& names) {
  QStringList list;
  for (const std::string& name : names) list << QString::fromStdString(name);
  return list.join(QLatin1Char(' '));
}

Names Words(const QString& text) {
  Names words;
  for (const QString& word : text.split(QLatin1Char(' '), Qt::SkipEmptyParts))
    words.insert(word.toStdString());
  return words;
}

// The part of a manual page from its section `name` to the next.
QString Section(const QString& page, const QString& name) {
  const qsizetype from = page.indexOf(".SH " + name + "\n");
  if (from < 0) return {};
  const qsizetype to = page.indexOf(QStringLiteral("\n.SH "), from + 1);
  return page.mid(from, to < 0 ? -1 : to - from);
}

// The manual page's OPTIONS: each option with the commands its entry names
// at its end ("(convert, pull)"); an entry that names none is zemctl's own.
std::set<std::pair<std::string, std::string>> ManOptions() {
  std::set<std::pair<std::string, std::string>> pairs;
  static const QRegularExpression commandList(QStringLiteral("^\\.RB \\( (.*) \\)\\.?$"),
                                              QRegularExpression::MultilineOption);
  const QStringList entries = Section(SourceText("data/man/zemctl.1.in"), "OPTIONS").split(".TP\n");
  for (qsizetype i = 1; i < entries.size(); ++i) {
    const QString& entry = entries[i];
    Names commands;
    for (const QRegularExpressionMatch& m : commandList.globalMatch(entry)) {
      commands.clear();
      for (QString name : m.captured(1).split(QStringLiteral("\", \"")))
        commands.insert(name.replace(QStringLiteral("\\-"), QStringLiteral("-")).trimmed().toStdString());
    }
    if (commands.empty()) commands.insert("");
    for (const std::string& option : NamedOptions(entry.section(QLatin1Char('\n'), 0, 0)))
      for (const std::string& command : commands) pairs.emplace(option, command);
  }
  return pairs;
}

std::string Described(const zem::ParsedArguments& parsed, std::span<const zem::OptionRow> rows) {
  std::string text;
  for (const zem::GivenArgument& a : parsed.given) {
    std::string name = "FILE";
    for (const zem::OptionRow& row : rows)
      if (row.id == a.id) name = row.longName;
    text += (text.empty() ? "" : " ") + name + "=" + a.value;
  }
  if (parsed.unexpected) text += " !" + *parsed.unexpected;
  return text;
}

}  // namespace

class TestZemctlOptions : public QObject {
  Q_OBJECT

 private slots:
  void helpListsItsTable_data() {
    QTest::addColumn<QString>("command");
    for (const zem::CommandEntry* entry : zem::Commands())
      QTest::newRow(entry->name.data()) << QString::fromLatin1(entry->name.data(), entry->name.size());
  }
  // Each option of the table has its line, with its value's name, and the
  // help names no option that no table has.
  void helpListsItsTable() {
    QFETCH(QString, command);
    const zem::CommandEntry* entry = FindCommand(command);
    QVERIFY(entry != nullptr);
    const QString help = QString::fromStdString(zem::HelpText(*entry));
    QVERIFY(help.startsWith("Usage: zemctl " + command + " "));

    std::vector<std::string> listed, table;
    static const QRegularExpression optionLine(
        QStringLiteral("^  ((?:-[a-z], )?--[a-z-]+(?: [A-Z][^ ]*)?)(?: |$)"),
        QRegularExpression::MultilineOption);
    for (const QRegularExpressionMatch& m : optionLine.globalMatch(help))
      listed.push_back(m.captured(1).toStdString());
    for (const zem::OptionRow& row : entry->options) {
      std::string name = row.shortName.empty() ? "" : std::string(row.shortName) + ", ";
      name += row.longName;
      if (!row.valueName.empty()) name += " " + std::string(row.valueName);
      table.push_back(name);
    }
    QCOMPARE(Joined(listed), Joined(table));

    const Names usage = NamedOptions(help.section(QStringLiteral("\n\n"), 0, 0));
    const Names own = TableNames(command);
    for (const std::string& option : usage) QVERIFY2(own.count(option), option.c_str());
    const Names all = AnyTableNames();
    for (const std::string& option : NamedOptions(help)) QVERIFY2(all.count(option), option.c_str());
  }

  void programHelpListsEveryCommand() {
    const QString help = QString::fromStdString(zem::ProgramHelpText());
    for (const zem::CommandEntry* entry : zem::Commands()) {
      const QString line = "\n  " + QString::fromLatin1(entry->name.data(), entry->name.size()) + " " +
                           QString::fromLatin1(entry->synopsis.data(), entry->synopsis.size());
      QVERIFY2(help.contains(line), qPrintable(line));
    }
  }

  // Every option of every table has its entry in OPTIONS that names its
  // command, and every entry is an option of the commands it names.
  void manPageDescribesTheTables() {
    std::set<std::pair<std::string, std::string>> tables;
    for (const std::string& option : OptionNames(zem::ProgramOptions())) tables.emplace(option, "");
    for (const zem::CommandEntry* entry : zem::Commands())
      for (const std::string& option : OptionNames(entry->options)) tables.emplace(option, entry->name);
    const auto man = ManOptions();
    for (const auto& [option, command] : tables)
      QVERIFY2(man.count({option, command}), (option + " (" + command + ") has no entry").c_str());
    for (const auto& [option, command] : man)
      QVERIFY2(tables.count({option, command}), (option + " (" + command + ") is in no table").c_str());
  }

  // Each line of the SYNOPSIS names only options of its command.
  void manSynopsisNamesOnlyTheTable() {
    const QStringList forms = Section(SourceText("data/man/zemctl.1.in"), "SYNOPSIS").split(".br\n");
    QCOMPARE(forms.size(), 14);
    static const QRegularExpression program(QStringLiteral("^\\.B zemctl ?([a-z\\\\-]*)"),
                                            QRegularExpression::MultilineOption);
    for (const QString& form : forms) {
      const QString command =
          program.match(form).captured(1).replace(QStringLiteral("\\-"), QStringLiteral("-"));
      const Names own = TableNames(command);
      for (const std::string& option : NamedOptions(form.mid(form.indexOf(".B zemctl"))))
        QVERIFY2(own.count(option), qPrintable(command + ": " + QString::fromStdString(option)));
    }
  }

  // The completion offers the commands, each command's options and --help,
  // and completes nothing as an option after an option that takes a value.
  void completionOffersTheTables() {
    const QString script = SourceText("data/completions/zemctl");
    QVERIFY(!script.isEmpty());
    Names commands;
    for (const zem::CommandEntry* entry : zem::Commands()) commands.emplace(entry->name);
    static const QRegularExpression commandList(QStringLiteral("local commands=\"([^\"]*)\""));
    QCOMPARE(Joined(Words(commandList.match(script).captured(1))), Joined(commands));
    static const QRegularExpression first(QStringLiteral("compgen -W \"\\$commands ([^\"]*)\""));
    Names program;
    for (const zem::OptionRow& row : zem::ProgramOptions()) program.emplace(row.longName);
    QCOMPARE(Joined(Words(first.match(script).captured(1))), Joined(program));

    static const QRegularExpression perCommand(QStringLiteral("^\\s*([a-z-]+)\\) options=\"([^\"]*)\" ;;$"),
                                               QRegularExpression::MultilineOption);
    Names seen;
    for (const QRegularExpressionMatch& m : perCommand.globalMatch(script)) {
      Names expected = TableNames(m.captured(1));
      expected.insert("--help");
      QCOMPARE(Joined(Words(m.captured(2))), Joined(expected));
      seen.insert(m.captured(1).toStdString());
    }
    QCOMPARE(Joined(seen), Joined(commands));

    const qsizetype from = script.indexOf(QStringLiteral("case $prev in"));
    QVERIFY(from >= 0);
    const QString prevCases = script.mid(from, script.indexOf(QStringLiteral("esac"), from) - from);
    static const QRegularExpression pattern(QStringLiteral("^\\s*(-[-a-z |]*)\\)$"),
                                            QRegularExpression::MultilineOption);
    Names takingValues;
    for (const QRegularExpressionMatch& m : pattern.globalMatch(prevCases))
      for (const QString& name : m.captured(1).split(QLatin1Char('|')))
        takingValues.insert(name.trimmed().toStdString());
    Names withValue;
    for (const zem::CommandEntry* entry : zem::Commands()) withValue.merge(OptionNames(entry->options, true));
    QCOMPARE(Joined(takingValues), Joined(withValue));
  }

  void parser_data() {
    QTest::addColumn<QString>("command");
    QTest::addColumn<QByteArrayList>("args");
    QTest::addColumn<QByteArray>("read");
    const auto row = [](const char* name, const char* command, const QByteArrayList& args, const char* read) {
      QTest::newRow(name) << command << args << QByteArray(read);
    };
    row("in order", "convert", {"-o", "b.zem", "a.zem", "--strict"}, "--output=b.zem FILE=a.zem --strict=");
    row("a value may start with -", "convert", {"a.zem", "-o", "--log"}, "FILE=a.zem --output=--log");
    row("repeated", "pull", {"--log", "x", "--log", "y"}, "--log=x --log=y");
    row("unknown option", "convert", {"a.zem", "--bogus", "-o", "b"}, "FILE=a.zem !--bogus");
    row("missing value", "push", {"a.zem", "--since"}, "FILE=a.zem !--since");
    row("operand too many", "dump", {"a.zem", "b.zem"}, "FILE=a.zem !b.zem");
    row("no operand", "pull", {"a.zem"}, " !a.zem");
    row("sides where they stand", "diff", {"a.zem", "--telnet", "h", "b.zem", "--serial", "d"},
        "FILE=a.zem --telnet=h FILE=b.zem --serial=d");
    row("Latin-1 bytes as they are", "convert", {"caf\xE9.zem", "-o", "\xFF\x80.zem"},
        "FILE=caf\xE9.zem --output=\xFF\x80.zem");
  }
  void parser() {
    QFETCH(QString, command);
    QFETCH(QByteArrayList, args);
    QFETCH(QByteArray, read);
    const zem::CommandEntry* entry = FindCommand(command);
    QVERIFY(entry != nullptr);
    std::vector<std::string> arguments;
    for (const QByteArray& a : args) arguments.push_back(a.toStdString());
    QCOMPARE(QByteArray::fromStdString(Described(zem::ParseArguments(*entry, arguments), entry->options)),
             read);
  }
};

QTEST_GUILESS_MAIN(TestZemctlOptions)
#include "test_zemctl_options.moc"
