#include "posting/DraftMerge.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <map>
#include <sstream>

#include "platform/com/Money.h"
#include "platform/com/RuntimeError.h"
#include "platform/db/Connection.h"
#include "platform/db/Recordset.h"
#include "platform/tsql/SqlLiteral.h"
#include "posting/DraftTable.h"
#include "posting/LedgerAccounts.h"
#include "request/Messages.h"
#include "request/SqlGateway.h"
#include "request/Values.h"

namespace corvane {

namespace {

constexpr std::array<const char*, 5> kItemOptions{"iokm_zy", "iokm_km", "iokm_fzx", "iokm_djrq", "iokm_zdy"};
constexpr std::array<const char*, 7> kPaymentOptions{"opkm_zy",   "opkm_km",   "opkm_fzx", "opkm_djrq",
                                                     "opkm_jsfs", "opkm_pjbh", "opkm_zdy"};

std::string lowerCase(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return text;
}

void addUserDefined(std::vector<std::string>& columns) {
  for (int i = 1; i <= 16; ++i) columns.push_back("cDefine" + std::to_string(i));
}

bool on(const std::string& flags, int position) { return flags[position - 1] == '1'; }

using Line = std::vector<Variant>;

// The draft layout's columns by name (any case), as indexes of a line.
class Layout {
 public:
  Layout() {
    const auto columns = DraftColumns();
    for (std::size_t i = 0; i < columns.size(); ++i) index_[lowerCase(std::string(columns[i].name))] = i;
  }
  std::size_t operator[](const std::string& name) const { return index_.at(lowerCase(name)); }

 private:
  std::map<std::string, std::size_t> index_;
};

enum class Sum { None, Money, Quantity, Count };

Sum sumOf(const std::string& column) {
  const std::string name = lowerCase(column);
  if (name == "md" || name == "mc" || name == "md_f" || name == "mc_f") return Sum::Money;
  if (name == "nd_s" || name == "nc_s") return Sum::Quantity;
  // The document count of the voucher is the total over its lines: merging keeps it.
  if (name == "idoc") return Sum::Count;
  return Sum::None;
}

Variant added(Sum sum, const Variant& merged, const Variant& source) {
  switch (sum) {
    case Sum::Money: return Variant(MoneyOf(merged) + MoneyOf(source));
    case Sum::Quantity: return Variant::dbl(NullToNum(merged) + NullToNum(source));
    default: return Variant::longValue(static_cast<std::int32_t>(NullToNum(merged) + NullToNum(source)));
  }
}

bool sameValue(const Variant& a, const Variant& b) {
  if (a.isNull() || b.isNull()) return a.isNull() && b.isNull();
  return NullToStr(a) == NullToStr(b);
}

// Every source voucher of a merged line stays reachable from it.
std::string withGuid(const std::string& guids, const std::string& guid) {
  if (guid.empty()) return guids;
  std::stringstream list(guids);
  for (std::string known; std::getline(list, known, ',');) {
    if (known == guid) return guids;
  }
  return guids.empty() ? guid : guids + "," + guid;
}

std::string sqlValue(const DraftColumn& column, const Variant& value) {
  if (value.isNull()) return "Null";
  const std::string_view type = column.type;
  if (type == "[money]") return MoneyOf(value).toString();
  if (type == "[int]" || type == "[float]") {
    const std::string number = SqlNum(value);
    return number == "null" ? "Null" : number;
  }
  if (type == "[bit]") return SqlBool(value) == "1" ? "1" : "0";
  if (type == "[smalldatetime]" || type == "[datetime]") {
    return IsDate(value) ? db::quoteLiteral(CStr(Variant(CDate(value)))) : "Null";
  }
  return db::quoteLiteral(NullToStr(value));
}

class Merger {
 public:
  Merger(db::Connection& CN, const MergeOptions& options) : CN_(CN), options_(options) {}

  void add(const Line& source) {
    const std::string direction = NullToStr(source[layout_["bDirFlag"]]);
    if (direction != "0" && direction != "1") {
      throw RuntimeError(errnum::kTypeMismatch, "A draft line has no debit or credit side.");
    }
    const std::vector<std::string> key = MergeKeyColumns(sideOf(NullToStr(source[layout_["ccode"]])), options_);
    for (Line& merged : merged_) {
      if (accepts(merged, source, direction, key)) return join(merged, source);
    }
    Line line = source;
    line[layout_["inid"]] = Variant::longValue(static_cast<std::int32_t>(merged_.size() + 1));
    merged_.push_back(std::move(line));
  }

  void write(const std::string& table) const {
    const auto columns = DraftColumns();
    std::string names;
    for (const DraftColumn& column : columns) names += (names.empty() ? "" : ",") + std::string(column.name);
    for (const Line& line : merged_) {
      std::string values;
      for (std::size_t i = 0; i < columns.size(); ++i) values += (i ? "," : "") + sqlValue(columns[i], line[i]);
      sql::execute(CN_, "Insert Into " + table + " (" + names + ") Values (" + values + ")");
    }
  }

