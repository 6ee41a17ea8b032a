// k7q sql: statement text through CK7QBldSQL.
#include <cstdio>
#include <string>

#include "K7QBldCp932.h"
#include "K7QBldGroceries.h"
#include "K7QBldSQL.h"
#include "K7QCommand.h"
#include "K7QConsoleUi.h"

namespace {

void PrintLine(std::initializer_list<const std::string*> fields) {
  std::string line;
  bool first = true;
  for (const std::string* f : fields) {
    if (!first) line += '\t';
    first = false;
    line += K7QEscapeField(*f);
  }
  line += '\n';
  std::fwrite(line.data(), 1, line.size(), stdout);
}

void PrintLists(const CK7QBldSQL& sql) {
  static const std::string kResult = "result";
  static const std::string kTable = "table";
  static const std::string kCondition = "condition";
  static const std::string kOrder = "order";
  for (const std::string& item : sql.ResultItems()) PrintLine({&kResult, &item});
  for (const std::string& table : sql.Tables()) PrintLine({&kTable, &table});
  for (const auto& c : sql.Conditions()) PrintLine({&kCondition, &c.connector, &c.text});
  for (const auto& o : sql.Orderings()) PrintLine({&kOrder, &o.expression, &o.direction});
}

int RunSql(const K7QArgs& args) {
  if (args.size() < 2)
    return K7QUsageError("sql: expected normalize or parse and a statement text");
  const std::string& verb = args[0];
  const bool normalize = verb == "normalize";
  if (!normalize && verb != "parse") return K7QUsageError("sql: unknown verb '" + verb + "'");

  CK7QBldSQL::CampaignContext campaign;
  bool withCampaign = false;
  if (args.size() > 2) {
    if (args[2] != "--campaign") return K7QUsageError("sql: unexpected argument '" + args[2] + "'");
    if (!normalize) return K7QUsageError("sql: --campaign applies to normalize only");
    if (args.size() < 4) return K7QUsageError("sql: --campaign needs a key");
    withCampaign = true;
    campaign.key = args[3];
    for (std::size_t i = 4; i < args.size(); ++i) campaign.tables.push_back({args[3], args[i]});
  }

  CK7QConsoleUi ui;
  CK7QBldGroceries groceries(ui);
  CK7QBldSQL sql;
  if (!sql.ParseText(args[1], &groceries)) return kExitFailed;
  if (!normalize) {
    PrintLists(sql);
    return kExitOk;
  }
  std::string text = sql.BuildText(withCampaign ? &campaign : nullptr);
  text += '\n';
  std::fwrite(text.data(), 1, text.size(), stdout);
  return kExitOk;
}

const K7QRegisterCommand kRegister("sql",
                                   "sql normalize TEXT [--campaign KEY TABLE...]\nsql parse TEXT",
                                   RunSql);

}  // namespace
