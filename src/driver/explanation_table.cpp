#include "driver/explanation_table.h"

#include <bit>

namespace winreach {

namespace {

// The checks whose access Windows gives to administrators by default.
bool IsAdministrative(std::string_view check) {
  return check == "server_info_102" || check == "server_info_503" || check == "admin_share" ||
         check == "scm";
}

// Checks whose codes are their own (NetBIOS return codes), never system
// error codes: no row for every check describes them.
bool HasOwnCodes(std::string_view check) { return check == "netbios"; }

// How closely a row's check column fits: 0 when it does not.
int CheckFit(std::string_view row, std::string_view check, std::string_view context) {
  if (row.empty()) return 1;
  if (row == context && context != check) return 4;
  if (row == check) return 3;
  if (row == "administrative") return IsAdministrative(check) ? 2 : 0;
  if (row.back() == '_' && check.substr(0, row.size()) == row) return 2;
  return 0;
}

uint32_t Bits(RowWhen when) { return static_cast<uint32_t>(when); }

bool Holds(RowWhen when, RowWhen holds) { return (Bits(when) & ~Bits(holds)) == 0; }

// Which rows a search takes: the check's own, those for every check, or both.
enum class Rows { kOwn, kShared, kBoth };

// What a row must give to be taken: anything, a cause, a next step.
enum class Gives { kAny, kCause, kNext };

bool Has(const ExplanationRow& row, Gives gives) {
  switch (gives) {
    case Gives::kCause:
      return row.cause != nullptr;
    case Gives::kNext:
      return row.next != nullptr;
    default:
      return true;
  }
}

// The best fitting row for `code` whose conditions hold: the closest check
// column first, then the most conditions, then the first in the table.
const ExplanationRow* Best(std::string_view check, std::string_view context, int64_t code,
                           RowWhen holds, Rows rows, Gives gives = Gives::kAny) {
  const bool shared_allowed = code == kAnyCode || !HasOwnCodes(check);
  const ExplanationRow* best = nullptr;
  int best_score = 0;
  for (const ExplanationRow& row : ExplanationTable()) {
    if (row.code != code || !Holds(row.when, holds) || !Has(row, gives)) continue;
    const int fit = CheckFit(row.check, check, context);
    if (fit == 0) continue;
    if (fit == 1 ? rows == Rows::kOwn || !shared_allowed : rows == Rows::kShared) continue;
    const int score = fit * 32 + std::popcount(Bits(row.when));
    if (score > best_score) {
      best = &row;
      best_score = score;
    }
  }
  return best;
}

bool Marked(const ExplanationRow& row, RowMark mark) {
  return (static_cast<uint8_t>(row.mark) & static_cast<uint8_t>(mark)) != 0;
}

}  // namespace

const std::vector<ExplanationRow>& ExplanationTable() {
  static const std::vector<ExplanationRow> rows = [] {
    std::vector<ExplanationRow> all;
    for (const auto family : {NameAndPingRows(), LogonAndSmbRows(), RpcServiceRows()}) {
      all.insert(all.end(), family.begin(), family.end());
    }
    return all;
  }();
  return rows;
}

CodeKnowledge LookUp(std::string_view check, std::string_view context, std::optional<uint32_t> code,
                     RowWhen holds) {
  const int64_t key = code ? int64_t{*code} : kNoCode;
  CodeKnowledge knowledge;
  // The meaning is the code's own, whatever the run: the check's row for
  // codes of its own, else the row for every check.
  for (const Rows rows : {Rows::kOwn, Rows::kShared}) {
    const ExplanationRow* row = Best(check, context, key, RowWhen::kAlways, rows);
    if (row != nullptr && row->meaning != nullptr) {
      knowledge.meaning = row->meaning;
      knowledge.system_code = row->check.empty() && !Marked(*row, RowMark::kOwnWords);
      break;
    }
  }
  const ExplanationRow* fitting = Best(check, context, key, holds, Rows::kBoth);
  const ExplanationRow* fallback = Best(check, context, kAnyCode, holds, Rows::kBoth);
  if (knowledge.meaning.empty() && fallback != nullptr && fallback->meaning != nullptr) {
    knowledge.meaning = fallback->meaning;
    knowledge.system_code = false;
  }
  // The cause and the next step each from the best row that gives one, the
  // code's or else the check's advice for any code: a row may tell only
  // the next step where that alone differs.
  for (const int64_t code_key : {key, kAnyCode}) {
    const ExplanationRow* row = Best(check, context, code_key, holds, Rows::kBoth, Gives::kCause);
    if (row == nullptr) continue;
    knowledge.cause = row->cause;
    break;
  }
  for (const int64_t code_key : {key, kAnyCode}) {
    const ExplanationRow* row = Best(check, context, code_key, holds, Rows::kBoth, Gives::kNext);
    if (row == nullptr) continue;
    knowledge.next = row->next;
    break;
  }
  knowledge.expected = fitting != nullptr && Marked(*fitting, RowMark::kExpected);
  return knowledge;
}

}  // namespace winreach
