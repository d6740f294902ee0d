// Every row of the command set reaches every place worked out from it, and a
// place that misses one says which: the virtual printer carries it out and
// counts it under its key, fiscalctl names, lists and explains it with its
// button's caption, the console's form has its button (and no button lacks a
// row), fiscalctl(1) and the documents' tables list it.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

#include "contract/command_set.h"
#include "fiscalctl/command_names.h"
#include "fiscalctl/command_tables.h"
#include "fiscalctl/usage.h"
#include "form/main_form.h"
#include "protocol/frame.h"
#include "protocol/message.h"
#include "simulator/link/session.h"

namespace {

using fp::contract::CommandRow;

std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

class NoLine : public sim::ReplyLine {
 public:
  void sendReply(std::span<const std::uint8_t>) override {}
  void sendAnswer(std::span<const std::uint8_t>) override {}
  void sendNow(std::span<const std::uint8_t>) override {}
};

// The frame of the row's command as its sender sends it: the row's fields
// with the bytes they carry, or none for a packed command.
fp::protocol::Bytes rowFrame(std::uint8_t sequence, const CommandRow& row) {
  std::vector<std::string> fields;
  for (const fp::contract::DataField& field : row.fields) {
    fields.emplace_back(field.address, static_cast<std::size_t>(field.length));
  }
  fp::protocol::Bytes body;
  fp::protocol::encodeCommand({sequence, row.command.value, row.extension.value, fields}, body);
  return fp::protocol::encodeFrame(body);
}

TEST(CommandRows, EachIsCarriedOutByTheVirtualPrinterAndCountedUnderItsKey) {
  std::ostringstream paper;
  sim::PaperRoll roll(paper);
  sim::FiscalPrinter printer(roll);
  sim::Stats stats;
  NoLine line;
  sim::Session session(printer, stats, line, 0);
  std::uint8_t sequence = 1;
  for (const CommandRow* row : fp::contract::commandTable()) {
    EXPECT_NE(sim::FiscalPrinter::find(row->command.value, row->extension.value), nullptr)
        << "the virtual printer does not carry out " << row->name
        << ": add its behaviour to simulator/model/fiscal_printer.cpp";
    session.receive(rowFrame(sequence++, *row));
    const std::string key = fp::contract::statisticKey(*row);
    EXPECT_EQ(stats.executedByCommand.count(key) + stats.refusedByCommand.count(key), 1u)
        << row->name << " is not counted as " << key;
  }
  EXPECT_EQ(stats.refusedByCommand.count("unknown"), 0u);
}

TEST(CommandRows, EachIsNamedListedAndExplainedByFiscalctl) {
  const std::string help = fiscalctl::helpText();
  const std::string list = fiscalctl::listText();
  for (const CommandRow* row : fp::contract::commandTable()) {
    SCOPED_TRACE(row->name);
    const fiscalctl::NamedCommand* named = fiscalctl::findCommand(row->name);
    ASSERT_NE(named, nullptr) << "fiscalctl does not know " << row->name;
    EXPECT_EQ(named->row, row);
    const std::string name(row->name);
    const std::string words = fp::contract::wordsString(row->command.value, row->extension.value);
    EXPECT_NE(help.find("\n  " + name + " "), std::string::npos) << "not in --help";
    EXPECT_NE(list.find(name + " "), std::string::npos) << "not in list";
    EXPECT_NE(list.find(words), std::string::npos) << "list lacks its words";
    EXPECT_NE(fiscalctl::helpTextOf(name).find(words), std::string::npos);
    EXPECT_EQ(named->button.empty(), !row->hasButton()) << "a button without a caption";
    EXPECT_NE(list.find(fiscalctl::shownAs(*named)), std::string::npos);
  }
  // Captions are the form's; two buttons showing one caption are told apart.
  EXPECT_EQ(fiscalctl::findCommand("ticket-open")->button, "ABRIR TIQUE");
  EXPECT_EQ(fiscalctl::findCommand("ticket-item")->button, "ITEM + (ticket)");
  EXPECT_EQ(fiscalctl::findCommand("invoice-return")->button, "ITEM - (invoice)");
  EXPECT_EQ(fiscalctl::findCommand("status")->button, "ESTADO");
}

// A button of the form sends a row, reads the status, or (CmCommand1, the
// one-pixel button under ABRIR TIQUE) does nothing; a row with a button has
// it on the form.
TEST(CommandRows, EveryButtonOfTheFormIsARowAndEveryRowsButtonIsOnTheForm) {
  const std::set<std::string_view> rowless = {"CmCommand1", "CmCommand14"};
  std::set<std::uint32_t> buttons;
  for (const console::ControlDefinition& control : console::mainForm().controls) {
    if (control.kind != console::ControlKind::CommandButton) continue;
    buttons.insert(control.id);
    int rows = 0;
    for (const CommandRow* row : fp::contract::commandTable()) rows += row->button == control.id;
    EXPECT_EQ(rows, rowless.count(control.name) ? 0 : 1)
        << "button " << control.name << " (\"" << control.caption << "\")";
  }
  for (const CommandRow* row : fp::contract::commandTable()) {
    if (row->hasButton()) {
      EXPECT_EQ(buttons.count(row->button), 1u) << row->name << ": its button is not on the form";
      EXPECT_FALSE(row->procedure.empty()) << row->name;
    }
  }
}

TEST(CommandRows, FiscalctlsManualPageListsEach) {
  if (!std::filesystem::exists(MAN_PAGE)) GTEST_SKIP() << "manual pages are not built";
  const std::string page = readFile(MAN_PAGE);
  EXPECT_EQ(page.find("PRINTER COMMANDS"), std::string::npos) << "the list was not filled in";
  for (const fiscalctl::NamedCommand& named : fiscalctl::namedCommands()) {
    std::string roff;
    for (const char c : named.name) roff += c == '-' ? std::string("\\-") : std::string(1, c);
    EXPECT_NE(page.find("\n.B " + roff + "\n"), std::string::npos) << named.name;
  }
}

TEST(CommandRows, TheDocumentsTablesAreAsTheCommandSetSays) {
  for (const fiscalctl::GeneratedTable& table : fiscalctl::generatedTables()) {
    const std::string text = readFile(std::string(DOCS_DIR) + "/" + std::string(table.document));
    for (const std::string& stale : fiscalctl::staleLines(text, table)) {
      ADD_FAILURE() << table.document << ", " << table.name << ": " << stale
                    << " (scripts/update-docs writes it)";
    }
  }
}

// The check names what a stale table misses, lacks or has too many of.
TEST(CommandRows, AStaleTableIsToldRowByRow) {
  const fiscalctl::GeneratedTable table = fiscalctl::generatedTables()[0];
  std::string text;
  std::string problem;
  ASSERT_TRUE(fiscalctl::replaceTable(
      "# Doc\n<!-- generated from the command set: " + std::string(table.name) +
          " -->\n<!-- end of generated table -->\nafter\n",
      table, text, problem))
      << problem;
  EXPECT_TRUE(fiscalctl::staleLines(text, table).empty());

  const fiscalctl::GeneratedLine& removed = table.lines[table.lines.size() - 2];
  std::string missing = text;
  missing.erase(missing.find(removed.text), removed.text.size() + 1);
  const std::vector<std::string> stale = fiscalctl::staleLines(missing, table);
  ASSERT_EQ(stale.size(), 1u);
  EXPECT_NE(stale[0].find("the row of " + removed.command + " is missing"), std::string::npos)
      << stale[0];

  std::string extra = text;
  extra.insert(extra.find("<!-- end"), "| `ticket-sell` | 0A09\\|0000 | packed | x |\n");
  ASSERT_EQ(fiscalctl::staleLines(extra, table).size(), 1u);
  EXPECT_NE(fiscalctl::staleLines(extra, table)[0].find("ticket-sell"), std::string::npos);

  EXPECT_FALSE(fiscalctl::staleLines("no markers\n", table).empty());
  EXPECT_TRUE(text.ends_with("<!-- end of generated table -->\nafter\n"));
}

}  // namespace