 private:
  int sideOf(const std::string& account) {
    const auto known = sides_.find(account);
    if (known != sides_.end()) return known->second;
    return sides_[account] = GetSubjectSide(CN_, account);
  }

  // A merged line takes a source line of its side only while it has an account and an amount on
  // that side, and only when the key columns agree (a missing value matches only a missing one).
  bool accepts(const Line& merged, const Line& source, const std::string& direction,
               const std::vector<std::string>& key) const {
    if (key.empty() || NullToStr(merged[layout_["bDirFlag"]]) != direction) return false;
    if (NullToStr(merged[layout_["ccode"]]).empty()) return false;
    if (MoneyOf(merged[layout_[direction == "1" ? "md" : "mc"]]) == Currency()) return false;
    return std::all_of(key.begin(), key.end(), [&](const std::string& column) {
      return sameValue(merged[layout_[column]], source[layout_[column]]);
    });
  }

  void join(Line& merged, const Line& source) const {
    const auto columns = DraftColumns();
    for (std::size_t i = 0; i < columns.size(); ++i) {
      const std::string name(columns[i].name);
      if (source[i].isNull() || name == "inid") continue;
      const Sum sum = sumOf(name);
      if (sum != Sum::None) {
        merged[i] = added(sum, merged[i], source[i]);
      } else if (name == "VouchGUID") {
        merged[i] = Variant(withGuid(NullToStr(merged[i]), NullToStr(source[i])));
      } else {
        merged[i] = source[i];
      }
    }
  }

  db::Connection& CN_;
  const MergeOptions& options_;
  Layout layout_;
  std::map<std::string, int> sides_;
  std::vector<Line> merged_;
};

MergeOptions readOptions(db::Connection& CN) {
  std::vector<std::pair<std::string, std::string>> rows;
  for (db::Recordset rs = sql::openReadOnly(
           CN, "Select cname ,cvalue From Accinformation Where cSysID = 'KX' And cID Like '2%' Order By cID");
       !rs.eof(); rs.moveNext()) {
    rows.emplace_back(NullToStr(rs.field("cname").value()), NullToStr(rs.field("cvalue").value()));
  }
  return ReadMergeOptions(rows);
}

std::vector<Line> readLines(db::Connection& CN, const std::string& table) {
  const auto columns = DraftColumns();
  std::vector<Line> lines;
  for (db::Recordset rs = sql::openReadOnly(CN, "Select * From " + table + " Order By inid"); !rs.eof();
       rs.moveNext()) {
    Line line;
    for (const DraftColumn& column : columns) line.push_back(rs.field(column.name).value());
    lines.push_back(std::move(line));
  }
  return lines;
}

}  // namespace

void SetFlagChar(std::string& flags, int position) { flags[static_cast<std::size_t>(position - 1)] = '1'; }

MergeOptions ReadMergeOptions(const std::vector<std::pair<std::string, std::string>>& rows) {
  MergeOptions options;
  for (const auto& [name, value] : rows) {
    if (lowerCase(value) != "true") continue;
    const std::string option = lowerCase(name);
    for (std::size_t i = 0; i < kItemOptions.size(); ++i) {
      if (option == kItemOptions[i]) SetFlagChar(options.itemFlags, static_cast<int>(i + 1));
    }
    for (std::size_t i = 0; i < kPaymentOptions.size(); ++i) {
      if (option == kPaymentOptions[i]) SetFlagChar(options.paymentFlags, static_cast<int>(i + 1));
    }
  }
  return options;
}

std::vector<std::string> MergeKeyColumns(int side, const MergeOptions& options) {
  if (side != 0 && side != 1) return {};
  const std::string& flags = side == 0 ? options.itemFlags : options.paymentFlags;
  std::vector<std::string> columns{"ccode", "cdept_id", "cperson_id", "ccus_id", "csup_id", "citem_class", "citem_id"};
  if (on(flags, 1)) columns.push_back("cdigest");
  if (on(flags, 4)) columns.push_back("dbill_date");
  if (side == 0) {
    if (on(flags, 5)) addUserDefined(columns);
    return columns;
  }
  if (on(flags, 5)) columns.push_back("csettle");
  if (on(flags, 6)) columns.push_back("cn_id");
  if (on(flags, 7)) addUserDefined(columns);
  return columns;
}

std::string MergePZRows(db::Connection& CN, const LoginContext& ologin, const std::string& source) {
  if (source.empty()) raiseMessage("Z7.Corvane.0371");
  const std::string merged = CreatePZTbl(CN, ologin);
  if (merged.empty()) raiseMessage("Z7.Corvane.0371");
  const MergeOptions options = readOptions(CN);
  const std::vector<Line> lines = readLines(CN, source);
  if (lines.empty()) raiseMessage("Z7.Corvane.0296");
  Merger merger(CN, options);
  for (const Line& line : lines) merger.add(line);
  merger.write(merged);
  return merged;
}

}  // namespace corvane
